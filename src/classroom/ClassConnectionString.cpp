#include "classroom/ClassConnectionString.h"

#include "platform/Translation.h"

#include <QUrl>
#include <QUrlQuery>

#include <algorithm>

std::optional<std::map<QString, QString>> ParseConnection(const QString& text, QString* why) {
    std::map<QString, QString> values;
    const QString trimmed = text.trimmed();
    const auto refuse = [why](const QString& reason) {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    // Whatever holds a password would keep it where others may read it (class.cfg, a script).
    const auto noPassword = [] {
        return Aviluma::tr("连接地址里不能写密码：请用 ~/.pgpass 或 PGPASSWORD。");
    };
    if (trimmed.startsWith(QLatin1String("postgresql://")) || trimmed.startsWith(QLatin1String("postgres://"))) {
        const QUrl url(trimmed);
        if (!url.isValid())
            return refuse(Aviluma::tr("连接地址无法识别：%1").arg(url.errorString()));
        if (!url.host().isEmpty())
            values[QStringLiteral("host")] = url.host();
        if (url.port() > 0)
            values[QStringLiteral("port")] = QString::number(url.port());
        if (!url.userName().isEmpty())
            values[QStringLiteral("user")] = url.userName();
        if (!url.password().isEmpty())
            return refuse(noPassword());
        const QString database = url.path().mid(1);
        if (!database.isEmpty())
            values[QStringLiteral("dbname")] = database;
        for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
            if (key == QLatin1String("password"))
                return refuse(noPassword());
            values[key] = value;
        }
        return values;
    }
    // keyword=value pairs, values optionally in single quotes with \' and \\ inside.
    qsizetype i = 0;
    while (i < trimmed.size()) {
        while (i < trimmed.size() && trimmed[i].isSpace())
            ++i;
        const qsizetype equals = trimmed.indexOf(QLatin1Char('='), i);
        if (i >= trimmed.size())
            break;
        if (equals < 0)
            return refuse(Aviluma::tr("连接字符串无法识别：缺少“=”。"));
        const QString key = trimmed.mid(i, equals - i).trimmed();
        i = equals + 1;
        QString value;
        if (i < trimmed.size() && trimmed[i] == QLatin1Char('\'')) {
            for (++i; i < trimmed.size() && trimmed[i] != QLatin1Char('\''); ++i) {
                if (trimmed[i] == QLatin1Char('\\') && i + 1 < trimmed.size())
                    ++i;
                value += trimmed[i];
            }
            ++i;
        } else {
            while (i < trimmed.size() && !trimmed[i].isSpace())
                value += trimmed[i++];
        }
        if (key.isEmpty())
            return refuse(Aviluma::tr("连接字符串无法识别。"));
        if (key == QLatin1String("password"))
            return refuse(Tr(QStringLiteral(
                QT_TRANSLATE_NOOP("Aviluma", "连接字符串里不能写密码：请用 ~/.pgpass 或 PGPASSWORD。"))));
        values[key] = value;
    }
    return values;
}

QString ConnectionText(const std::vector<std::pair<QString, QString>>& values) {
    QStringList pairs;
    for (const auto& [key, value] : values) {
        const bool plain = !value.isEmpty() && std::none_of(value.begin(), value.end(), [](QChar c) {
            return c.isSpace() || c == QLatin1Char('\'') || c == QLatin1Char('\\');
        });
        QString quoted = value;
        quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
        pairs << key + QLatin1Char('=') + (plain ? value : QLatin1Char('\'') + quoted + QLatin1Char('\''));
    }
    return pairs.join(QLatin1Char(' '));
}
