// Payload records of the three messages the PC and the drone exchange. Fields are little-endian on
// the wire and packed without padding, so a record is copied to and from a frame byte for byte.
#pragma once

#include <bit>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "payload records are copied to the wire as they lie in memory");

#pragma pack(push, 1)

// HEARTBEAT (message 0). The PC always sends it all zero.
struct HeartbeatRecord {
    std::uint32_t custom_mode = 0;
    std::uint8_t type = 0;
    std::uint8_t autopilot = 0;
    std::uint8_t base_mode = 0;
    std::uint8_t system_status = 0;
    std::uint8_t mavlink_version = 0;
};

// ATTITUDE (message 30): angles in radians, rates in radians per second.
struct AttitudeRecord {
    std::uint32_t time_boot_ms = 0;
    float roll = 0.0f;
    float pitch = 0.0f;
    float yaw = 0.0f;
    float rollspeed = 0.0f;
    float pitchspeed = 0.0f;
    float yawspeed = 0.0f;
};

// The game command (message 228), both ways. In a reply from the drone only byte 0 is used: the
// reply status.
struct GameCommand {
    std::uint8_t action = 0;     // 1 start (opening command and attempt start), 0 stop
    std::uint8_t difficulty = 0; // difficulty index 0..9, or 100 in the opening command
    std::uint8_t attempt = 0;    // attempt index 0..2
    std::uint8_t reserved[5] = {};
};

#pragma pack(pop)

static_assert(sizeof(HeartbeatRecord) == 9);
static_assert(sizeof(AttitudeRecord) == 28);
static_assert(sizeof(GameCommand) == 8);
