#include "link/PortDiscovery.h"

#include <climits>

namespace {

const QString kComOpen = QStringLiteral("(COM");
const QString kComPrefix = QStringLiteral("COM");

bool IsAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Leading zeros are dropped: a port is a number, not a spelling ("COM012" is COM12). No
// digit, zero, or a number past int range names no port that could be opened.
QString ComPortName(const QString& inner) {
    int number = 0;
    for (qsizetype i = kComPrefix.size(); i < inner.size() && IsAsciiDigit(inner[i]); ++i) {
        const int digit = inner[i].unicode() - '0';
        if (number > (INT_MAX - digit) / 10)
            return QString();
        number = number * 10 + digit;
    }
    if (number == 0)
        return QString();
    return kComPrefix + QString::number(number);
}

} // namespace

std::optional<QString> PortNameFromFriendlyName(const QString& friendlyName) {
    // Windows names say "(COMn)"; Linux names carry the tty name, so any parentheses do when "(COM" is
    // absent.
    qsizetype open = friendlyName.indexOf(kComOpen);
    if (open == -1)
        open = friendlyName.indexOf(QLatin1Char('('));
    const qsizetype close = friendlyName.indexOf(QLatin1Char(')'));
    if (open == -1 || close == -1)
        return std::nullopt;
    if (close < open)
        return QString();
    const QString inner = friendlyName.mid(open + 1, close - open - 1);
    if (inner.startsWith(kComPrefix))
        return ComPortName(inner);
    return inner;
}

QString FindPortInDevices(const QString& fragment, const std::vector<DeviceRecord>& devices) {
    QString result;
    for (const DeviceRecord& device : devices) {
        if (device.instanceId.isEmpty())
            break;
        // Ids may come in lower case; the fragment is compared exactly as given.
        if (!device.instanceId.toUpper().contains(fragment, Qt::CaseSensitive))
            continue;
        if (device.friendlyName.isEmpty())
            break;
        const auto port = PortNameFromFriendlyName(device.friendlyName);
        if (!port)
            break;
        // Only the last match counts, so a later one without a usable port leaves the player asked to
        // reconnect.
        result = port->isEmpty() ? QString() : device.devicePath;
    }
    return result;
}

QString SerialOfPort(const QString& devicePath) {
    const auto devices = ListPresentDevices();
    if (!devices)
        return QString();
    for (const DeviceRecord& device : *devices)
        if (device.devicePath == devicePath)
            return device.instanceId.section(QLatin1Char('\\'), 2);
    return QString();
}

QString FindPortByHardwareId(const QString& fragment) {
    const auto devices = ListPresentDevices();
    if (!devices)
        return QString();
    return FindPortInDevices(fragment, *devices);
}
