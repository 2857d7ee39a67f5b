#include "classroom/ClassServer.h"

#include "platform/FileIo.h"
#include "platform/Translation.h"
#include "records/Records.h"
#include "state/GameTypes.h"
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
        return found;
    }();
    return calls;
}

// One step of the schema: its statements, run one by one in a transaction of their own (a statement
// that fails stops the step with the server's own words), and the oldest schema version a game may
// still send with once the step is made (an additive step lets PCs of the previous release go on).
struct Migration {
    int compatibleFrom;
    std::vector<QString> statements;
};

// The rules of a game as the PCs play it, for the server to hold every game sent to: the points an
// attempt can score at each difficulty and its budget, the longest text of each kind.
QString GameRules(QString sql) {
    QStringList most, budgets;
    for (const DifficultyRow& row : kDifficultyTable) {
        most << QString::number(row.MostPoints());
        budgets << QString::number(row.budgetMs);
    }
    return sql.replace(QLatin1String("{MOST}"), most.join(QLatin1Char(',')))
        .replace(QLatin1String("{BUDGETS}"), budgets.join(QLatin1Char(',')))
        .replace(QLatin1String("{PASS}"), QString::number(kPassPoints))
        .replace(QLatin1String("{CLASS}"), QString::number(kMaxClassLength))
        .replace(QLatin1String("{SEAT}"), QString::number(kMaxSeatLength))
        .replace(QLatin1String("{NAME}"), QString::number(kMaxNameLength))
        .replace(QLatin1String("{ATTEMPTS}"), QString::number(kMaxGameAttempts));
}

