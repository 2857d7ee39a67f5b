#include "classroom/ClassSetup.h"

#include "classroom/ClassErrors.h"
#include "platform/FileIo.h"
#include "platform/Translation.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/stat.h>

#include <cstring>
#include <utility>

namespace {

// The block's first and last lines, and the line that says setup set listen_addresses.
const QString kBlockBegin = QStringLiteral("# BEGIN aviluma-class setup: the room's PCs (\"aviluma-class setup --undo\" removes this block)");
const QString kBlockEnd = QStringLiteral("# END aviluma-class setup");
const QString kListenMark = QStringLiteral("# aviluma-class setup set listen_addresses = '*' in postgresql.auto.conf");
const QString kSslMark = QStringLiteral("# aviluma-class setup set ssl = on in postgresql.auto.conf");

// What the server will listen on from its next start: the last value its files give (the server reads
// them anew for pg_file_settings; postgresql.auto.conf comes last), else its built-in one. It listens
// as it did at its start until then: listen_addresses changes only with a restart.
const QString kNextListen = QStringLiteral(
    "coalesce((SELECT setting FROM pg_file_settings WHERE name = 'listen_addresses' ORDER BY seqno DESC LIMIT 1), "
    "(SELECT boot_val FROM pg_settings WHERE name = 'listen_addresses'))");

bool Fail(QString* why, const QString& reason) {
    if (why)
        *why = reason;
    return false;
}

QString Refused(const QSqlQuery& query) {
    return Aviluma::tr("服务器拒绝了：%1").arg(ErrorOf(query.lastError()).trimmed().section(QLatin1Char('\n'), 0, 0));
}

// One value the server answers to sql (with its bound values), or nothing and why.
std::optional<QVariant> Value(CClassConnection& admin, const QString& sql, const QVariantList& values, QString* why) {
    QSqlQuery query(admin.Database());
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        Fail(why, Refused(query));
        return std::nullopt;
    }
    return query.next() ? query.value(0) : QVariant();
}

// Runs the statement that format() makes from sql and values (role and database names quoted by the
// server itself, %I and %L); false and why.
bool RunFormatted(CClassConnection& admin, const QString& sql, const QVariantList& values, QString* why) {
    const std::optional<QVariant> statement = Value(admin, QStringLiteral("SELECT format(%1)").arg(sql), values, why);
    if (!statement)
        return false;
    QSqlQuery query(admin.Database());
    return query.exec(statement->toString()) || Fail(why, Refused(query));
}

// pg_hba.conf split around the block.
struct HbaFile {
    QString path;
    mode_t mode = 0640;
    QByteArray text;
    QStringList before, block, after; // block: the lines between its first and last
    bool hasBlock = false;
};

std::optional<HbaFile> ReadHba(CClassConnection& admin, QString* why) {
    const std::optional<QVariant> path = Value(admin, QStringLiteral("SELECT current_setting('hba_file')"), {}, why);
    if (!path)
        return std::nullopt;
    HbaFile hba;
    // Written in place of the file itself, not of a link to it.
    hba.path = QFileInfo(path->toString()).canonicalFilePath();
    QFile file(hba.path);
    struct stat info {};
    if (hba.path.isEmpty() || !file.open(QIODevice::ReadOnly) || ::stat(QFile::encodeName(hba.path).constData(), &info) != 0) {
        Fail(why, Aviluma::tr("无法读取服务器的 %1（%2）：请在服务器本机上以它的管理员身份运行，"
                              "例如 sudo -u postgres aviluma-class setup …")
                      .arg(path->toString(), file.errorString()));
        return std::nullopt;
    }
    hba.mode = info.st_mode & 07777;
    hba.text = file.readAll();
    QStringList lines = QString::fromUtf8(hba.text).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const qsizetype begin = lines.indexOf(kBlockBegin);
    const qsizetype end = begin < 0 ? -1 : lines.indexOf(kBlockEnd, begin);
    if (begin >= 0 && end < 0) {
        Fail(why, Aviluma::tr("%1 里 aviluma-class 的一段没有结尾行（%2）：请手工修好再运行。").arg(hba.path, kBlockEnd));
        return std::nullopt;
    }
    if (begin < 0) {
        hba.before = lines;
        return hba;
    }
    hba.hasBlock = true;
    hba.before = lines.mid(0, begin);
    hba.block = lines.mid(begin + 1, end - begin - 1);
    hba.after = lines.mid(end + 1);
    return hba;
}

