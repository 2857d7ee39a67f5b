#include "classroom/ClassConnection.h"

#include "classroom/ClassConnectionString.h"
#include "classroom/ClassErrors.h"
#include "platform/Translation.h"
#include "state/Log.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <dlfcn.h>
#include <libpq-fe.h>
#include <sys/socket.h>

#include <cstring>
#include <functional>

namespace {

// The driver's handle is libpq's PGconn* (its type named after the struct behind it); none when closed.
PGconn* Handle(const QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(handle.constData());
}

// The few libpq calls made here beside Qt's driver, taken from the libpq the driver brought along:
// the game does not link libpq itself, so its start loads neither libpq nor the two dozen libraries
// behind it (TLS, Kerberos, LDAP) until a class server is used. A PGconn exists only once the driver,
// and libpq with it, is loaded.
struct LoadedLibPq {
    decltype(&PQsocket) socket = nullptr;
    decltype(&PQconsumeInput) consumeInput = nullptr;
    decltype(&PQnotifies) notifies = nullptr;
    decltype(&PQfreemem) freemem = nullptr;
    decltype(&PQencryptPasswordConn) encryptPassword = nullptr;
};
const LoadedLibPq& LibPq() {
    static const LoadedLibPq calls = [] {
        LoadedLibPq found;
        void* library = dlopen("libpq.so.5", RTLD_NOW | RTLD_NOLOAD);
        if (library == nullptr) {
            qCWarning(lcRecords, "libpq is not loaded beside Qt's PostgreSQL driver: %s", dlerror());
            return found;
        }
        found.socket = reinterpret_cast<decltype(&PQsocket)>(dlsym(library, "PQsocket"));
        found.consumeInput = reinterpret_cast<decltype(&PQconsumeInput)>(dlsym(library, "PQconsumeInput"));
        found.notifies = reinterpret_cast<decltype(&PQnotifies)>(dlsym(library, "PQnotifies"));
        found.freemem = reinterpret_cast<decltype(&PQfreemem)>(dlsym(library, "PQfreemem"));
        found.encryptPassword =
            reinterpret_cast<decltype(&PQencryptPasswordConn)>(dlsym(library, "PQencryptPasswordConn"));
        return found;
    }();
    return calls;
}

QString Quoted(const QString& value) {
    QString quoted = value;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// The attempt lines of a history file as one JSON array.
QByteArray AttemptsJson(const QByteArray& history) {
    QList<QByteArray> lines = history.split('\n');
    lines.removeFirst(); // the game's own line
    lines.removeAll(QByteArray());
    return '[' + lines.join(',') + ']';
}

} // namespace

CClassConnection::CClassConnection(const QString& connection)
    : m_name(QStringLiteral("aviluma-class-") + QUuid::createUuid().toString(QUuid::WithoutBraces)),
      m_connection(connection), m_db(QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name)) {}