const std::vector<Migration>& Migrations() {
    static const std::vector<Migration> migrations{
        // 1: games, the coach's removals, the checks, the board's notification, the two roles.
        {1,
         {QStringLiteral(R"sql(
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
))sql"),
          QStringLiteral("CREATE INDEX games_class_started ON games (class, started DESC)"),
          QStringLiteral("CREATE INDEX games_class_mode_level ON games (class, mode, level, total DESC)"),
          QStringLiteral("CREATE INDEX games_class_received ON games (class, received DESC)"),
          QStringLiteral(R"sql(
CREATE TABLE removed_games (
    game jsonb NOT NULL,
    reason text NOT NULL,
    removed_by text NOT NULL DEFAULT current_user,
    removed_at timestamptz NOT NULL DEFAULT now()
))sql"),
          // A total must be what its attempts' points add up to (the game truncates the sum).
          QStringLiteral(R"sql(
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
END $$)sql"),
          QStringLiteral("CREATE TRIGGER games_check_total BEFORE INSERT OR UPDATE ON games "
                         "FOR EACH ROW EXECUTE FUNCTION aviluma_check_total()"),
          QStringLiteral(R"sql(
CREATE FUNCTION aviluma_notify_game() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    PERFORM pg_notify('aviluma_games', NEW.class);
    RETURN NEW;
END $$)sql"),
          QStringLiteral(
              "CREATE TRIGGER games_notify AFTER INSERT ON games FOR EACH ROW EXECUTE FUNCTION aviluma_notify_game()"),
          QStringLiteral(R"sql(
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'aviluma_pc') THEN
        CREATE ROLE aviluma_pc NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'aviluma_coach') THEN
        CREATE ROLE aviluma_coach NOLOGIN;
    END IF;
END $$)sql"),
          QStringLiteral("GRANT USAGE ON SCHEMA public TO aviluma_pc, aviluma_coach"),
          QStringLiteral("GRANT SELECT, INSERT ON games TO aviluma_pc"),
          QStringLiteral("GRANT SELECT ON schema_version TO aviluma_pc, aviluma_coach"),
          QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON games TO aviluma_coach"),
          QStringLiteral("GRANT SELECT, INSERT ON removed_games TO aviluma_coach")}},
        // 2: logins of one class (row-level security by class); a removed game stays removed.
        {2,
         {QStringLiteral("CREATE TABLE class_logins (login name PRIMARY KEY, class text NOT NULL)"),
          QStringLiteral("GRANT SELECT ON class_logins TO aviluma_pc, aviluma_coach"),
          QStringLiteral("ALTER TABLE games ENABLE ROW LEVEL SECURITY"),
          QStringLiteral(R"sql(
CREATE POLICY games_of_the_class ON games TO aviluma_pc
    USING (NOT EXISTS (SELECT FROM class_logins WHERE login = current_user)
           OR class IN (SELECT l.class FROM class_logins l WHERE l.login = current_user))
    WITH CHECK (NOT EXISTS (SELECT FROM class_logins WHERE login = current_user)
                OR class IN (SELECT l.class FROM class_logins l WHERE l.login = current_user)))sql"),
          QStringLiteral("CREATE POLICY games_of_every_class ON games TO aviluma_coach USING (true) WITH CHECK (true)"),
          QStringLiteral("ALTER TABLE removed_games ADD COLUMN id uuid"),
          QStringLiteral("UPDATE removed_games SET id = (game->>'id')::uuid"),
          QStringLiteral("CREATE INDEX removed_games_id ON removed_games (id)"),
          // A game a coach removed is not brought back by a PC that sends it again: the insert is skipped.
          QStringLiteral(R"sql(
CREATE FUNCTION aviluma_skip_removed() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = public, pg_temp AS $$
BEGIN
    IF EXISTS (SELECT FROM removed_games WHERE id = NEW.id) THEN
        RETURN NULL;
    END IF;
    RETURN NEW;
END $$)sql"),
          QStringLiteral("CREATE TRIGGER games_skip_removed BEFORE INSERT ON games FOR EACH ROW EXECUTE FUNCTION "
                         "aviluma_skip_removed()")}},
        // 3: a class login is the login of the session (session_user, which SET ROLE leaves alone), and
        // a login sees and sends nothing until a coach gives it a class, or every class explicitly;
        // who has which class is the administrator's to read. The server stamps when it received a
        // game and takes only games that the game's rules can produce.
        {3,
         {QStringLiteral("ALTER TABLE schema_version ADD COLUMN compatible int"),
          QStringLiteral("UPDATE schema_version SET compatible = version"),
          QStringLiteral("ALTER TABLE class_logins ALTER COLUMN class DROP NOT NULL"),
          QStringLiteral("ALTER TABLE class_logins ADD COLUMN every_class boolean NOT NULL DEFAULT false"),
          QStringLiteral("ALTER TABLE class_logins ADD CONSTRAINT class_logins_one_class_or_every "
                         "CHECK (every_class = (class IS NULL))"),
          QStringLiteral("REVOKE ALL ON class_logins FROM aviluma_pc"),
          QStringLiteral(R"sql(
CREATE FUNCTION aviluma_login_class() RETURNS text LANGUAGE sql STABLE SECURITY DEFINER
    SET search_path = public, pg_temp AS $$
    SELECT class FROM class_logins WHERE login = session_user
$$)sql"),
          QStringLiteral(R"sql(
CREATE FUNCTION aviluma_login_every_class() RETURNS boolean LANGUAGE sql STABLE SECURITY DEFINER
    SET search_path = public, pg_temp AS $$
    SELECT coalesce((SELECT every_class FROM class_logins WHERE login = session_user), false)
$$)sql"),
          QStringLiteral("REVOKE ALL ON FUNCTION aviluma_login_class(), aviluma_login_every_class() FROM PUBLIC"),
          QStringLiteral("GRANT EXECUTE ON FUNCTION aviluma_login_class(), aviluma_login_every_class() "
                         "TO aviluma_pc, aviluma_coach"),
          QStringLiteral("DROP POLICY games_of_the_class ON games"),
          // Each function once per statement (an init plan), so the class index serves the board.
          QStringLiteral(R"sql(
CREATE POLICY games_of_the_login ON games TO aviluma_pc
    USING ((SELECT aviluma_login_every_class()) OR class = (SELECT aviluma_login_class()))
    WITH CHECK ((SELECT aviluma_login_every_class()) OR class = (SELECT aviluma_login_class())))sql"),
          QStringLiteral("REVOKE INSERT ON games FROM aviluma_pc"),
          QStringLiteral("GRANT INSERT (id, class, seat, player, name, mode, level, play, started, ended, game_end, "
                         "result, total, attempts) ON games TO aviluma_pc"),
          QStringLiteral("UPDATE games SET received = now() WHERE received > now()"),
          // What the game strips from a name before it keeps it: control characters, line and
          // paragraph separators, bidirectional embeddings, overrides and isolates.
          QStringLiteral(R"sql(
CREATE FUNCTION aviluma_clean_text(value text) RETURNS text LANGUAGE sql IMMUTABLE AS $$
    SELECT regexp_replace(value, '[\x01-\x1f\x7f-\x9f\u2028\u2029\u202a-\u202e\u2066-\u2069]', '', 'g')
$$)sql"),
          GameRules(QStringLiteral(R"sql(
CREATE FUNCTION aviluma_check_game() RETURNS trigger LANGUAGE plpgsql SET search_path = public, pg_temp AS $$
DECLARE
    most constant double precision[] := ARRAY[{MOST}];
    budgets constant int[] := ARRAY[{BUDGETS}];
    attempts int := jsonb_array_length(NEW.attempts);
    most_attempts int;
    i int := 0;
    a jsonb;
    difficulty int;
    points double precision;
    last_points double precision := 0;
    points_sum double precision := 0;
BEGIN
    NEW.class := aviluma_clean_text(NEW.class);
    NEW.seat := aviluma_clean_text(NEW.seat);
    NEW.player := aviluma_clean_text(NEW.player);
    NEW.name := aviluma_clean_text(NEW.name);
    IF NEW.mode NOT IN ('level', 'wild', 'endless') THEN
        RAISE EXCEPTION 'a game is a level, wild or endless game, not "%"', NEW.mode USING ERRCODE = 'check_violation';
    END IF;
    IF NEW.class = '' OR char_length(NEW.class) > {CLASS} THEN
        RAISE EXCEPTION 'a class name has 1 to {CLASS} characters' USING ERRCODE = 'check_violation';
    END IF;
    IF char_length(NEW.seat) > {SEAT} THEN
        RAISE EXCEPTION 'a seat has at most {SEAT} characters' USING ERRCODE = 'check_violation';
    END IF;
    IF char_length(NEW.player) > {NAME} OR char_length(NEW.name) > {NAME} THEN
        RAISE EXCEPTION 'a name has at most {NAME} characters' USING ERRCODE = 'check_violation';
    END IF;
    IF NEW.mode = 'level' AND (NEW.level NOT BETWEEN 1 AND 10 OR NEW.play IS NOT NULL) THEN
        RAISE EXCEPTION 'a level game is played at one of levels 1 to 10, neither practice nor competition'
            USING ERRCODE = 'check_violation';
    END IF;
    IF NEW.mode <> 'level' AND (NEW.level <> 0 OR NEW.play IS NULL OR NEW.play NOT IN ('practice', 'competition')) THEN
        RAISE EXCEPTION 'a % game is practice or competition, at level 0', NEW.mode USING ERRCODE = 'check_violation';
    END IF;
    IF NEW.game_end NOT IN ('finished', 'closed', 'link-lost') THEN
        RAISE EXCEPTION 'a game ends finished, closed or link-lost, not "%"', NEW.game_end
            USING ERRCODE = 'check_violation';
    END IF;
    IF (NEW.mode = 'level' AND NEW.game_end = 'finished') <> (NEW.result IS NOT NULL)
       OR NEW.result NOT IN ('passed', 'failed') THEN
        RAISE EXCEPTION 'only a finished level game has a result, passed or failed'
            USING ERRCODE = 'check_violation';
    END IF;
    IF NEW.started > NEW.ended THEN
        RAISE EXCEPTION 'a game ends after it starts (% to %)', NEW.started, NEW.ended USING ERRCODE = 'check_violation';
    END IF;
    IF NEW.ended > now() + interval '5 minutes' THEN
        RAISE EXCEPTION 'the game ended at %, ahead of the server''s clock (%): check the PC''s clock',
            NEW.ended, now() USING ERRCODE = 'check_violation';
    END IF;
    IF NEW.total < 0 THEN
        RAISE EXCEPTION 'a total of % points' , NEW.total USING ERRCODE = 'check_violation';
    END IF;
    most_attempts := CASE NEW.mode WHEN 'level' THEN 3 WHEN 'wild' THEN 30 ELSE {ATTEMPTS} END;
    IF attempts > most_attempts OR (attempts = 0 AND NEW.game_end = 'finished') THEN
        RAISE EXCEPTION 'a % game that ended % has no room for % attempts', NEW.mode, NEW.game_end, attempts
            USING ERRCODE = 'check_violation';
    END IF;
    FOR a IN SELECT value FROM jsonb_array_elements(NEW.attempts) LOOP
        i := i + 1;
        IF jsonb_typeof(a) IS DISTINCT FROM 'object' OR (a->>'attempt') IS DISTINCT FROM i::text
           OR coalesce(a->>'difficulty', '') !~ '^([1-9]|10)$' OR jsonb_typeof(a->'points') IS DISTINCT FROM 'number' THEN
            RAISE EXCEPTION 'attempt % is not numbered %, or lacks its difficulty (1 to 10) or its points', i, i
                USING ERRCODE = 'check_violation';
        END IF;
        difficulty := (a->>'difficulty')::int;
        IF (NEW.mode = 'level' AND difficulty <> NEW.level) OR (NEW.mode = 'wild' AND difficulty <> (i - 1) / 3 + 1) THEN
            RAISE EXCEPTION 'attempt % of a % game is not played at difficulty %', i, NEW.mode, difficulty
                USING ERRCODE = 'check_violation';
        END IF;
        IF (a->>'budget_ms') IS DISTINCT FROM budgets[difficulty]::text THEN
            RAISE EXCEPTION 'an attempt at difficulty % has % ms, not %', difficulty, budgets[difficulty], a->>'budget_ms'
                USING ERRCODE = 'check_violation';
        END IF;
        IF (a->'samples') IS NOT NULL AND (jsonb_typeof(a->'samples') IS DISTINCT FROM 'array'
                              OR jsonb_array_length(a->'samples') > budgets[difficulty] / 100) THEN
            RAISE EXCEPTION 'attempt % holds more samples than its % ms allow', i, budgets[difficulty]
                USING ERRCODE = 'check_violation';
        END IF;
        points := (a->>'points')::double precision;
        IF points < 0 OR points > most[difficulty] + 0.001 THEN
            RAISE EXCEPTION 'an attempt at difficulty % scores 0 to % points, not %', difficulty, most[difficulty], points
                USING ERRCODE = 'check_violation';
        END IF;
        IF i < attempts AND points < {PASS} THEN
            RAISE EXCEPTION 'attempt % failed, yet the game went on', i USING ERRCODE = 'check_violation';
        END IF;
        points_sum := points_sum + points;
        last_points := points;
    END LOOP;
    IF NEW.total > points_sum + 0.01 OR NEW.total < points_sum - 1.01 THEN
        RAISE EXCEPTION 'total % does not match the attempts (%)', NEW.total, points_sum
            USING ERRCODE = 'check_violation';
    END IF;
    IF NEW.game_end = 'finished' AND (
           (NEW.mode = 'level' AND (NEW.result = 'passed') <> (attempts = 3 AND last_points >= {PASS}))
        OR (NEW.mode = 'wild' AND attempts < 30 AND last_points >= {PASS})
        OR (NEW.mode = 'endless' AND last_points >= {PASS})) THEN
        RAISE EXCEPTION 'a finished % game does not end after attempt % with % points', NEW.mode, attempts, last_points
            USING ERRCODE = 'check_violation';
    END IF;
    RETURN NEW;
END $$)sql")),
          QStringLiteral("DROP TRIGGER games_check_total ON games"),
          QStringLiteral("DROP FUNCTION aviluma_check_total()"),
          // After games_skip_removed (triggers fire in the order of their names): a removed game sent
          // again is skipped, whatever its rows say.
          QStringLiteral("CREATE TRIGGER games_validate BEFORE INSERT OR UPDATE ON games FOR EACH ROW EXECUTE "
                         "FUNCTION aviluma_check_game()")}},
        // 4: the board's seats of the last minutes from an index, one probe a seat, however many games
        // a room has just sent. Games of version 3 still go.
        {3, {QStringLiteral("CREATE INDEX games_class_seat_received ON games (class, seat, received DESC)")}},
    };
    return migrations;
}

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

