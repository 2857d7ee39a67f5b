// The class server under a school's load, on a PostgreSQL of its own (as the tests start one, Debian's
// defaults but fsync off, so 100 connections at most). Prints figures; asserts nothing.
//
// 1. A notification storm: the board of one class, live, while any login notifies 4 000 times (half
//    for another class) with 200 000 games on the server: the board process's CPU time.
// 2. A school: 1 000 000 games on the server, then 100 PCs, each a process of its own with the game's
//    own sender and 100 games in its outbox, started at once, while the board of their class is
//    open: every game present once, games per second, how long after its commit a game was on the
//    board (p50, p95), and how long the board's refreshes took meanwhile (p50, p95).
// 3. The board read alone at 1 000 000 games, today and all time (median, p95 of 20 readings).
//
//   bench_class [--pcs N] [--games N] [--notifications N] [--storm-games N] [--school-games N]
//   bench_class --pc <folder> <connection> <seat>   one PC: sends its outbox, prints each commit's time
#include "classroom/ClassBoard.h"
#include "classroom/ClassConnection.h"
#include "classroom/ClassSender.h"
#include "platform/Translation.h"
#include "platform/UiThread.h"
#include "state/DataFolders.h"
#include "support/PgServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sched.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::system_clock;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

qint64 EpochMs(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

// The p-th percentile of figures (sorted here).
double Percentile(std::vector<double> figures, int p) {
    if (figures.empty())
        return 0;
    std::sort(figures.begin(), figures.end());
    return figures[std::min(figures.size() - 1, figures.size() * static_cast<std::size_t>(p) / 100)];
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A passed level game of the level its number gives, three attempts at its difficulty.
GameRecord Game(int pc, int n) {
    GameRecord game;
    game.level = 1 + n % 10;
    game.started = QDateTime::currentDateTime().addSecs(-3600 + 20 * n + pc % 20);
    game.ended = game.started.addSecs(15);
    game.passed = true;
    game.player = QStringLiteral("学员%1").arg(pc);
    const DifficultyRow& row = kDifficultyTable[static_cast<std::size_t>(game.level - 1)];
    const float points = static_cast<float>(row.MostPoints()) / 2;
    game.total = static_cast<int>(3 * points);
    for (int a = 1; a <= 3; ++a) {
        AttemptRecord attempt{a, game.level, row.budgetMs, AttemptEnd::Level, 1.5f, points, 300, 1300, {}};
        for (int t = 100; t <= 1300; t += 100)
            attempt.samples.push_back({t, 10.0f - t / 200.0f, -2.0f, 90.0f});
        game.attempts.push_back(attempt);
    }
    game.attemptCount = 3;
    return game;
}

void UseFolder(const QString& folder) {
    QDir().mkpath(folder + QStringLiteral("/Data"));
    SetDataFolders({folder + QStringLiteral("/Data"), folder + QStringLiteral("/Record")});
}

// One PC: its sender, as the game runs it, until the outbox is empty. Prints the time (ms since the
// epoch) just after each game's commit, one line each.
int SendOutbox(const QString& folder, const QString& connection, const QString& seat) {
    UseFolder(folder);
    std::mutex mutex;
    int waiting = 0;
    std::vector<qint64> sent;
    {
        CClassSender sender({connection, QStringLiteral("bench"), seat}, [&](const ClassStatus& status) {
            std::lock_guard lock(mutex);
            for (int k = status.waiting; k < waiting; ++k)
                sent.push_back(EpochMs(Clock::now()));
            waiting = status.waiting;
        });
        while (!OutboxFiles().isEmpty())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (const qint64 t : sent)
        std::printf("sent %lld\n", static_cast<long long>(t));
    return 0;
}

// Fills games up to size, as a restore would, past the triggers that check each game a PC sends: 100
// classes ('bench' one of them), 40 seats, 3 000 players, a game a second back from now, each received
// as it was played.
void Fill(CPgServer& server, int from, int size) {
    server.Psql(QStringLiteral(
                    "SET session_replication_role = replica; "
                    "INSERT INTO games (id, class, seat, player, mode, level, play, started, ended, game_end, result, "
                    "total, attempts, received) SELECT gen_random_uuid(), CASE WHEN i %% 100 = 0 THEN 'bench' ELSE 'c' || (i %% 100) END, "
                    "'PC' || (i %% 40), 'p' || (i %% 3000), "
                    "(ARRAY['level','wild','endless'])[1 + i %% 3], CASE WHEN i %% 3 = 0 THEN 1 + i %% 10 ELSE 0 END, "
                    "CASE WHEN i %% 3 = 0 THEN NULL ELSE (ARRAY['practice','competition'])[1 + i %% 2] END, "
                    "now() - (i || ' seconds')::interval, now(), 'finished', CASE WHEN i %% 3 = 0 THEN 'passed' END, "
                    "i %% 90, jsonb_build_array(jsonb_build_object('points', i %% 90)), now() - (i || ' seconds')::interval "
                    "FROM generate_series(%1, %2) i")
                    .arg(from + 1)
                    .arg(size)
                    .replace(QLatin1String("%%"), QLatin1String("%")),
                QStringLiteral("league"));
    server.Psql(QStringLiteral("VACUUM ANALYZE games"), QStringLiteral("league"));
}

// Runs this thread's event loop, as a window's thread does, until done holds (looked at every 20 ms)
// or for bound.
bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    QEventLoop loop;
    QTimer tick;
    QElapsedTimer elapsed;
    elapsed.start();
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (done() || elapsed.elapsed() >= bound.count())
            loop.quit();
    });
    tick.start(20);
    if (!done())
        loop.exec();
    return done();
}

