// What the PC and the drone agree on, in one place: how the drone is found on USB, the MAVLink v1
// identities and messages of the link, and what the game command's bytes mean. The simulated drone,
// the tests, the udev rule and ./play take these values from here (the build reads the USB ids out of
// this file for the last two).
#pragma once

#include <QString>

#include <cstdint>

// ---- the drone on USB ----

inline constexpr std::uint16_t kDroneVendorId = 0x26AC;
inline constexpr std::uint16_t kDroneProductId = 0x0011;

// The ids as they stand in a device instance id: "VID_26AC&PID_0011".
QString DroneHardwareId();
// A whole instance id of a drone with the given serial: "USB\VID_26AC&PID_0011\<serial>".
QString DroneInstanceId(const QString& serial);

// ---- frames ----

inline constexpr std::uint8_t kSystemId = 19;
inline constexpr std::uint8_t kComponentId = 1;

inline constexpr std::uint8_t kMsgHeartbeat = 0;
inline constexpr std::uint8_t kMsgAttitude = 30;
inline constexpr std::uint8_t kMsgCommand = 228;

// Each message's checksum seed, folded in after its bytes.
inline constexpr std::uint8_t kCrcExtraHeartbeat = 50;
inline constexpr std::uint8_t kCrcExtraAttitude = 39;
inline constexpr std::uint8_t kCrcExtraCommand = 251;

// Radians to degrees as the drone's makers convert them; the scores rest on this factor, not on 180/pi.
inline constexpr double kDegreesPerRadian = 57.3;

// ---- the game command (message 228) ----

// GameCommand::action
inline constexpr std::uint8_t kActionStop = 0;
inline constexpr std::uint8_t kActionStart = 1; // the opening command and every attempt start

// GameCommand::difficulty: an attempt's difficulty index 0..kDifficultyCount - 1, or the opening value.
inline constexpr int kDifficultyCount = 10;
inline constexpr std::uint8_t kOpeningDifficulty = 100;

// A reply from the drone carries its status in byte 0; anything but 0 acknowledges the command.
inline constexpr std::uint8_t kReplyNone = 0;
