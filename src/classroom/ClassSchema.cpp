#include "classroom/ClassSchema.h"

#include "records/Outbox.h"
#include "records/Records.h"
#include "state/GameTypes.h"

#include <QStringList>

namespace {

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

} // namespace

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