QString ClassErrorText(const QString& error) {
    const auto has = [&](const char* text) { return error.contains(QLatin1String(text), Qt::CaseInsensitive); };
    if (has("password authentication failed") || has("no password supplied"))
        return Tr(QStringLiteral(
            QT_TRANSLATE_NOOP("Aviluma", "用户名或密码不对（密码放在 ~/.pgpass 或 PGPASSWORD 里）。")));
    if (has("database") && has("does not exist"))
        return Aviluma::tr("服务器上没有这个数据库。");
    if (has("role") && has("does not exist"))
        return Aviluma::tr("服务器上没有这个用户。");
    if (has("could not connect") || has("connection refused") || has("timeout expired") ||
        has("could not translate host name") || has("no route to host") || has("is the server running"))
        return Aviluma::tr("连不上服务器：请检查地址、端口和网络。");
    if (has("too many connections") || has("connection slots are reserved"))
        return Aviluma::tr("服务器的连接数已满：成绩留在本机，稍后自动重试。");
    if (has("row-level security"))
        return Tr(
            QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "这个用户只能上传自己班级的成绩：请检查班级名称。")));
    if (has("permission denied"))
        return Aviluma::tr("这个用户没有权限：上传成绩需要 aviluma_pc 角色，删除成绩需要 aviluma_coach 角色。");
    if (has("server closed the connection") || has("connection to server was lost"))
        return Aviluma::tr("服务器断开了连接。");
    if (has("statement timeout") || has("canceling statement"))
        return Aviluma::tr("服务器没有及时回应。");
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
    const LoadedLibPq& libpq = LibPq();
    if (connection == nullptr || libpq.notifies == nullptr || libpq.consumeInput(connection) == 0)
        return false;
    while (PGnotify* notify = libpq.notifies(connection)) {
        if (channel == QLatin1String(notify->relname))
            payloads->append(QString::fromUtf8(notify->extra));
        libpq.freemem(notify);
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
    return Aviluma::tr("服务器 %1 秒没有回应。")
        .arg(std::chrono::duration_cast<std::chrono::seconds>(m_limit).count());
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
