#include "classroom/ClassServer.h"

#include "platform/FileIo.h"
#include "platform/Translation.h"
#include "state/Log.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>

#include <libpq-fe.h>
#include <sys/socket.h>

#include <cstring>
#include <functional>

namespace {

// The schema, one migration per version, applied in order inside one transaction each.
const char* const kMigrations[] = {
    // 1: games, the coach's removals, the checks, the board's notification, the two roles.
    R"sql(
CREATE TABLE games (
    id uuid PRIMARY KEY,
    class text NOT NULL,
    seat text NOT NULL DEFAULT '',
    player text NOT NULL DEFAULT '',
    name text NOT NULL DEFAULT '',
    mode text NOT NULL CHECK (mode IN ('level', 'wild', 'endless')),
    level int NOT NULL CHECK (level BETWEEN 0 AND 10),
    play text,
    started timestamptz NOT NULL,
    ended timestamptz NOT NULL,
    game_end text NOT NULL,
    result text,
    total int NOT NULL,
    attempts jsonb NOT NULL CHECK (jsonb_typeof(attempts) = 'array'),
    received timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX games_class_started ON games (class, started DESC);
CREATE INDEX games_class_mode_level ON games (class, mode, level, total DESC);
CREATE INDEX games_class_received ON games (class, received DESC);
CREATE TABLE removed_games (
    game jsonb NOT NULL,
    reason text NOT NULL,
    removed_by text NOT NULL DEFAULT current_user,
    removed_at timestamptz NOT NULL DEFAULT now()
);
-- A total must be what its attempts' points add up to (the game truncates the sum).
CREATE FUNCTION aviluma_check_total() RETURNS trigger LANGUAGE plpgsql AS $$
DECLARE
    points double precision;
BEGIN
    SELECT coalesce(sum((a->>'points')::double precision), 0) INTO points
        FROM jsonb_array_elements(NEW.attempts) AS a;
    IF abs(NEW.total - points) > 1 THEN
        RAISE EXCEPTION 'total % does not match the attempts (%)', NEW.total, points
            USING ERRCODE = 'check_violation';
    END IF;
    RETURN NEW;
END $$;
CREATE TRIGGER games_check_total BEFORE INSERT OR UPDATE ON games
    FOR EACH ROW EXECUTE FUNCTION aviluma_check_total();
CREATE FUNCTION aviluma_notify_game() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    PERFORM pg_notify('aviluma_games', NEW.class);
    RETURN NEW;
END $$;
CREATE TRIGGER games_notify AFTER INSERT ON games FOR EACH ROW EXECUTE FUNCTION aviluma_notify_game();
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'aviluma_pc') THEN
        CREATE ROLE aviluma_pc NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'aviluma_coach') THEN
        CREATE ROLE aviluma_coach NOLOGIN;
    END IF;
END $$;
GRANT USAGE ON SCHEMA public TO aviluma_pc, aviluma_coach;
GRANT SELECT, INSERT ON games TO aviluma_pc;
GRANT SELECT ON schema_version TO aviluma_pc, aviluma_coach;
GRANT SELECT, INSERT, UPDATE, DELETE ON games TO aviluma_coach;
GRANT SELECT, INSERT ON removed_games TO aviluma_coach;
)sql",
    // 2: logins of one class (row-level security by class); a removed game stays removed.
    R"sql(
CREATE TABLE class_logins (
    login name PRIMARY KEY,
    class text NOT NULL
);
GRANT SELECT ON class_logins TO aviluma_pc, aviluma_coach;
ALTER TABLE games ENABLE ROW LEVEL SECURITY;
-- A login named in class_logins reads and adds the games of its class only; any other PC login, all.
CREATE POLICY games_of_the_class ON games TO aviluma_pc
    USING (NOT EXISTS (SELECT FROM class_logins WHERE login = current_user)
           OR class IN (SELECT l.class FROM class_logins l WHERE l.login = current_user))
    WITH CHECK (NOT EXISTS (SELECT FROM class_logins WHERE login = current_user)
                OR class IN (SELECT l.class FROM class_logins l WHERE l.login = current_user));
CREATE POLICY games_of_every_class ON games TO aviluma_coach USING (true) WITH CHECK (true);
ALTER TABLE removed_games ADD COLUMN id uuid;
UPDATE removed_games SET id = (game->>'id')::uuid;
CREATE INDEX removed_games_id ON removed_games (id);
-- A game a coach removed is not brought back by a PC that sends it again: the insert is skipped.
CREATE FUNCTION aviluma_skip_removed() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = public, pg_temp AS $$
BEGIN
    IF EXISTS (SELECT FROM removed_games WHERE id = NEW.id) THEN
        RETURN NULL;
    END IF;
    RETURN NEW;
END $$;
CREATE TRIGGER games_skip_removed BEFORE INSERT ON games FOR EACH ROW EXECUTE FUNCTION aviluma_skip_removed();
)sql",
};