NetworkChanges ChangesOf(const HbaFile& hba) {
    NetworkChanges changes;
    changes.hbaFile = hba.path;
    for (const QString& line : hba.block) {
        if (line == kListenMark)
            changes.listenSet = true;
        else if (line == kSslMark)
            changes.sslSet = true;
        else if (!line.trimmed().isEmpty() && !line.startsWith(QLatin1Char('#')))
            changes.rules << line;
    }
    return changes;
}

// Writes hba with the block holding changes (none without rules), asks the server whether it reads the
// new file without an error, and puts the old file back when it does not. False and why.
bool WriteHba(CClassConnection& admin, const HbaFile& hba, const NetworkChanges& changes, QString* why) {
    QStringList lines = hba.before;
    if (!changes.rules.isEmpty()) {
        lines << kBlockBegin;
        if (changes.listenSet)
            lines << kListenMark;
        if (changes.sslSet)
            lines << kSslMark;
        lines << changes.rules << kBlockEnd;
    }
    lines << hba.after;
    const QByteArray text = (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    if (text == hba.text)
        return true;
    int error = 0;
    if (!ReplaceFileAtomically(hba.path, text, &error, hba.mode))
        return Fail(why, Aviluma::tr("无法写入 %1：%2").arg(hba.path, QString::fromLocal8Bit(std::strerror(error))));
    QSqlQuery query(admin.Database());
    if (!query.exec(QStringLiteral("SELECT line_number, error FROM pg_hba_file_rules WHERE error IS NOT NULL "
                                   "ORDER BY line_number"))) {
        ReplaceFileAtomically(hba.path, hba.text, nullptr, hba.mode);
        return Fail(why, Refused(query));
    }
    QStringList errors;
    while (query.next())
        errors << Aviluma::tr("第 %1 行：%2").arg(query.value(0).toString(), query.value(1).toString());
    if (errors.isEmpty())
        return true;
    if (!ReplaceFileAtomically(hba.path, hba.text, &error, hba.mode))
        return Fail(why, Aviluma::tr("服务器读 %1 时出错（%2），而且无法放回原来的文件：%3。请手工修好它。")
                             .arg(hba.path, errors.join(QStringLiteral("; ")), QString::fromLocal8Bit(std::strerror(error))));
    return Fail(why, Aviluma::tr("服务器读改过的 %1 时出错（%2）：已放回原来的文件，什么也没改。")
                         .arg(hba.path, errors.join(QStringLiteral("; "))));
}

bool RestartPending(CClassConnection& admin, NetworkChanges* changes, QString* why) {
    const std::optional<QVariant> pending =
        Value(admin, QStringLiteral("SELECT current_setting('listen_addresses') <> ") + kNextListen, {}, why);
    if (pending)
        changes->restartPending = pending->toBool();
    return pending.has_value();
}

// Asks the server to read its configuration again and waits (up to five seconds) for this session to
// see ssl on: each session reads the configuration anew between two statements once the server has
// told it to.
bool TlsOnAfterReload(CClassConnection& admin, QString* why) {
    if (!Value(admin, QStringLiteral("SELECT pg_reload_conf()"), {}, why))
        return false;
    for (int tries = 0; tries < 50; ++tries) {
        const std::optional<QVariant> ssl = Value(admin, QStringLiteral("SELECT current_setting('ssl')"), {}, why);
        if (!ssl)
            return false;
        if (ssl->toString() == QLatin1String("on"))
            return true;
        QThread::msleep(100);
    }
    return Fail(why, Aviluma::tr("服务器没能开启 TLS（ssl = on）：它的日志写明了原因。什么也没改。"));
}

// Asks the server to read its configuration again, then whether it listens as its settings say.
bool Reload(CClassConnection& admin, NetworkChanges* changes, QString* why) {
    return Value(admin, QStringLiteral("SELECT pg_reload_conf()"), {}, why) && RestartPending(admin, changes, why);
}

} // namespace

QString Subnet::Text() const {
    char address[INET6_ADDRSTRLEN] = {};
    inet_ntop(family, bytes, address, sizeof address);
    return QStringLiteral("%1/%2").arg(QLatin1String(address)).arg(prefix);
}

