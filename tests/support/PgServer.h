// A real PostgreSQL server for the tests: a fresh cluster in a temporary folder (initdb, pg_ctl from
// Debian's /usr/lib/postgresql/15/bin), on 127.0.0.1 at a free port, with trust authentication for
// local connections. The server refuses to run as root: run as root, it runs as nobody.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <optional>

class CPgServer {
public:
    CPgServer();
    ~CPgServer();
    CPgServer(const CPgServer&) = delete;
    CPgServer& operator=(const CPgServer&) = delete;

    // Makes the cluster and starts it; false and why (PostgreSQL missing, a failed step).
    bool Start(QString* why);
    bool Restart();      // the same cluster again, after Kill() or Stop()
    void Kill();         // SIGKILL to the server and all its processes, as a crash
    void Stop();         // a clean shutdown
    void Pause(bool on); // SIGSTOP / SIGCONT to every process of the server

    int Port() const { return m_port; }
    // A connection string for user to database (the administrator and postgres by default).
    QString Connection(const QString& user = QStringLiteral("aviluma_admin"),
                       const QString& database = QStringLiteral("postgres")) const;
    // Runs sql through psql as the administrator; its output, nothing on failure (the error in the log).
    std::optional<QString> Psql(const QString& sql, const QString& database = QStringLiteral("postgres")) const;

    // Where Debian's server programs are; empty when PostgreSQL 15 is not installed.
    static QString Binaries();

private:
    bool Run(const QString& program, const QStringList& arguments, QString* output = nullptr) const;
    QList<int> ServerProcesses() const;

    QTemporaryDir m_dir;
    int m_port = 0;
    bool m_running = false;
};
