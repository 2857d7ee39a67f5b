// How long "谁来飞？" takes to open on a PC of many players (200 by default, each with 20 games and
// their own progress): from the press to the list drawn, median and worst of 20 openings. Prints
// figures; asserts nothing. Runs offscreen unless a display is asked for.
//
//   bench_players [players] [games per player]
#include "records/History.h"
#include "records/Players.h"
#include "records/Records.h"
#include "state/DataFolders.h"
#include "windows/DlgPlayers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimeZone>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int players = argc > 1 ? std::atoi(argv[1]) : 200;
    const int games = argc > 2 ? std::atoi(argv[2]) : 20;
    QTemporaryDir folder;
    SetDataFolders({folder.filePath(QStringLiteral("Data")), folder.filePath(QStringLiteral("Record"))});
    QElapsedTimer setUp;
    setUp.start();
    for (int p = 0; p < players; ++p) {
        QString error;
        const std::optional<Player> player = AddPlayer(QStringLiteral("学员%1").arg(p, 3, 10, QLatin1Char('0')), &error);
        if (!player) {
            std::fprintf(stderr, "cannot add a player: %s\n", qPrintable(error));
            return 1;
        }
        UsePlayer(player);
        WriteOpenLevel(1 + p % 10);
        for (int g = 0; g < games; ++g) {
            GameRecord game;
            game.level = 1;
            game.passed = true;
            game.started = QDateTime(QDate(2026, 12, 1), QTime(8, 0), QTimeZone(3600)).addSecs(60 * (p * games + g));
            game.ended = game.started.addSecs(20);
            WriteGameRecord(game);
        }
    }
    UsePlayer(std::nullopt);
    std::printf("%d players with %d games each made in %.1f s\n", players, games, setUp.elapsed() / 1000.0);

    std::vector<double> ms;
    for (int run = 0; run < 20; ++run) {
        QElapsedTimer timer;
        timer.start();
        CDlgPlayers chooser;
        chooser.show();
        QApplication::processEvents(); // laid out and drawn
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (chooser.findChild<QListWidget*>()->count() != players + 1)
            return 1;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("chooser open: median %.1f ms, worst %.1f ms (20 openings)\n", ms[ms.size() / 2], ms.back());
    return 0;
}