std::optional<Subnet> ParseSubnet(const QString& text) {
    const QStringList parts = text.trimmed().split(QLatin1Char('/'));
    if (parts.size() != 2)
        return std::nullopt;
    Subnet subnet;
    const QByteArray address = parts[0].toLatin1();
    subnet.family = parts[0].contains(QLatin1Char(':')) ? AF_INET6 : AF_INET;
    const int bits = subnet.family == AF_INET ? 32 : 128;
    bool number = false;
    subnet.prefix = parts[1].toInt(&number);
    if (!number || subnet.prefix < 0 || subnet.prefix > bits ||
        inet_pton(subnet.family, address.constData(), subnet.bytes) != 1)
        return std::nullopt;
    for (int bit = subnet.prefix; bit < bits; ++bit)
        subnet.bytes[bit / 8] &= static_cast<unsigned char>(~(0x80u >> (bit % 8)));
    return subnet;
}

QString AddressIn(const Subnet& subnet) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    QString found;
    for (const ifaddrs* entry = list; entry != nullptr && found.isEmpty(); entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != subnet.family || (entry->ifa_flags & IFF_UP) == 0)
            continue;
        const void* bytes = subnet.family == AF_INET
                                ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr)
                                : static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(entry->ifa_addr)->sin6_addr);
        const auto* address = static_cast<const unsigned char*>(bytes);
        bool inside = true;
        for (int bit = 0; bit < subnet.prefix && inside; ++bit) {
            const unsigned mask = 0x80u >> (bit % 8);
            inside = (address[bit / 8] & mask) == (subnet.bytes[bit / 8] & mask);
        }
        if (inside) {
            char text[INET6_ADDRSTRLEN] = {};
            inet_ntop(subnet.family, bytes, text, sizeof text);
            found = QLatin1String(text);
        }
    }
    freeifaddrs(list);
    return found;
}

