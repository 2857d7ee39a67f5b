#include "link/Protocol.h"

QString DroneHardwareId() {
    return QStringLiteral("VID_%1&PID_%2")
        .arg(kDroneVendorId, 4, 16, QLatin1Char('0'))
        .arg(kDroneProductId, 4, 16, QLatin1Char('0'))
        .toUpper();
}

QString DroneInstanceId(const QString& serial) {
    return QStringLiteral("USB\\") + DroneHardwareId() + QLatin1Char('\\') + serial;
}
