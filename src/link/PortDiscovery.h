// Finds the drone's serial port by the USB ids in the device instance id.
#pragma once

#include "platform/DeviceList.h"

#include <QString>

#include <optional>
#include <vector>

// The port name a friendly name carries in parentheses. nullopt when the name has no parenthesised
// port at all (the walk stops there); an empty string when it has one that names no usable port.
// "(COM7)" gives "COM7", "(COM12) and more" gives "COM12", "(COM)" gives "", "(ttyACM0)" gives "ttyACM0".
std::optional<QString> PortNameFromFriendlyName(const QString& friendlyName);

// The walk over a device list: the device path of the last matching device, or an empty string when no
// device matched or the last match named no usable port. A device whose instance id cannot be read or
// whose friendly name is empty or carries no port stops the walk with what was found so far.
QString FindPortInDevices(const QString& fragment, const std::vector<DeviceRecord>& devices);

// The same walk over the present devices; an empty string when nothing usable was found.
QString FindPortByHardwareId(const QString& fragment);

// The serial number of the present device on devicePath: the last part of its instance id
// ("USB\VID_26AC&PID_0011\<serial>"); empty when there is none.
QString SerialOfPort(const QString& devicePath);
