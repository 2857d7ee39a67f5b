// The class server: a PostgreSQL database that every PC of a class sends its finished games to, through
// Qt's SQL module and its PostgreSQL driver. The schema is versioned (schema_version, ordered
// migrations); a PC only ever inserts games, each keyed by its UUID, so a game sent twice is there once.
#pragma once

#include "classroom/ClassSchema.h"
#include "records/Outbox.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <optional>

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
    // Gives login the password: as a SCRAM verifier made on this side, so the password itself never
    // travels or reaches the server's log. The server's administrator's connection; false and why.
    bool SetPassword(const QString& login, const QString& password, QString* why);
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