QString Quoted(const QString& value) {
    QString quoted = value;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString ErrorOf(const QSqlError& error) {
    return error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
}

// The attempt lines of a history file as one JSON array.
QByteArray AttemptsJson(const QByteArray& history) {
    QList<QByteArray> lines = history.split('\n');
    lines.removeFirst(); // the game's own line
    lines.removeAll(QByteArray());
    return '[' + lines.join(',') + ']';
}

} // namespace

std::optional<std::map<QString, QString>> ParseConnection(const QString& text, QString* why) {
    std::map<QString, QString> values;
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1String("postgresql://")) || trimmed.startsWith(QLatin1String("postgres://"))) {
        const QUrl url(trimmed);
        if (!url.isValid()) {
            if (why)
                *why = Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "连接地址无法识别：%1")))
                           .arg(url.errorString());
            return std::nullopt;
        }
        if (!url.host().isEmpty())
            values[QStringLiteral("host")] = url.host();
        if (url.port() > 0)
            values[QStringLiteral("port")] = QString::number(url.port());
        if (!url.userName().isEmpty())
            values[QStringLiteral("user")] = url.userName();
        if (!url.password().isEmpty()) {
            if (why)
                *why = Tr(QStringLiteral(
                    QT_TRANSLATE_NOOP("Aviluma", "连接地址里不能写密码：请用 ~/.pgpass 或 PGPASSWORD。")));
            return std::nullopt;
        }
        const QString database = url.path().mid(1);
        if (!database.isEmpty())
            values[QStringLiteral("dbname")] = database;
        for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
            values[key] = value;
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
        if (equals < 0) {
            if (why)
                *why = Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "连接字符串无法识别：缺少“=”。")));
            return std::nullopt;
        }
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
        if (key.isEmpty() || key == QLatin1String("password")) {
            if (why)
                *why = key.isEmpty()
                           ? Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "连接字符串无法识别。")))
                           : Tr(QStringLiteral(QT_TRANSLATE_NOOP(
                                 "Aviluma", "连接字符串里不能写密码：请用 ~/.pgpass 或 PGPASSWORD。")));
            return std::nullopt;
        }
        values[key] = value;
    }
    return values;
}

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
        *why = Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "无法写入 %1：%2")))
                   .arg(path, QString::fromLocal8Bit(std::strerror(error)));
    return false;
}

QString ClassErrorText(const QString& error) {
    const auto has = [&](const char* text) { return error.contains(QLatin1String(text), Qt::CaseInsensitive); };
    if (has("password authentication failed") || has("no password supplied"))
        return Tr(QStringLiteral(
            QT_TRANSLATE_NOOP("Aviluma", "用户名或密码不对（密码放在 ~/.pgpass 或 PGPASSWORD 里）。")));
    if (has("database") && has("does not exist"))
        return Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "服务器上没有这个数据库。")));
    if (has("role") && has("does not exist"))
        return Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "服务器上没有这个用户。")));
    if (has("could not connect") || has("connection refused") || has("timeout expired") ||
        has("could not translate host name") || has("no route to host") || has("is the server running"))
        return Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "连不上服务器：请检查地址、端口和网络。")));
    if (has("row-level security"))
        return Tr(
            QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "这个用户只能上传自己班级的成绩：请检查班级名称。")));
    if (has("permission denied"))
        return Tr(QStringLiteral(QT_TRANSLATE_NOOP(
            "Aviluma", "这个用户没有权限：上传成绩需要 aviluma_pc 角色，删除成绩需要 aviluma_coach 角色。")));
    if (has("server closed the connection") || has("connection to server was lost"))
        return Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "服务器断开了连接。")));
    if (has("statement timeout") || has("canceling statement"))
        return Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "服务器没有及时回应。")));
    return error.trimmed();
}

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
    QStringList connectOptions;
    for (const auto& [key, value] : options)
        connectOptions << key + QLatin1Char('=') + Quoted(value);
    m_db.setConnectOptions(connectOptions.join(QLatin1Char(';')));
    if (!m_db.open())
        return fail(ClassErrorText(ErrorOf(m_db.lastError())));
    // The driver's handle is libpq's PGconn* (its type named after the struct behind it).
    if (const QVariant handle = m_db.driver()->handle();
        handle.isValid() && (qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0)) {
        std::lock_guard lock(m_socketMutex);
        m_nSocket = PQsocket(*static_cast<PGconn* const*>(handle.constData()));
    }
    return true;
}

CCallLimit::CCallLimit(CClassConnection& connection, std::chrono::milliseconds limit)
    : m_limit(limit), m_thread([this, &connection] {
          std::unique_lock lock(m_mutex);
          if (!m_done.wait_for(lock, m_limit, [this] { return m_bDone; })) {
              qCWarning(lcRecords, "the class server has not answered for %lld ms: the call is cut off",
                        static_cast<long long>(m_limit.count()));
              m_bCutOff = true;
              connection.Abort();
          }
      }) {}

