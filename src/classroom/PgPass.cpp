#include "classroom/PgPass.h"

#include "classroom/ClassConnectionString.h"
#include "platform/FileIo.h"
#include "platform/Translation.h"

#include <QFile>
#include <QStringList>

#include <cstring>

namespace {

// A field of a .pgpass line: ':' and '\' escaped.
QString PassField(QString value) {
    return value.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char(':'), QStringLiteral("\\:"));
}

} // namespace

bool StorePassword(const QString& path, const QString& connection, const QString& password, QString* why) {
    const std::optional<std::map<QString, QString>> values = ParseConnection(connection, why);
    if (!values)
        return false;
    const auto value = [&](const char* key, const QString& fallback) {
        const auto found = values->find(QLatin1String(key));
        return found == values->end() || found->second.isEmpty() ? fallback : found->second;
    };
    const QString user = value("user", qEnvironmentVariable("USER"));
    const QString key = QStringList{PassField(value("host", QStringLiteral("localhost"))),
                                    PassField(value("port", QStringLiteral("5432"))),
                                    PassField(value("dbname", user)), PassField(user)}
                            .join(QLatin1Char(':')) +
                        QLatin1Char(':');
    QStringList lines;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    file.close();
    lines.removeIf([&](const QString& line) { return line.startsWith(key); });
    lines << key + PassField(password);
    int error = 0;
    if (ReplaceFileAtomically(path, (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8(), &error, 0600))
        return true;
    if (why)
        *why = Aviluma::tr("无法写入 %1：%2")
                   .arg(path, QString::fromLocal8Bit(std::strerror(error)));
    return false;
}
