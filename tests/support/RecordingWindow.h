// A game window that keeps what the game showed it, for games played on the test's own thread. Its
// name entry "types" name.
#pragma once

#include "game/GameDrivers.h"
#include "state/Globals.h"

#include <QStringList>

#include <utility>

#include <vector>

class CRecordingWindow : public IGameWindow {
public:
    void SetStatusText(const QString& text) override { statuses << text; }
    void ShowScore(int total) override { scores.push_back(total); }
    void SetResultText(const QString& text) override { results << text; }
    void RefreshRecords() override { ++refreshes; }
    void ShowNameEntry(int total, int rank) override {
        ++nameEntries;
        nameEntryFor = {total, rank};
        g_strPlayerName.Set(name);
    }
    void ShowGuide(const QString& text) override { guides << text; }
    void ShowNewRecord() override { ++newRecords; }
    void AskToCloseSheet() override { ++closeSheetRequests; }
    void ShowLinkLost() override { ++linkLosses; }
    void AnnounceResult(const QString& text) override { announcements << text; }
    QStringList statuses, results, guides, announcements;
    std::pair<int, int> nameEntryFor; // the total and the rank of the last name entry
    std::vector<int> scores;
    int refreshes = 0, nameEntries = 0, newRecords = 0, closeSheetRequests = 0, linkLosses = 0;
    QString name = QStringLiteral("玩家一");
};
