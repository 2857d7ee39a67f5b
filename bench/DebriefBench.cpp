// How long the debrief's overview takes to open on a coach's PC of many players (30 by default, each
// with 200 level games of three attempts sampled as the game samples them), and how long "导出全部"
// takes to write every player's games and the overview: median and worst of 5 runs each, and the size
// written. Prints figures; asserts nothing. Runs offscreen unless a display is asked for.
//
//   bench_debrief [players] [games per player]
#include "records/History.h"
#include "records/Players.h"
#include "state/DataFolders.h"
#include "windows/DlgDebrief.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimeZone>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// A level game whose three attempts came level after tenths seconds, with a sample every 100 ms.
GameRecord LevelGame(int level, const QDateTime& started, int tenths) {
    GameRecord game;
    game.level = level;
    game.started = started;
    game.ended = started.addSecs(20);
    game.passed = true;
    for (int n = 1; n <= 3; ++n) {
        AttemptRecord attempt{n, level, 10000, AttemptEnd::Level, tenths / 10.0f, 10.0f - tenths / 10.0f,
                              0, 0,     {}};
        for (int t = 100; t <= tenths * 100 + 1000; t += 100)
            attempt.samples.push_back({t, 12.34f - t / 100.0f, -3.21f, 145.6f});
        attempt.holdEndMs = attempt.samples.back().timeMs;
        attempt.holdStartMs = attempt.holdEndMs - 1000;
        game.attempts.push_back(attempt);
        game.total += static_cast<int>(attempt.points);
    }
    game.attemptCount = 3;
    return game;
}

void Report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%s: median %.0f ms, worst %.0f ms\n", what, ms[ms.size() / 2], ms.back());
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int players = argc > 1 ? std::atoi(argv[1]) : 30;
    const int games = argc > 2 ? std::atoi(argv[2]) : 200;
    QTemporaryDir folder;
    SetDataFolders({folder.filePath(QStringLiteral("Data")), folder.filePath(QStringLiteral("Record"))});
    QElapsedTimer setUp;
    setUp.start();
    const QDateTime first(QDate(2026, 9, 1), QTime(8, 0), QTimeZone(3600));
    for (int p = 0; p < players; ++p) {
        QString error;
        const std::optional<Player> player =
            AddPlayer(QStringLiteral("学员%1").arg(p, 3, 10, QLatin1Char('0')), &error);
        if (!player) {
            std::fprintf(stderr, "cannot add a player: %s\n", qPrintable(error));
            return 1;
        }
        UsePlayer(player);
        for (int g = 0; g < games; ++g)
            WriteGameRecord(LevelGame(1 + g % 10, first.addSecs(600LL * (p * games + g)), 5 + (p + g) % 30));
    }
    UsePlayer(std::nullopt);
    std::printf("%d players with %d games each made in %.1f s\n", players, games, setUp.elapsed() / 1000.0);

    std::vector<double> open, exportAll;
    qint64 bytes = 0;
    for (int run = 0; run < 5; ++run) {
        CDlgDebrief debrief;
        debrief.OpenAt(CDlgDebrief::View::Overview);
        QElapsedTimer timer;
        timer.start();
        debrief.ShowModeless();
        QApplication::processEvents(); // laid out and drawn
        open.push_back(static_cast<double>(timer.elapsed()));
        timer.restart();
        debrief.m_btnExportAll->click();
        exportAll.push_back(static_cast<double>(timer.elapsed()));
        if (debrief.LastExport().isEmpty()) {
            std::fprintf(stderr, "the export failed\n");
            return 1;
        }
        bytes = 0;
        for (QDirIterator files(debrief.LastExport(), QDir::Files); files.hasNext();)
            bytes += files.nextFileInfo().size();
        QDir(debrief.LastExport()).removeRecursively();
        debrief.EndDialog(QDialog::Rejected);
    }
    Report("overview opened (every player's games read whole)", open);
    Report("everything exported", exportAll);
    std::printf("exported %.1f MB in %d player files and the overview\n", bytes / 1e6, players);
    return 0;
}