CClassConnection::~CClassConnection() {
    {
        std::lock_guard lock(m_socketMutex);
        m_nSocket = -1;
    }
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

bool CClassConnection::Open(QString* why) {
    const auto fail = [why](const QString& reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (!m_db.isValid())
        return fail(Tr(QStringLiteral(
            QT_TRANSLATE_NOOP("Aviluma", "没有安装 Qt 的 PostgreSQL 驱动（libqt6sql6-psql）。"))));
    QString problem;
    const std::optional<std::map<QString, QString>> values = ParseConnection(m_connection, &problem);
    if (!values)
        return fail(problem);
    // Bounded waits, unless the connection says otherwise: a dead server costs seconds, never a hang.
    std::map<QString, QString> options{{QStringLiteral("connect_timeout"), QStringLiteral("5")},
                                       {QStringLiteral("keepalives"), QStringLiteral("1")},
                                       {QStringLiteral("keepalives_idle"), QStringLiteral("10")},
                                       {QStringLiteral("keepalives_interval"), QStringLiteral("5")},
                                       {QStringLiteral("keepalives_count"), QStringLiteral("3")},
                                       {QStringLiteral("options"), QStringLiteral("-c statement_timeout=10000")}};
    for (const auto& [key, value] : *values)
        options[key] = value;
    // The driver turns every ';' of its options into a space, quoted or not: the server, the database,
    // the login and its port go through its own fields, which it quotes whole; another value with a
    // ';' could only be read wrongly.
    const auto field = [&](const char* key, void (QSqlDatabase::*set)(const QString&)) {
        if (const auto found = options.find(QLatin1String(key)); found != options.end()) {
            (m_db.*set)(found->second);
            options.erase(found);
        }
    };
    field("host", &QSqlDatabase::setHostName);
    field("dbname", &QSqlDatabase::setDatabaseName);
    field("user", &QSqlDatabase::setUserName);
    if (const auto port = options.find(QStringLiteral("port")); port != options.end()) {
        bool number = false;
        const int value = port->second.toInt(&number);
        if (number) {
            m_db.setPort(value);
            options.erase(port);
        }
    }
    QStringList connectOptions;
    for (const auto& [key, value] : options) {
        if (value.contains(QLatin1Char(';')))
            return fail(Aviluma::tr("连接设置“%1”里不能有分号（;）。").arg(key));
        connectOptions << key + QLatin1Char('=') + Quoted(value);
    }
    m_db.setConnectOptions(connectOptions.join(QLatin1Char(';')));
    if (!m_db.open())
        return fail(ClassErrorText(ErrorOf(m_db.lastError())));
    if (PGconn* connection = Handle(m_db); connection != nullptr && LibPq().socket != nullptr) {
        std::lock_guard lock(m_socketMutex);
        m_nSocket = LibPq().socket(connection);
    }
    return true;
}

bool CClassConnection::Listen(const QString& channel, QString* why) {
    QSqlQuery query(m_db);
    if (query.exec(QStringLiteral("LISTEN ") + m_db.driver()->escapeIdentifier(channel, QSqlDriver::TableName)))
        return true;
    if (why)
        *why = ClassErrorText(ErrorOf(query.lastError()));
    return false;
}

int CClassConnection::Socket() {
    std::lock_guard lock(m_socketMutex);
    return m_nSocket;
}

bool CClassConnection::TakeNotifications(const QString& channel, QStringList* payloads) {
    PGconn* connection = Handle(m_db);
    if (connection == nullptr) // LibPq() only once a connection, and so libpq, is there
        return false;
    const LoadedLibPq& libpq = LibPq();
    if (libpq.notifies == nullptr || libpq.consumeInput(connection) == 0)
        return false;
    while (PGnotify* notify = libpq.notifies(connection)) {
        if (channel == QLatin1String(notify->relname))
            payloads->append(QString::fromUtf8(notify->extra));
        libpq.freemem(notify);
    }
    return true;
}

void CClassConnection::Abort() {
    std::lock_guard lock(m_socketMutex);
    if (m_nSocket >= 0)
        ::shutdown(m_nSocket, SHUT_RDWR);
}

bool CClassConnection::Init(const QString& coach, QString* why, QStringList* classless, int target) {
    QSqlQuery query(m_db);
    // What the server said, word for word: a coach who reads "permission denied to create role" knows
    // what to look up, where a guess of ours could mislead.
    bool inTransaction = false;
    const auto fail = [&](const QSqlError& error) {
        // Its first line: the server's "ERROR:  …" without the statement quoted after it.
        const QString said = ErrorOf(error).trimmed().section(QLatin1Char('\n'), 0, 0);
        if (inTransaction)
            m_db.rollback();
        if (why) {
            *why = Aviluma::tr("服务器拒绝了：%1").arg(said);
            if (said.contains(QLatin1String("permission denied")) || said.contains(QLatin1String("must be")) ||
                said.contains(QLatin1String("must have")))
                *why += QLatin1Char('\n') +
                        Aviluma::tr("数据库结构和角色要由服务器的管理员建立，例如在服务器上运行：\n"
                                       "  sudo -u postgres aviluma-class init \"dbname=<数据库>\" --coach <教练用户>");
        }
        return false;
    };
    // The server's notices ("already exists, skipping") are no news to a coach running init again.
    if (!query.exec(QStringLiteral("SET client_min_messages = warning")) ||
        !query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version int NOT NULL)")))
        return fail(query.lastError());
    const std::vector<Migration>& migrations = Migrations();
    for (;;) {
        // One administrator at a time: a second init waits for the first, then finds its steps made.
        inTransaction = m_db.transaction();
        if (!inTransaction || !query.exec(QStringLiteral("LOCK TABLE schema_version IN EXCLUSIVE MODE")) ||
            !query.exec(QStringLiteral("SELECT coalesce(max(version), 0) FROM schema_version")) || !query.next())
            return fail(query.lastError());
        const int version = query.value(0).toInt();
        if (version > static_cast<int>(migrations.size())) {
            m_db.rollback();
            if (why)
                *why = Aviluma::tr("数据库的版本（%1）比本程序（%2）新：请更新 Aviluma。")
                           .arg(version)
                           .arg(kClassSchemaVersion);
            return false;
        }
        if (version >= target) {
            if (!m_db.commit())
                return fail(m_db.lastError());
            inTransaction = false;
            break;
        }
        const Migration& next = migrations[static_cast<std::size_t>(version)];
        for (const QString& statement : next.statements)
            if (!query.exec(statement))
                return fail(query.lastError());
        query.prepare(version + 1 >= kFirstVersionWithCompatible
                          ? QStringLiteral("INSERT INTO schema_version (version, compatible) VALUES (?, ?)")
                          : QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"));
        query.addBindValue(version + 1);
        if (version + 1 >= kFirstVersionWithCompatible)
            query.addBindValue(next.compatibleFrom);
        if (!query.exec())
            return fail(query.lastError());
        if (!m_db.commit())
            return fail(m_db.lastError());
        inTransaction = false;
    }
    if (!coach.isEmpty()) {
        // A role's name cannot be a bound parameter: the server quotes it (format's %I) from one.
        query.prepare(QStringLiteral("SELECT format('GRANT aviluma_coach TO %I', ?::text)"));
        query.addBindValue(coach);
        if (!query.exec() || !query.next())
            return fail(query.lastError());
        if (const QString grant = query.value(0).toString(); !query.exec(grant))
            return fail(query.lastError());
    }
    // PC logins without a class see and send nothing: the coach hears which.
    if (classless && target >= kClassSchemaVersion) {
        if (!query.exec(QStringLiteral(
                "SELECT r.rolname FROM pg_roles r WHERE r.rolcanlogin AND NOT r.rolsuper "
                "AND pg_has_role(r.oid, 'aviluma_pc', 'MEMBER') AND NOT pg_has_role(r.oid, 'aviluma_coach', 'MEMBER') "
                "AND NOT EXISTS (SELECT FROM class_logins l WHERE l.login = r.rolname) ORDER BY r.rolname")))
            return fail(query.lastError());
        classless->clear();
        while (query.next())
            *classless << query.value(0).toString();
    }
    return true;
}

bool CClassConnection::InTransaction(const std::function<QString(QSqlQuery&)>& work, QString* why) {
    QSqlQuery query(m_db);
    QString problem;
    if (!m_db.transaction())
        problem = ClassErrorText(ErrorOf(m_db.lastError()));
    else if (problem = work(query); problem.isEmpty() && !m_db.commit())
        problem = ClassErrorText(ErrorOf(m_db.lastError()));
    if (problem.isEmpty())
        return true;
    m_db.rollback();
    if (why)
        *why = problem;
    return false;
}

bool CClassConnection::RemoveGame(const QString& id, const QString& reason, QString* why) {
    if (reason.trimmed().isEmpty()) {
        if (why)
            *why = Aviluma::tr("请写明删除的原因。");
        return false;
    }
    return InTransaction(
        [&](QSqlQuery& query) {
            query.prepare(QStringLiteral("WITH gone AS (DELETE FROM games WHERE id = ?::uuid RETURNING id, "
                                         "to_jsonb(games) AS game) INSERT INTO removed_games (id, game, reason) "
                                         "SELECT id, game, ? FROM gone"));
            query.addBindValue(id);
            query.addBindValue(reason);
            if (!query.exec())
                return ClassErrorText(ErrorOf(query.lastError()));
            return query.numRowsAffected() == 1
                       ? QString()
                       : Aviluma::tr("没有这局成绩：%1").arg(id);
        },
        why);
}

bool CClassConnection::AddClassLogin(const QString& login, const std::optional<QString>& className, QString* why) {
    if (login.trimmed().isEmpty() || (className && className->trimmed().isEmpty())) {
        if (why)
            *why = Aviluma::tr("请写明登录用户和班级。");
        return false;
    }
    return InTransaction(
        [&](QSqlQuery& query) {
            // Its own words when the server refuses: creating a login takes the server's administrator.
            const auto refused = [&] { return Aviluma::tr("服务器拒绝了：%1")
                                                  .arg(ErrorOf(query.lastError()).trimmed()); };
            // A role's name cannot be a bound parameter: the server quotes it (format's %I) from one.
            query.prepare(QStringLiteral(
                "SELECT format(CASE WHEN EXISTS (SELECT FROM pg_roles WHERE rolname = ?::name) "
                "THEN 'GRANT aviluma_pc TO %I' ELSE 'CREATE ROLE %I LOGIN IN ROLE aviluma_pc' END, ?::text)"));
            query.addBindValue(login);
            query.addBindValue(login);
            if (!query.exec() || !query.next())
                return refused();
            if (const QString grant = query.value(0).toString(); !query.exec(grant))
                return refused();
            query.prepare(QStringLiteral("INSERT INTO class_logins (login, class, every_class) VALUES (?, ?, ?) "
                                         "ON CONFLICT (login) DO UPDATE SET class = EXCLUDED.class, "
                                         "every_class = EXCLUDED.every_class"));
            query.addBindValue(login);
            query.addBindValue(className ? QVariant(*className) : QVariant(QMetaType(QMetaType::QString)));
            query.addBindValue(!className);
            return query.exec() ? QString() : refused();
        },
        why);
}

bool CClassConnection::SetPassword(const QString& login, const QString& password, QString* why) {
    PGconn* connection = Handle(m_db);
    const LoadedLibPq& libpq = connection != nullptr ? LibPq() : LoadedLibPq();
    // The server gets the SCRAM verifier made here, never the password itself, which its log could keep.
    char* verifier = libpq.encryptPassword == nullptr
                         ? nullptr
                         : libpq.encryptPassword(connection, password.toUtf8().constData(), login.toUtf8().constData(),
                                                 "scram-sha-256");
    if (verifier == nullptr) {
        if (why)
            *why = Aviluma::tr("无法为 %1 生成密码校验值。").arg(login);
        return false;
    }
    const QString scram = QString::fromLatin1(verifier);
    libpq.freemem(verifier);
    QSqlQuery query(m_db);
    // A role's name cannot be a bound parameter: the server quotes it (format's %I) from one.
    query.prepare(QStringLiteral("SELECT format('ALTER ROLE %I PASSWORD %L', ?::text, ?::text)"));
    query.addBindValue(login);
    query.addBindValue(scram);
    if (query.exec() && query.next())
        if (const QString alter = query.value(0).toString(); query.exec(alter))
            return true;
    if (why)
        *why = Aviluma::tr("服务器拒绝了：%1").arg(ErrorOf(query.lastError()).trimmed());
    return false;
}

bool CClassConnection::Check(QString* why, const QString& className) {
    const auto fail = [why](const QString& reason) {
        if (why)
            *why = reason;
        return false;
    };
    QSqlQuery query(m_db);
    // The newest step and the oldest game that may still send to it (a column since version 3).
    if (!query.exec(QStringLiteral("SELECT to_jsonb(s) FROM schema_version s ORDER BY version DESC LIMIT 1"))) {
        if (ErrorOf(query.lastError()).contains(QLatin1String("does not exist")))
            return fail(Tr(QStringLiteral(
                QT_TRANSLATE_NOOP("Aviluma", "这个数据库还没有为 Aviluma 设置：请教练运行 aviluma-class init。"))));
        return fail(ClassErrorText(ErrorOf(query.lastError())));
    }
    const QJsonObject step =
        query.next() ? QJsonDocument::fromJson(query.value(0).toString().toUtf8()).object() : QJsonObject();
    const int version = step.value(QStringLiteral("version")).toInt();
    const int compatible = step.value(QStringLiteral("compatible")).toInt(version);
    if (version == 0)
        return fail(Tr(QStringLiteral(
            QT_TRANSLATE_NOOP("Aviluma", "这个数据库还没有为 Aviluma 设置：请教练运行 aviluma-class init。"))));
    if (version < kOldestClassSchemaVersion)
        return fail(Tr(QStringLiteral(
                           QT_TRANSLATE_NOOP("Aviluma", "服务器的版本（%1）太旧：请教练运行 aviluma-class init。")))
                        .arg(version));
    if (compatible > kClassSchemaVersion)
        return fail(
            Aviluma::tr("服务器的版本（%1）比本程序新：请更新 Aviluma。")
                .arg(version));
    if (!className.isEmpty()) {
        // A coach's login, or one of every class, sends for any class; a PC's login for its own only.
        if (!query.exec(QStringLiteral("SELECT pg_has_role(session_user, 'aviluma_coach', 'MEMBER') OR "
                                       "aviluma_login_every_class(), aviluma_login_class()")) ||
            !query.next())
            return fail(ClassErrorText(ErrorOf(query.lastError())));
        if (!query.value(0).toBool()) {
            const QString own = query.value(1).toString();
            if (own.isEmpty())
                return fail(Aviluma::tr("这个登录用户还没有班级，不能上传成绩：请教练运行 aviluma-class login 为它指定班级。"));
            if (own != className)
                return fail(Aviluma::tr("这个登录用户只能上传班级“%1”的成绩，本机的班级是“%2”：请检查班级名称。")
                                .arg(own, className));
        }
    }
    m_bChecked = true;
    return true;
}

CClassConnection::Upload CClassConnection::Send(const OutboxGame& queued, QString* why) {
    QSqlQuery query(m_db);
    const auto fail = [&](const QSqlError& error) {
        if (why)
            *why = ClassErrorText(ErrorOf(error));
        // SQLSTATE classes 22 (data exception) and 23 (integrity constraint): this game, never the link.
        const QString state = error.nativeErrorCode();
        return state.startsWith(QLatin1String("22")) || state.startsWith(QLatin1String("23")) ? Upload::Refused
                                                                                                : Upload::Failed;
    };
    if (!m_bChecked && !Check(why))
        return Upload::Failed;
    // The words of the history file itself: mode, kind of play, how it ended.
    const QJsonObject head = QJsonDocument::fromJson(queued.history.left(queued.history.indexOf('\n'))).object();
    const auto text = [&](const char* key) {
        const QJsonValue value = head.value(QLatin1String(key));
        return value.isString() ? QVariant(value.toString()) : QVariant(QMetaType(QMetaType::QString));
    };
    const GameRecord& game = queued.game;
    query.prepare(QStringLiteral(
        "INSERT INTO games (id, class, seat, player, name, mode, level, play, started, ended, game_end, result, "
        "total, attempts) VALUES (?::uuid, ?, ?, ?, ?, ?, ?, ?, ?::timestamptz, ?::timestamptz, ?, ?, ?, "
        "?::jsonb) ON CONFLICT (id) DO NOTHING"));
    query.addBindValue(queued.id);
    // A null QString binds as NULL; these columns hold empty text instead.
    const auto text0 = [](const QString& value) { return value.isNull() ? QStringLiteral("") : value; };
    query.addBindValue(text0(queued.className));
    query.addBindValue(text0(queued.seat));
    query.addBindValue(text0(queued.pcPlayer));
    query.addBindValue(text0(game.player));
    query.addBindValue(text("mode"));
    query.addBindValue(game.level);
    query.addBindValue(text("play"));
    query.addBindValue(game.started.toString(Qt::ISODateWithMs));
    query.addBindValue(game.ended.toString(Qt::ISODateWithMs));
    query.addBindValue(text("end"));
    query.addBindValue(text("result"));
    query.addBindValue(game.total);
    query.addBindValue(QString::fromUtf8(AttemptsJson(queued.history)));
    if (!query.exec())
        return fail(query.lastError());
    return Upload::Sent;
}
