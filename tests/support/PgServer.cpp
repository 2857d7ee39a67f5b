#include "support/PgServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QThread>

#include <algorithm>
#include <csignal>

#include <pwd.h>
#include <unistd.h>

namespace {

const QString kAdmin = QStringLiteral("aviluma_admin");

// Run as root, the server's commands run as nobody, who must own the cluster's folder.
QStringList AsServerUser(const QString& program, const QStringList& arguments) {
    if (geteuid() != 0)
        return QStringList{program} + arguments;
    return QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                       QStringLiteral("--clear-groups"), QStringLiteral("--")} +
           QStringList{program} + arguments;
}

int FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

QString CPgServer::Binaries() {
    const QString folder = QStringLiteral("/usr/lib/postgresql/15/bin");
    return QFileInfo::exists(folder + QStringLiteral("/initdb")) ? folder : QString();
}

CPgServer::CPgServer() {
    m_dir.setAutoRemove(true);
}

CPgServer::~CPgServer() {
    if (m_running)
        Kill();
}

bool CPgServer::Run(const QString& program, const QStringList& arguments, QString* output) const {
    const QStringList command = AsServerUser(Binaries() + QLatin1Char('/') + program, arguments);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(m_dir.path());
    process.start(command.first(), command.mid(1));
    process.waitForFinished(60000);
    const QString text = QString::fromLocal8Bit(process.readAll());
    if (output)
        *output = text;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool CPgServer::Start(QString* why) {
    if (Binaries().isEmpty()) {
        *why = QStringLiteral("PostgreSQL 15 is not installed (./test installs postgresql-15)");
        return false;
    }
    if (geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (nobody == nullptr || chown(QFile::encodeName(m_dir.path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
            *why = QStringLiteral("cannot hand the cluster's folder to nobody");
            return false;
        }
    }
    QString output;
    if (!Run(QStringLiteral("initdb"),
             {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-U"), kAdmin,
              QStringLiteral("--auth=trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
              QStringLiteral("--locale=C.UTF-8"), QStringLiteral("-N")},
             &output)) {
        *why = QStringLiteral("initdb failed: ") + output;
        return false;
    }
    m_port = FreePort();
    if (!Restart()) {
        QFile log(m_dir.filePath(QStringLiteral("log")));
        log.open(QIODevice::ReadOnly);
        *why = QStringLiteral("the server did not start: ") + QString::fromLocal8Bit(log.readAll());
        return false;
    }
    return true;
}

bool CPgServer::Restart() {
    const QString options = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                                .arg(m_port)
                                .arg(m_dir.path());
    m_running = Run(QStringLiteral("pg_ctl"),
                    {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-l"),
                     m_dir.filePath(QStringLiteral("log")), QStringLiteral("-o"), options, QStringLiteral("-w"),
                     QStringLiteral("-t"), QStringLiteral("30"), QStringLiteral("start")});
    return m_running;
}

QList<int> CPgServer::ServerProcesses() const {
    QFile pidFile(m_dir.filePath(QStringLiteral("data/postmaster.pid")));
    if (!pidFile.open(QIODevice::ReadOnly))
        return {};
    const int postmaster = pidFile.readLine().trimmed().toInt();
    QList<int> pids{postmaster};
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toInt() == postmaster)
            pids << entry.toInt();
    }
    return pids;
}

void CPgServer::Kill() {
    const QList<int> pids = ServerProcesses();
    for (const int pid : pids)
        if (pid > 0) // never 0 or less: that would be a whole process group
            ::kill(pid, SIGKILL);
    // Gone once none answers: the next start must not find the old shared memory in use.
    for (int i = 0; i < 200 && std::any_of(pids.begin(), pids.end(), [](int pid) { return ::kill(pid, 0) == 0; }); ++i)
        QThread::msleep(10);
    m_running = false;
}

void CPgServer::Stop() {
    Run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")),
                                   QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")});
    m_running = false;
}

void CPgServer::Pause(bool on) {
    for (const int pid : ServerProcesses())
        if (pid > 0)
            ::kill(pid, on ? SIGSTOP : SIGCONT);
}

QString CPgServer::Connection(const QString& user, const QString& database) const {
    return QStringLiteral("host=127.0.0.1 port=%1 user='%2' dbname=%3").arg(m_port).arg(QString(user).replace(QLatin1Char('\''), QStringLiteral("\\'")), database);
}

std::optional<QString> CPgServer::Psql(const QString& sql, const QString& database) const {
    QString output;
    if (!Run(QStringLiteral("psql"),
             {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-At"), QStringLiteral("-v"),
              QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
              QString::number(m_port), QStringLiteral("-U"), kAdmin, QStringLiteral("-d"), database,
              QStringLiteral("-c"), sql},
             &output)) {
        qWarning("psql: %s", qPrintable(output));
        return std::nullopt;
    }
    return output.trimmed();
}
