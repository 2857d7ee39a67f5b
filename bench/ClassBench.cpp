// The class server under load, on a PostgreSQL of its own (as the tests start one): 30 PCs, each a
// process of its own with 100 games in its outbox and the game's own sender, all started at once
// (every game present once; games per second), then the board's queries for one class at 10 000,
// 100 000 and 1 000 000 games (median and 95th percentile of 50 readings). Prints figures; asserts
// nothing. Needs PostgreSQL 15 (./test installs it).
//
//   bench_class [pcs] [games per pc]
//   bench_class --pc <folder> <connection>     one PC: sends its outbox, then ends
#include "classroom/ClassBoard.h"
#include "classroom/ClassSender.h"
#include "classroom/ClassServer.h"
#include "state/DataFolders.h"
#include "support/PgServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QUuid>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

// A passed level game of the level its number gives, three attempts at its difficulty.
GameRecord Game(int pc, int n) {
    GameRecord game;
    game.level = 1 + n % 10;
    game.started = QDateTime(QDate(2026, 12, 8), QTime(8, 0), QTimeZone(3600)).addSecs(60 * n + pc);
    game.ended = game.started.addSecs(40);
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

// One PC: its sender, as the game runs it, until the outbox is empty.
int SendOutbox(const QString& folder, const QString& connection) {
    UseFolder(folder);
    CClassSender sender({connection, QStringLiteral("bench"), QString()});
    while (!OutboxFiles().isEmpty())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--pc") == 0)
        return SendOutbox(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    const int pcs = argc > 1 ? std::atoi(argv[1]) : 30;
    const int games = argc > 2 ? std::atoi(argv[2]) : 100;
    CPgServer server;
    QString why;
    if (!server.Start(&why)) {
        std::fprintf(stderr, "bench_class: %s\n", qPrintable(why));
        return 1;
    }
    server.Psql(QStringLiteral("CREATE DATABASE league"));
    const QString admin = server.Connection(QStringLiteral("aviluma_admin"), QStringLiteral("league"));
    {
        CClassConnection connection(admin);
        if (!connection.Open(&why) || !connection.Init(QString(), &why)) {
            std::fprintf(stderr, "bench_class: %s\n", qPrintable(why));
            return 1;
        }
    }
    // The room's login sees its class only (row-level security), as a coach may set it up.
    {
        CClassConnection connection(admin);
        if (!connection.Open(&why) || !connection.AddClassLogin(QStringLiteral("room"), QStringLiteral("bench"), &why)) {
            std::fprintf(stderr, "bench_class: %s\n", qPrintable(why));
            return 1;
        }
    }
    server.Psql(QStringLiteral("CREATE ROLE coach LOGIN IN ROLE aviluma_coach"));

    QTemporaryDir room;
    for (int pc = 0; pc < pcs; ++pc) {
        UseFolder(room.filePath(QString::number(pc)));
        const ClassSettings settings{QString(), QStringLiteral("bench"), QStringLiteral("PC%1").arg(pc, 2, 10, QLatin1Char('0'))};
        for (int n = 0; n < games; ++n)
            WriteOutboxGame(Game(pc, n), settings, std::nullopt);
    }
    QElapsedTimer timer;
    timer.start();
    std::vector<std::unique_ptr<QProcess>> senders;
    for (int pc = 0; pc < pcs; ++pc) {
        senders.push_back(std::make_unique<QProcess>());
        senders.back()->setProcessChannelMode(QProcess::ForwardedChannels);
        senders.back()->start(QCoreApplication::applicationFilePath(),
                              {QStringLiteral("--pc"), room.filePath(QString::number(pc)),
                               server.Connection(QStringLiteral("room"), QStringLiteral("league"))});
    }
    int failed = 0;
    for (const auto& sender : senders)
        if (!sender->waitForFinished(600000) || sender->exitCode() != 0)
            ++failed;
    const double seconds = static_cast<double>(timer.elapsed()) / 1000.0;
    std::printf("%d PCs x %d games, each PC a process with its sender: %s present (rows|distinct ids), %d PCs "
                "failed, %.1f s from their start, %.0f games/s\n",
                pcs, games,
                qPrintable(server.Psql(QStringLiteral("SELECT count(*) || '|' || count(DISTINCT id) FROM games"),
                                       QStringLiteral("league"))
                               .value_or(QStringLiteral("?"))),
                failed, seconds, pcs * games / seconds);

    // The board of one class of a league of 100 classes, each game with three attempts of 13 samples.
    CClassConnection board(server.Connection(QStringLiteral("coach"), QStringLiteral("league")));
    if (!board.Open(&why))
        return 1;
    int have = 0;
    for (const int size : {10000, 100000, 1000000}) {
        QElapsedTimer filling;
        filling.start();
        // Filled as a restore would be, past the triggers that check each game a PC sends.
        server.Psql(QStringLiteral(
                        "SET session_replication_role = replica; "
                        "INSERT INTO games (id, class, seat, player, mode, level, play, started, ended, game_end, result, "
                        "total, attempts) SELECT gen_random_uuid(), 'c' || (i %% 100), 'PC' || (i %% 40), 'p' || (i %% 3000), "
                        "(ARRAY['level','wild','endless'])[1 + i %% 3], CASE WHEN i %% 3 = 0 THEN 1 + i %% 10 ELSE 0 END, "
                        "CASE WHEN i %% 3 = 0 THEN NULL ELSE (ARRAY['practice','competition'])[1 + i %% 2] END, "
                        "now() - (i || ' seconds')::interval, now(), 'finished', CASE WHEN i %% 3 = 0 THEN 'passed' END, "
                        "i %% 90, jsonb_build_array(jsonb_build_object('points', i %% 90)) FROM generate_series(%1, %2) i")
                        .arg(have + 1)
                        .arg(size)
                        .replace(QLatin1String("%%"), QLatin1String("%")),
                    QStringLiteral("league"));
        server.Psql(QStringLiteral("ANALYZE games"), QStringLiteral("league"));
        have = size;
        for (const auto& [name, period] : {std::pair{"today", BoardPeriod::Today}, std::pair{"all time", BoardPeriod::All}}) {
            std::vector<double> ms;
            for (int i = 0; i < 50; ++i) {
                QElapsedTimer query;
                query.start();
                if (!ReadBoard(board, QStringLiteral("c7"), period, &why)) {
                    std::fprintf(stderr, "bench_class: %s\n", qPrintable(why));
                    return 1;
                }
                ms.push_back(static_cast<double>(query.nsecsElapsed()) / 1e6);
            }
            std::sort(ms.begin(), ms.end());
            std::printf("board of one class (%s), %d games on the server (filled in %.0f s): median %.1f ms, p95 %.1f ms\n",
                        name, size, filling.elapsed() / 1000.0, ms[ms.size() / 2], ms[ms.size() * 95 / 100]);
        }
    }
    return 0;
}