// The refreshes a feed delivered, on the UI thread.
struct Refresh {
    Clock::time_point started;
    Clock::time_point shown;
    double tookMs;
    bool whole;
};

// Keeps each refresh the feed delivers, as the window hears of it.
void Follow(CBoardFeed& feed, std::vector<Refresh>& refreshes) {
    feed.onChanged = [&feed, &refreshes] {
        const BoardUpdate& last = feed.Last();
        refreshes.push_back({last.started, Clock::now(), Milliseconds(last.ended - last.started), last.whole});
    };
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc == 5 && qstrcmp(argv[1], "--pc") == 0)
        return SendOutbox(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The class server under a school's load (see bench/ClassBench.cpp)."));
    parser.addHelpOption();
    const QCommandLineOption pcsOption(QStringLiteral("pcs"), QStringLiteral("PCs sending at once (100)."), QStringLiteral("n"), QStringLiteral("100"));
    const QCommandLineOption gamesOption(QStringLiteral("games"), QStringLiteral("Games in each PC's outbox (100)."), QStringLiteral("n"), QStringLiteral("100"));
    const QCommandLineOption notificationsOption(QStringLiteral("notifications"), QStringLiteral("Notifications of the storm, half for another class (4000)."), QStringLiteral("n"), QStringLiteral("4000"));
    const QCommandLineOption stormOption(QStringLiteral("storm-games"), QStringLiteral("Games on the server during the storm (200000)."), QStringLiteral("n"), QStringLiteral("200000"));
    const QCommandLineOption schoolOption(QStringLiteral("school-games"), QStringLiteral("Games on the server before the PCs send (1000000)."), QStringLiteral("n"), QStringLiteral("1000000"));
    const QCommandLineOption idleOption(QStringLiteral("pcs-elsewhere"),
                                        QStringLiteral("Run the PCs' processes at idle priority, as if on machines of their own: "
                                                       "the server's work for them still competes with the board."));
    parser.addOptions({pcsOption, gamesOption, notificationsOption, stormOption, schoolOption, idleOption});
    parser.process(app);
    const auto number = [&](const QCommandLineOption& option) {
        bool ok = false;
        const int value = parser.value(option).toInt(&ok);
        if (!ok || value < 1) {
            std::fprintf(stderr, "bench_class: --%s takes a whole number of at least 1\n", qPrintable(option.names()[0]));
            std::exit(2);
        }
        return value;
    };
    const int pcs = number(pcsOption);
    const int games = number(gamesOption);
    const int notifications = number(notificationsOption);
    const int stormGames = number(stormOption);
    const int schoolGames = std::max(stormGames, number(schoolOption));
    const bool idlePcs = parser.isSet(idleOption);

    CPgServer server;
    QString why;
    if (!server.Start(&why)) {
        std::fprintf(stderr, "bench_class: %s\n", qPrintable(why));
        return 1;
    }
    server.Psql(QStringLiteral("CREATE DATABASE league"));
    server.Psql(QStringLiteral("CREATE ROLE coach LOGIN"));
    const QString admin = server.Connection(QStringLiteral("aviluma_admin"), QStringLiteral("league"));
    {
        CClassConnection connection(admin);
        // The room's login sees its class only (row-level security), as a coach sets it up.
        if (!connection.Open(&why) || !connection.Init(QStringLiteral("coach"), &why) ||
            !connection.AddClassLogin(QStringLiteral("room"), QStringLiteral("bench"), &why)) {
            std::fprintf(stderr, "bench_class: %s\n", qPrintable(why));
            return 1;
        }
    }
    std::printf("server: PostgreSQL %s, max_connections %s; the PCs %s\n",
                qPrintable(server.Psql(QStringLiteral("SHOW server_version")).value_or(QStringLiteral("?"))),
                qPrintable(server.Psql(QStringLiteral("SHOW max_connections")).value_or(QStringLiteral("?"))),
                idlePcs ? "at idle priority (--pcs-elsewhere)" : "at the board's priority");

    CUiThread::Attach();
    std::vector<Refresh> refreshes;
    QElapsedTimer filling;
    filling.start();
    Fill(server, 0, stormGames);
    std::printf("%d games on the server (filled in %.0f s)\n", stormGames, filling.elapsed() / 1000.0);
    {
        CBoardFeed feed(server.Connection(QStringLiteral("coach"), QStringLiteral("league")), QStringLiteral("bench"));
        Follow(feed, refreshes);
        feed.Start();
        if (!RunUntil([&] { return feed.Refreshes() > 0; }, std::chrono::seconds(30)) || !feed.LastError().isEmpty()) {
            std::fprintf(stderr, "bench_class: the board: %s\n", qPrintable(feed.LastError()));
            return 1;
        }
        // 1. The storm, sent in one statement by a login that may notify (any may).
        const int before = feed.Refreshes();
        const double cpu = CpuSeconds();
        QElapsedTimer storm;
        storm.start();
        server.Psql(QStringLiteral("SELECT count(pg_notify('aviluma_games', CASE WHEN i % 2 = 0 THEN 'bench' ELSE 'c1' END)) "
                                   "FROM generate_series(1, %1) i")
                        .arg(notifications),
                    QStringLiteral("league"));
        const qint64 sent = storm.elapsed();
        // Settled: no refresh for two seconds (the periodic one comes every ten).
        int seen = feed.Refreshes();
        do {
            seen = feed.Refreshes();
            RunUntil([] { return false; }, std::chrono::seconds(2));
        } while (feed.Refreshes() != seen);
        std::printf("storm: %d notifications (%d for the board's class) with %d games on the server, sent in %lld ms: "
                    "%d refreshes, %.2f s of the board process's CPU (until two quiet seconds)\n",
                    notifications, notifications / 2, stormGames, static_cast<long long>(sent),
                    feed.Refreshes() - before, CpuSeconds() - cpu);
    }

    // 2. The school.
    filling.restart();
    Fill(server, stormGames, schoolGames);
    std::printf("%d games on the server (filled in %.0f s more)\n", schoolGames, filling.elapsed() / 1000.0);
    QTemporaryDir room;
    for (int pc = 0; pc < pcs; ++pc) {
        UseFolder(room.filePath(QString::number(pc)));
        const ClassSettings settings{QStringLiteral("-"), QStringLiteral("bench"), QString()};
        for (int n = 0; n < games; ++n)
            WriteOutboxGame(Game(pc, n), settings, std::nullopt);
    }
    refreshes.clear();
    CBoardFeed feed(server.Connection(QStringLiteral("coach"), QStringLiteral("league")), QStringLiteral("bench"));
    Follow(feed, refreshes);
    feed.Start();
    RunUntil([&] { return feed.Refreshes() > 0; }, std::chrono::seconds(30));
    refreshes.clear();
    QElapsedTimer timer;
    timer.start();
    std::vector<std::unique_ptr<QProcess>> senders;
    for (int pc = 0; pc < pcs; ++pc) {
        senders.push_back(std::make_unique<QProcess>());
        senders.back()->setProcessChannelMode(QProcess::SeparateChannels);
        if (idlePcs)
            senders.back()->setChildProcessModifier([] {
                const sched_param none{};
                sched_setscheduler(0, SCHED_IDLE, &none);
            });
        senders.back()->start(QCoreApplication::applicationFilePath(),
                              {QStringLiteral("--pc"), room.filePath(QString::number(pc)),
                               server.Connection(QStringLiteral("room"), QStringLiteral("league")),
                               QStringLiteral("PC%1").arg(pc, 3, 10, QLatin1Char('0'))});
    }
    // This thread takes the board's refreshes meanwhile, as a window would.
    RunUntil([&] {
        return std::all_of(senders.begin(), senders.end(), [](const auto& p) { return p->state() == QProcess::NotRunning; });
    }, std::chrono::minutes(20));
    int failed = 0;
    int retries = 0; // the PCs' tries again after a failure
    int full = 0;    // of them, for want of a connection
    std::vector<qint64> commits;
    for (const auto& sender : senders) {
        if (sender->state() != QProcess::NotRunning || sender->exitCode() != 0)
            ++failed;
        for (const QByteArray& line : sender->readAllStandardOutput().split('\n'))
            if (line.startsWith("sent "))
                commits.push_back(line.mid(5).toLongLong());
        const QByteArray said = sender->readAllStandardError();
        full += static_cast<int>(said.count(Tr(QStringLiteral("服务器的连接数已满：成绩留在本机，稍后自动重试。")).toUtf8()));
        retries += static_cast<int>(said.count("trying again"));
    }
    const double seconds = static_cast<double>(timer.elapsed()) / 1000.0;
    // A refresh after the last game, then the figures: each game was on the board once the first
    // refresh that began after its commit had been shown.
    RunUntil([] { return false; }, std::chrono::milliseconds(600));
    std::vector<double> latency;
    for (const qint64 commit : commits) {
        const auto shown = std::find_if(refreshes.begin(), refreshes.end(), [&](const Refresh& r) { return EpochMs(r.started) >= commit; });
        if (shown != refreshes.end())
            latency.push_back(static_cast<double>(EpochMs(shown->shown) - commit));
    }
    std::vector<double> took;
    std::vector<double> tookWhole;
    for (const Refresh& r : refreshes)
        (r.whole ? tookWhole : took).push_back(r.tookMs);
    std::printf("school: %d PCs x %d games, each PC a process with its sender, %d games on the server before: %s present "
                "(rows|distinct ids), %d PCs failed, %.1f s from their start, %.0f games/s\n",
                pcs, games, schoolGames,
                qPrintable(server.Psql(QStringLiteral("SELECT count(*) FILTER (WHERE seat LIKE 'PC___') || '|' || "
                                                      "count(DISTINCT id) FILTER (WHERE seat LIKE 'PC___') FROM games"),
                                       QStringLiteral("league"))
                               .value_or(QStringLiteral("?"))),
                failed, seconds, pcs * games / seconds);
    std::printf("school: the PCs tried again %d times, %d of them refused for want of a connection\n", retries, full);
    std::printf("school: game -> board (commit to shown, %zu of %zu games timed): p50 %.0f ms, p95 %.0f ms, max %.0f ms\n",
                latency.size(), commits.size(), Percentile(latency, 50), Percentile(latency, 95),
                Percentile(latency, 100));
    std::vector<double> all = took;
    all.insert(all.end(), tookWhole.begin(), tookWhole.end());
    std::printf("school: %zu board refreshes while the PCs sent: p50 %.1f ms, p95 %.1f ms, max %.1f ms; of them %zu "
                "for new games (p50 %.1f ms, p95 %.1f ms) and %zu whole reads every ten seconds (p50 %.1f ms, max %.1f ms)\n",
                all.size(), Percentile(all, 50), Percentile(all, 95), Percentile(all, 100), took.size(), Percentile(took, 50),
                Percentile(took, 95), tookWhole.size(), Percentile(tookWhole, 50), Percentile(tookWhole, 100));

    // 3. The board read alone.
    CClassConnection board(server.Connection(QStringLiteral("coach"), QStringLiteral("league")));
    if (!board.Open(&why))
        return 1;
    for (const auto& [name, period] : {std::pair{"today", BoardPeriod::Today}, std::pair{"all time", BoardPeriod::All}}) {
        std::vector<double> ms;
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer query;
            query.start();
            if (!ReadBoard(board, QStringLiteral("bench"), period, &why)) {
                std::fprintf(stderr, "bench_class: %s\n", qPrintable(why));
                return 1;
            }
            ms.push_back(static_cast<double>(query.nsecsElapsed()) / 1e6);
        }
        std::printf("idle: the board of one class (%s), %d games on the server: median %.1f ms, p95 %.1f ms\n", name,
                    schoolGames + pcs * games, Percentile(ms, 50), Percentile(ms, 95));
    }
    CUiThread::Detach();
    return 0;
}