CCallLimit::~CCallLimit() {
    {
        std::lock_guard lock(m_mutex);
        m_bDone = true;
    }
    m_done.notify_all();
    m_thread.join();
}

bool CCallLimit::CutOff() const {
    std::lock_guard lock(m_mutex);
    return m_bCutOff;
}

QString CCallLimit::Why() const {
    return Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "服务器 %1 秒没有回应。")))
        .arg(std::chrono::duration_cast<std::chrono::seconds>(m_limit).count());
}

void CClassConnection::Abort() {
    std::lock_guard lock(m_socketMutex);
    if (m_nSocket >= 0)
        ::shutdown(m_nSocket, SHUT_RDWR);
}

bool CClassConnection::Init(QString* why) {
    QSqlQuery query(m_db);
    const auto fail = [&](const QSqlError& error) {
        if (why)
            *why = ClassErrorText(ErrorOf(error));
        m_db.rollback();
        return false;
    };
    // The server's notices ("already exists, skipping") are no news to a coach running init again.
    if (!query.exec(QStringLiteral("SET client_min_messages = warning")) ||
        !query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version int NOT NULL)")))
        return fail(query.lastError());
    // One administrator at a time: a second init waits for the first.
    if (!m_db.transaction() || !query.exec(QStringLiteral("LOCK TABLE schema_version IN EXCLUSIVE MODE")) ||
        !query.exec(QStringLiteral("SELECT coalesce(max(version), 0) FROM schema_version")) || !query.next())
        return fail(query.lastError());
    const int version = query.value(0).toInt();
    if (version > kClassSchemaVersion) {
        m_db.rollback();
        if (why)
            *why = Tr(QStringLiteral(QT_TRANSLATE_NOOP(
                          "Aviluma", "数据库的版本（%1）比本程序（%2）新：请更新 Aviluma。")))
                       .arg(version)
                       .arg(kClassSchemaVersion);
        return false;
    }
    for (int next = version + 1; next <= kClassSchemaVersion; ++next) {
        if (!query.exec(QString::fromUtf8(kMigrations[next - 1])))
            return fail(query.lastError());
        query.prepare(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"));
        query.addBindValue(next);
        if (!query.exec())
            return fail(query.lastError());
    }
    if (!m_db.commit())
        return fail(m_db.lastError());
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
            *why = Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "请写明删除的原因。")));
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
                       : Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "没有这局成绩：%1"))).arg(id);
        },
        why);
}

bool CClassConnection::AddClassLogin(const QString& login, const QString& className, QString* why) {
    if (login.trimmed().isEmpty() || className.trimmed().isEmpty()) {
        if (why)
            *why = Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "请写明登录用户和班级。")));
        return false;
    }
    return InTransaction(
        [&](QSqlQuery& query) {
            // A role's name cannot be a bound parameter: the server quotes it (format's %I) from one.
            query.prepare(QStringLiteral(
                "SELECT format(CASE WHEN EXISTS (SELECT FROM pg_roles WHERE rolname = ?::name) "
                "THEN 'GRANT aviluma_pc TO %I' ELSE 'CREATE ROLE %I LOGIN IN ROLE aviluma_pc' END, ?::text)"));
            query.addBindValue(login);
            query.addBindValue(login);
            if (!query.exec() || !query.next())
                return ClassErrorText(ErrorOf(query.lastError()));
            if (const QString grant = query.value(0).toString(); !query.exec(grant))
                return ClassErrorText(ErrorOf(query.lastError()));
            query.prepare(QStringLiteral("INSERT INTO class_logins (login, class) VALUES (?, ?) "
                                         "ON CONFLICT (login) DO UPDATE SET class = EXCLUDED.class"));
            query.addBindValue(login);
            query.addBindValue(className);
            return query.exec() ? QString() : ClassErrorText(ErrorOf(query.lastError()));
        },
        why);
}

bool CClassConnection::Check(QString* why) {
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT coalesce(max(version), 0) FROM schema_version")) || !query.next()) {
        if (ErrorOf(query.lastError()).contains(QLatin1String("does not exist"))) {
            if (why)
                *why = Tr(QStringLiteral(QT_TRANSLATE_NOOP(
                    "Aviluma", "这个数据库还没有为 Aviluma 设置：请教练运行 aviluma-class init。")));
            return false;
        }
        if (why)
            *why = ClassErrorText(ErrorOf(query.lastError()));
        return false;
    }
    if (const int version = query.value(0).toInt(); version != kClassSchemaVersion) {
        if (why)
            *why = version > kClassSchemaVersion
                       ? Tr(QStringLiteral(QT_TRANSLATE_NOOP(
                                "Aviluma", "服务器的版本（%1）比本程序新：请更新 Aviluma。")))
                             .arg(version)
                       : Tr(QStringLiteral(QT_TRANSLATE_NOOP(
                                "Aviluma", "服务器的版本（%1）太旧：请教练运行 aviluma-class init。")))
                             .arg(version);
        return false;
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
