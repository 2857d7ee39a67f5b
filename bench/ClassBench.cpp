// The class server under load, on a PostgreSQL of its own (as the tests start one): 30 PCs sending 100
// games each at once (every game present once; games per second), then the board's queries for one
// class at 10 000, 100 000 and 1 000 000 games (median and 95th percentile of 50 readings). Prints
// figures; asserts nothing. Needs PostgreSQL 15 (./test installs it).
//
//   bench_class [pcs] [games per pc]
#include "classroom/ClassBoard.h"
#include "classroom/ClassServer.h"
#include "support/PgServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimeZone>
#include <QUuid>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

OutboxGame Queued(int pc, int n) {
    OutboxGame queued;
    queued.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    queued.className = QStringLiteral("bench");
    queued.seat = QStringLiteral("PC%1").arg(pc, 2, 10, QLatin1Char('0'));
    queued.pcPlayer = QStringLiteral("学员%1").arg(pc);
    GameRecord& game = queued.game;
    game.level = 1 + n % 10;
    game.started = QDateTime(QDate(2026, 12, 8), QTime(8, 0), QTimeZone(3600)).addSecs(60 * n + pc);
    game.ended = game.started.addSecs(40);
    game.passed = true;
    game.total = 45;
    for (int a = 1; a <= 3; ++a) {
        AttemptRecord attempt{a, a, 10000, AttemptEnd::Level, 1.5f, 15.0f, 300, 1300, {}};
        for (int t = 100; t <= 1300; t += 100)
            attempt.samples.push_back({t, 10.0f - t / 200.0f, -2.0f, 90.0f});
        game.attempts.push_back(attempt);
    }
    game.attemptCount = 3;
    queued.history = GameRecordBytes(game);
    return queued;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
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
        if (!connection.Open(&why) || !connection.Init(&why)) {
            std::fprintf(stderr, "bench_class: %s\n", qPrintable(why));
            return 1;
        }
    }
    server.Psql(QStringLiteral("CREATE ROLE room LOGIN IN ROLE aviluma_pc"));

    std::atomic<int> failed{0};
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> threads;
    for (int pc = 0; pc < pcs; ++pc)
        threads.emplace_back([&, pc] {
            CClassConnection connection(server.Connection(QStringLiteral("room"), QStringLiteral("league")));
            QString problem;
            if (!connection.Open(&problem)) {
                failed += games;
                return;
            }
            for (int n = 0; n < games; ++n)
                if (connection.Send(Queued(pc, n), &problem) != CClassConnection::Upload::Sent)
                    ++failed;
        });
    for (std::thread& thread : threads)
        thread.join();
    const double seconds = static_cast<double>(timer.elapsed()) / 1000.0;
    std::printf("%d PCs x %d games: %s present (rows|distinct ids), %d failed, %.1f s, %.0f games/s\n", pcs, games,
                qPrintable(server.Psql(QStringLiteral("SELECT count(*) || '|' || count(DISTINCT id) FROM games"),
                                       QStringLiteral("league"))
                               .value_or(QStringLiteral("?"))),
                failed.load(), seconds, pcs * games / seconds);

    // The board of one class of a league of 100 classes, each game with three attempts of 13 samples.
    CClassConnection board(admin);
    if (!board.Open(&why))
        return 1;
    int have = 0;
    for (const int size : {10000, 100000, 1000000}) {
        QElapsedTimer filling;
        filling.start();
        server.Psql(QStringLiteral(
                        "INSERT INTO games (id, class, seat, player, mode, level, started, ended, game_end, total, "
                        "attempts) SELECT gen_random_uuid(), 'c' || (i %% 100), 'PC' || (i %% 40), 'p' || (i %% 3000), "
                        "(ARRAY['level','wild','endless'])[1 + i %% 3], CASE WHEN i %% 3 = 0 THEN 1 + i %% 10 ELSE 0 END, "
                        "now() - (i || ' seconds')::interval, now(), 'finished', i %% 90, "
                        "jsonb_build_array(jsonb_build_object('points', i %% 90)) FROM generate_series(%1, %2) i")
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
