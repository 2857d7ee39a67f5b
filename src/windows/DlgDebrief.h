// The flight debrief: how each attempt of a game went (roll and pitch against time, the level band, the
// held second, points and time to level), how the player has been doing (every finished game's total
// per level and mode over the dates played, and the last games), and what a coach asks first of every
// player of the PC (per level: the pass rate, the median time to level, and who got quicker over the
// period chosen). Read from the history; games and those figures can be exported as CSV into the
// record folder for a coach.
//
// The progress shows one level or mode at a time, narrowed by the way of play and by whether games
// that did not count (failed, closed, cut short) are shown; a click on a game, in the chart or in the
// list of the last games, opens its replay.
//
// Keys: Left and Right step through the attempts (or the progress series), Up and Down through the
// games, Tab through the buttons, Esc closes. On the progress chart, Left and Right choose a game and
// Space opens it; in the overview's table the arrows go from cell to cell.
#pragma once

#include "classroom/ClassBoard.h"
#include "records/History.h"
#include "records/LevelStats.h"
#include "records/Players.h"
#include "res/Resource.h"
#include "widgets/PlateButton.h"
#include "windows/DebriefCharts.h"
#include "windows/PictureDialog.h"

#include <array>
#include <optional>
#include <vector>

class QComboBox;
class QTableWidget;

// Source texts, shown through Tr(). The export's file names keep the Chinese of the two views' names
// whatever the language.
inline const QString kNoHistoryText =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "还没有飞行记录。\n玩一局之后，每一次尝试都会在这里回放。"));
inline const QString kReplayItemText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "飞行回放"));
inline const QString kProgressItemText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "训练记录"));
inline const QString kNoProgressText = QStringLiteral(
    QT_TRANSLATE_NOOP("Aviluma", "还没有训练记录。\n打完一局之后，每一局的总分都会按日期画在这里。"));
inline const QString kOverviewItemText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "成绩概览"));
// The overview in the export of everything, beside one file of games per player.
inline const QString kOverviewFileName = QStringLiteral("成绩概览.csv");

class CDlgDebrief : public CPictureDialog {
public:
    CDlgDebrief();
    ~CDlgDebrief() override;

    enum class View { Replay, Progress, Overview };
    // What the next opening shows: the replay of the game in gamePath (the newest game when empty or
    // not found), or the progress.
    void OpenAt(View view, const QString& gamePath = {});

    View CurrentView() const { return m_view; }
    int GameIndex() const { return m_nGame; }       // in the summaries, oldest first; -1 without games
    int AttemptIndex() const { return m_nAttempt; } // in the shown game; -1 without attempts
    int SeriesIndex() const { return m_nSeries; }   // in AllProgressSeries()
    // The export's file, after an export: the path written (the folder, for everything), empty when it
    // failed.
    QString LastExport() const { return m_strLastExport; }
    // The overview's figures: every player's (the PC's own without players), in the period chosen.
    const std::vector<PlayerLevelStats>& Overview() const { return m_overview; }

    // Controls of the current opening.
    CColorStatic* m_stcTitle = nullptr;
    CButtonST* m_btnClose = nullptr;
    CPlateButton* m_btnReplay = nullptr;
    CPlateButton* m_btnProgress = nullptr;
    CPlateButton* m_btnOverview = nullptr;
    CChartView* m_chart = nullptr;
    std::array<CColorStatic*, kDebriefInfoLines> m_stcInfo{};
    CPlateButton* m_btnPrev = nullptr;
    CPlateButton* m_btnNext = nullptr;
    CPlateButton* m_btnPrevGame = nullptr;
    CPlateButton* m_btnNextGame = nullptr;
    CPlateButton* m_btnExportGame = nullptr;
    CPlateButton* m_btnExportAll = nullptr;
    CColorStatic* m_stcHint = nullptr;
    CColorStatic* m_stcExported = nullptr;
    // Whose games are shown, on a PC of two or more players: the one flying, or any other (a coach's
    // view). Absent otherwise.
    QComboBox* m_cmbPlayer = nullptr;
    // The replay's: the other attempts of the same difficulty drawn behind the one shown.
    CPlateButton* m_btnOverlay = nullptr;
    // The progress's filters: the level or mode, the way of play, the games that did not count.
    QComboBox* m_cmbSeries = nullptr;
    CPlateButton* m_btnPlay = nullptr;
    CPlateButton* m_btnUncounted = nullptr;
    // The progress's last games, newest first; each opens its replay.
    std::array<CPlateButton*, kDebriefInfoLines - 1> m_btnGames{};
    // The overview's table (a row per player and level), and its periods as the class board has them:
    // today, this week, all.
    QTableWidget* m_tblOverview = nullptr;
    std::array<CPlateButton*, 3> m_btnPeriods{};

protected:
    QWidget* CreateControl(const ControlTemplate& control) override;
    void OnInitDialog() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Reads the games of the player shown and opens at the game asked for, else the newest.
    void LoadGames();
    QString ShownHistoryFolder() const;
    bool AnyGames() const; // of any player: what the export of everything takes
    void SelectGame(int index);
    void StepAttempt(int by);
    void StepGame(int by);
    void StepSeries(int by);
    // The previous and next buttons (and the left and right keys): attempts in the replay, games of
    // the series in the progress.
    void OnPrev();
    void OnNext();
    void Export(bool all);
    void ExportEverything();
    void ShowView(View view);
    void ShowReplay();
    void ShowProgress();
    void ShowOverview();
    // Fills m_overview for the period chosen (every player's games read at the first call of an
    // opening); the period's bounds, invalid for all time.
    std::pair<QDateTime, QDateTime> ComputeOverview();
    void LoadOverviewGames();
    void SetPeriod(BoardPeriod period);
    void SetInfo(const QStringList& lines);
    void CreateOwnControls();
    void OpenReplay(int game);
    void CyclePlay();
    void PlaceFilters();
    void UpdateHint();

    View m_view = View::Replay;
    QString m_strOpenAt;
    std::vector<GameRecord> m_games;  // summaries, oldest first
    std::optional<GameRecord> m_game; // the game shown, whole
    int m_nGame = -1;
    int m_nAttempt = -1;
    int m_nSeries = 0;
    QString m_strLastExport;
    std::vector<Player> m_players;
    std::optional<Player> m_shown; // the player whose games are shown; none on a PC without players
    ProgressFilter m_filter;
    BoardPeriod m_period = BoardPeriod::All;
    // Every player's games for the overview, without their samples, read at its first showing of an
    // opening: (name, games); the PC's own, unnamed, without players.
    std::optional<std::vector<std::pair<QString, std::vector<GameRecord>>>> m_allGames;
    std::vector<PlayerLevelStats> m_overview;
    QMetaObject::Connection m_focusWatch; // the hint follows the focus onto the chart and off it
    std::array<int, kDebriefInfoLines - 1> m_lineGames{}; // the games of m_btnGames
};
