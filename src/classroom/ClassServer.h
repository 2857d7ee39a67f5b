// The class server: a PostgreSQL database that every PC of a class sends its finished games to, through
// Qt's SQL module and its PostgreSQL driver. The schema is versioned (schema_version, ordered
// migrations); a PC only ever inserts games, each keyed by its UUID, so a game sent twice is there once.
#pragma once

#include "records/Outbox.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <optional>

// The schema this game writes with; a database at a later version still takes its games while the
// later version's oldest compatible version is no later than this.
inline constexpr int kClassSchemaVersion = 4;
// The oldest schema this game sends to (the steps after it serve the board only).
inline constexpr int kOldestClassSchemaVersion = 3;
// Steps from this version on record the oldest compatible version beside their own.
inline constexpr int kFirstVersionWithCompatible = 3;

// A libpq connection string ("host=… dbname=…") or URI ("postgresql://user@host:port/db?sslmode=…")
// as keyword/value pairs; nothing (and why) for text that is neither.
std::optional<std::map<QString, QString>> ParseConnection(const QString& text, QString* why = nullptr);

// An open connection of the calling thread, with bounded waits: connect_timeout, a statement timeout
// and TCP keepalives, so a server that is gone or stopped never holds the caller for long.
class CClassConnection {
public:
    explicit CClassConnection(const QString& connection);
    ~CClassConnection();
    CClassConnection(const CClassConnection&) = delete;
    CClassConnection& operator=(const CClassConnection&) = delete;

    // Opens the connection and checks that the database is set up for this version of the game; on
    // failure, why in plain words.
    bool Open(QString* why);
    // Sent: the game inserted, or the server had it already. Refused: the server will never take this
    // game (a total that does not add up, a value out of range). Failed: try again later.
    enum class Upload { Sent, Refused, Failed };
    Upload Send(const OutboxGame& queued, QString* why);
    // The database is set up for a game of this version and, given className, the login may send that
    // class's games; false and why otherwise.
    bool Check(QString* why, const QString& className = {});
    // A coach's correction: the game taken off the board, kept with the reason in removed_games, in one
    // transaction. False and why (no such game, no coach role).
    bool RemoveGame(const QString& id, const QString& reason, QString* why);
    // Makes login a PC login of one class (created when new): it reads and sends that class's games
    // only; of every class when className is nothing. A login no coach gave a class sees and sends
    // nothing. The server's administrator's connection; false and why.
    bool AddClassLogin(const QString& login, const std::optional<QString>& className, QString* why);
    // Creates or updates the schema and the two roles, one step (one transaction) at a time up to
    // target, and lets coach (a login, when given) read and correct every class's games. The
    // server's administrator's connection; harmless when run again. classless, when given, receives
    // the PC logins that have no class yet. On failure, why holds the server's own words.
    bool Init(const QString& coach, QString* why, QStringList* classless = nullptr, int target = kClassSchemaVersion);
    // Asks the server to tell of every notification on channel (NOTIFY); false and why on failure.
    bool Listen(const QString& channel, QString* why);
    // The connection's socket, readable when the server has told something; -1 when not open.
    int Socket();
    // Reads what the server has sent and adds the payloads of its notifications on channel, oldest
    // first; false when the connection is lost. Never waits.
    bool TakeNotifications(const QString& channel, QStringList* payloads);
    QSqlDatabase& Database() { return m_db; }
    // From any thread: cuts off a call under way on this connection (its socket shut down), so the
    // thread that made it gets a failure at once instead of waiting on a server that does not answer.
    void Abort();

private:
    // Runs work in one transaction: committed when work says nothing (an empty text), rolled back
    // otherwise; false and why on any failure.
    bool InTransaction(const std::function<QString(QSqlQuery&)>& work, QString* why);

    QString m_name;
    std::mutex m_socketMutex; // the socket stays open while Abort() shuts it down
    int m_nSocket = -1;
    QString m_connection;
    QSqlDatabase m_db;
    bool m_bChecked = false; // the schema's version, once per connection
};

// Cuts off a call on a connection that outlives a limit, for as long as it lives: a server that takes a
// connection but never answers (stopped, swapping, a half-open link) is caught neither by the server's
// statement_timeout nor by TCP keepalives.
class CCallLimit {
public:
    CCallLimit(CClassConnection& connection, std::chrono::milliseconds limit);
    ~CCallLimit();
    CCallLimit(const CCallLimit&) = delete;
    CCallLimit& operator=(const CCallLimit&) = delete;
    // Whether the call was cut off, and what to tell.
    bool CutOff() const;
    QString Why() const;

private:
    const std::chrono::milliseconds m_limit;
    mutable std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_bDone = false;
    bool m_bCutOff = false;
    std::thread m_thread;
};

// Puts host:port:database:user:password into the .pgpass file at path (made 0600), replacing an entry
// for the same server, database and user. False and why on failure.
bool StorePassword(const QString& path, const QString& connection, const QString& password, QString* why);

// A driver or server error in words a coach can act on.
QString ClassErrorText(const QString& error);