QString NewPassword() {
    static const char kLetters[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    QString password;
    for (int i = 0; i < 16; ++i) {
        if (i > 0 && i % 4 == 0)
            password += QLatin1Char('-');
        password += QLatin1Char(kLetters[QRandomGenerator::system()->bounded(static_cast<int>(sizeof kLetters - 1))]);
    }
    return password;
}

bool IsAdministrator(CClassConnection& admin, QString* why) {
    const std::optional<QVariant> super =
        Value(admin, QStringLiteral("SELECT rolsuper FROM pg_roles WHERE rolname = current_user"), {}, why);
    if (!super)
        return false;
    return super->toBool() ||
           Fail(why, Aviluma::tr("这要由服务器的管理员运行，例如：sudo -u postgres aviluma-class …"));
}

bool EnsureDatabase(CClassConnection& admin, const QString& database, bool* created, QString* why) {
    const std::optional<QVariant> exists =
        Value(admin, QStringLiteral("SELECT EXISTS (SELECT FROM pg_database WHERE datname = ?::name)"), {database}, why);
    if (!exists)
        return false;
    *created = !exists->toBool();
    return exists->toBool() ||
           RunFormatted(admin, QStringLiteral("'CREATE DATABASE %I ENCODING %L TEMPLATE template0', ?::text, 'UTF8'"),
                        {database}, why);
}

bool RequireTls(CClassConnection& admin, const Subnet& subnet, bool* turnOn, QString* why) {
    *turnOn = false;
    const std::optional<QVariant> ssl = Value(admin, QStringLiteral("SELECT current_setting('ssl')"), {}, why);
    if (!ssl)
        return false;
    if (ssl->toString() == QLatin1String("on"))
        return true;
    // The certificate and key its settings name, read as the server reads them (by its own account,
    // relative to its data folder); an error here only means it cannot.
    QSqlQuery files(admin.Database());
    *turnOn = files.exec(QStringLiteral("SELECT pg_read_binary_file(current_setting('ssl_cert_file'), 0, 1, true) "
                                        "IS NOT NULL AND pg_read_binary_file(current_setting('ssl_key_file'), 0, 1, "
                                        "true) IS NOT NULL")) &&
              files.next() && files.value(0).toBool();
    if (*turnOn)
        return true;
    const std::optional<QVariant> named = Value(
        admin, QStringLiteral("SELECT current_setting('ssl_cert_file') || ' / ' || current_setting('ssl_key_file')"), {}, why);
    return named &&
           Fail(why, Aviluma::tr("服务器没有开启 TLS（ssl = off），它设置里的证书和密钥（%1）又不在或读不了，"
                                 "电脑的密码会以明文经过网络：没有放行子网 %2。在 Debian 上，"
                                 "sudo make-ssl-cert generate-default-snakeoil --force-overwrite 生成这两个文件；"
                                 "然后再运行 setup，它会开启 TLS。")
                         .arg(named->toString(), subnet.Text()));
}

std::optional<QString> EnsureCoach(CClassConnection& admin, const QString& coach, QString* why) {
    const std::optional<QVariant> hasPassword =
        Value(admin, QStringLiteral("SELECT rolpassword IS NOT NULL FROM pg_authid WHERE rolname = ?::name"), {coach}, why);
    if (!hasPassword)
        return std::nullopt;
    if (hasPassword->isNull() &&
        !RunFormatted(admin, QStringLiteral("'CREATE ROLE %I LOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE', ?::text"),
                      {coach}, why))
        return std::nullopt;
    if (hasPassword->toBool())
        return QString();
    const QString password = NewPassword();
    if (!admin.SetPassword(coach, password, why))
        return std::nullopt;
    return password;
}

std::optional<ClassLogin> AddClass(CClassConnection& admin, const QString& className, const QString& login,
                                   bool newPassword, QString* why) {
    ClassLogin made;
    made.className = className.trimmed();
    made.login = login.trimmed();
    if (made.className.isEmpty()) {
        Fail(why, Aviluma::tr("请写明班级。"));
        return std::nullopt;
    }
    const std::optional<QVariant> ready =
        Value(admin, QStringLiteral("SELECT to_regclass('class_logins') IS NOT NULL"), {}, why);
    if (!ready)
        return std::nullopt;
    if (!ready->toBool()) {
        Fail(why, Aviluma::tr("这个数据库还没有为 Aviluma 设置：先运行 sudo -u postgres aviluma-class setup。"));
        return std::nullopt;
    }
    if (made.login.isEmpty()) {
        const std::optional<QVariant> own = Value(
            admin, QStringLiteral("SELECT login FROM class_logins WHERE class = ? ORDER BY login LIMIT 1"), {made.className}, why);
        if (!own)
            return std::nullopt;
        made.login = own->toString();
    }
    // A new class's login is named after it: "room" and the class's letters and digits (3班: room3), the
    // first such name that no other role has.
    if (made.login.isEmpty()) {
        const QString base = QStringLiteral("room") + made.className.toLower().remove(QRegularExpression(QStringLiteral("[^a-z0-9]")));
        for (int n = base == QLatin1String("room") ? 1 : 0; made.login.isEmpty(); ++n) {
            const QString candidate = n == 0                          ? base
                                      : base == QLatin1String("room") ? base + QString::number(n)
                                                                      : QStringLiteral("%1_%2").arg(base).arg(n + 1);
            const std::optional<QVariant> taken =
                Value(admin, QStringLiteral("SELECT EXISTS (SELECT FROM pg_roles WHERE rolname = ?::name)"), {candidate}, why);
            if (!taken)
                return std::nullopt;
            if (!taken->toBool())
                made.login = candidate;
        }
    }
    QSqlQuery query(admin.Database());
    query.prepare(QStringLiteral("SELECT r.rolsuper, r.rolpassword IS NOT NULL, l.login IS NOT NULL, l.class, l.every_class "
                                 "FROM (SELECT ?::name AS name) n LEFT JOIN pg_authid r ON r.rolname = n.name "
                                 "LEFT JOIN class_logins l ON l.login = n.name"));
    query.addBindValue(made.login);
    if (!query.exec() || !query.next()) {
        Fail(why, Refused(query));
        return std::nullopt;
    }
    const bool roleExists = !query.value(0).isNull();
    if (query.value(0).toBool()) {
        Fail(why, Aviluma::tr("%1 是服务器的管理员，不能做电脑登录用户。").arg(made.login));
        return std::nullopt;
    }
    const bool hasPassword = query.value(1).toBool();
    if (query.value(2).toBool()) {
        if (query.value(4).toBool() || query.value(3).toString() != made.className) {
            Fail(why, query.value(4).toBool()
                          ? Aviluma::tr("登录用户 %1 属于所有班级：请换一个 --login。").arg(made.login)
                          : Aviluma::tr("登录用户 %1 属于班级 %2：请换一个 --login。").arg(made.login, query.value(3).toString()));
            return std::nullopt;
        }
        made.existed = true;
    } else if (!admin.AddClassLogin(made.login, made.className, why)) {
        return std::nullopt;
    }
    if (roleExists && hasPassword && !newPassword)
        return made;
    made.password = NewPassword();
    if (!admin.SetPassword(made.login, made.password, why))
        return std::nullopt;
    return made;
}

bool OpenNetwork(CClassConnection& admin, const QString& database, const Subnet& subnet, NetworkChanges* changes,
                 QString* why) {
    bool turnTlsOn = false;
    if (!RequireTls(admin, subnet, &turnTlsOn, why))
        return false;
    std::optional<HbaFile> hba = ReadHba(admin, why);
    if (!hba)
        return false;
    *changes = ChangesOf(*hba);
    // What this run set is taken back when a later step fails, so that a refusal changes nothing.
    bool setTls = false, setListen = false;
    const auto takeBack = [&admin, &setTls, &setListen] {
        for (const auto& [set, name] : {std::pair{setListen, "listen_addresses"}, std::pair{setTls, "ssl"}})
            if (set)
                QSqlQuery(admin.Database()).exec(QStringLiteral("ALTER SYSTEM RESET %1").arg(QLatin1String(name)));
        if (setTls)
            QSqlQuery(admin.Database()).exec(QStringLiteral("SELECT pg_reload_conf()"));
        return false;
    };
    // TLS first: the server checks a hostssl rule against its ssl setting of the moment.
    if (turnTlsOn) {
        QSqlQuery query(admin.Database());
        if (!query.exec(QStringLiteral("ALTER SYSTEM SET ssl = on")))
            return Fail(why, Refused(query));
        changes->sslSet = setTls = true;
        if (!TlsOnAfterReload(admin, why))
            return takeBack();
    }
    // The database as pg_hba.conf takes a name: in double quotes, a quote doubled.
    const QString rule = QStringLiteral("hostssl \"%1\" +aviluma_pc,+aviluma_coach %2 scram-sha-256")
                             .arg(QString(database).replace(QLatin1Char('"'), QStringLiteral("\"\"")), subnet.Text());
    if (!changes->rules.contains(rule))
        changes->rules << rule;
    // Listening everywhere unless the server does already, by its own files or by an earlier setup.
    const std::optional<QVariant> listens = Value(admin, QStringLiteral("SELECT '*' = ") + kNextListen, {}, why);
    if (!listens)
        return takeBack();
    if (!listens->toBool()) {
        QSqlQuery query(admin.Database());
        if (!query.exec(QStringLiteral("ALTER SYSTEM SET listen_addresses = '*'")))
            return Fail(why, Refused(query)) || takeBack();
        changes->listenSet = setListen = true;
    }
    if (!WriteHba(admin, *hba, *changes, why))
        return takeBack();
    return Reload(admin, changes, why);
}

bool ReadNetworkChanges(CClassConnection& admin, NetworkChanges* changes, QString* why) {
    const std::optional<HbaFile> hba = ReadHba(admin, why);
    if (!hba)
        return false;
    *changes = ChangesOf(*hba);
    return RestartPending(admin, changes, why);
}

bool CloseNetwork(CClassConnection& admin, NetworkChanges* undone, QString* why) {
    const std::optional<HbaFile> hba = ReadHba(admin, why);
    if (!hba)
        return false;
    *undone = ChangesOf(*hba);
    if (!hba->hasBlock)
        return true;
    // The setting first: while the block says setup set it, another --undo can still reset it.
    for (const auto& [set, name] : {std::pair{undone->listenSet, "listen_addresses"}, std::pair{undone->sslSet, "ssl"}}) {
        QSqlQuery query(admin.Database());
        if (set && !query.exec(QStringLiteral("ALTER SYSTEM RESET %1").arg(QLatin1String(name))))
            return Fail(why, Refused(query));
    }
    return WriteHba(admin, *hba, NetworkChanges(), why) && Reload(admin, undone, why);
}
