// The list of present devices that port discovery walks: instance id, friendly name and device path of
// every USB serial port, read from sysfs, followed by the simulated drones registered in a runtime
// folder so the same walk finds them.
#pragma once

#include <QString>

#include <optional>
#include <vector>

struct DeviceRecord {
    QString instanceId;   // "USB\VID_26AC&PID_0011\<serial>"
    QString friendlyName; // the port name in parentheses, as in "Aviluma drone (ttyACM0)"
    QString devicePath;   // "/dev/ttyACM0"
};

// Where the lists come from. Tests point them at temporary trees.
QString SysfsRoot(); // "/sys" unless set
void SetSysfsRoot(const QString& root);
// $XDG_RUNTIME_DIR/aviluma-devices, or /tmp/aviluma-devices-<uid> without it, unless set.
QString DeviceRegistryFolder();
void SetDeviceRegistryFolder(const QString& folder);

// The language the game on this desktop shows, for the simulated drones beside it to follow when it
// changes: the file "language" ("zh" or "en") in the registry folder, written whole. Publish is false
// (with *error, an errno) when it cannot be written; Read is empty without a file of a known language.
QString SessionLanguagePath();
bool PublishSessionLanguage(const QString& code, int* error = nullptr);
QString ReadSessionLanguage();

// USB serial ports from sysfs in the order of their tty names, then the live registry entries in the
// order of their file names. nullopt when no list can be had at all (the sysfs tty class is missing).
std::optional<std::vector<DeviceRecord>> ListPresentDevices();

// Adds a simulated device to the registry (creating the folder, private to this user, if needed) and
// returns the entry's file path, or an empty string on failure. The entry names this process: it stops
// counting as present when the process is gone or the device node is.
QString RegisterDevice(const DeviceRecord& record);
void UnregisterDevice(const QString& entryPath);
