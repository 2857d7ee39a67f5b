// The class board: for a class and a period, each player's best total per level, the wild and endless
// top ten, the last games as they arrive and the seats seen in the last minutes. It follows the server
// live (LISTEN aviluma_games, which a trigger notifies on every insert), and every ten seconds besides.
#pragma once

#include "classroom/ClassServer.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

enum class BoardPeriod { Today, Week, All };

struct BoardEntry {
    QString player; // the PC's player, else the competition name, else the seat
    int level = 0;  // 1..10 for a level's best, 0 otherwise
    QString mode;   // level, wild, endless
    int total = 0;
    QString seat;
    QDateTime when;
    QString play; // practice or competition (wild and endless), empty for a level
    QString end;  // finished, closed or link-lost
    bool operator==(const BoardEntry&) const = default;
};

// The board counts what the game counts: a level's best from passed level games only, the top tens
// from finished wild and endless games that scored, practice and competition apart (the PC keeps two
// lists of each too). A game that was closed or lost its drone shows among the recent games only.
struct BoardData {
    std::vector<BoardEntry> levelBests;         // by level, then total, best first
    std::vector<BoardEntry> wildCompetition;    // ten at most, best first
    std::vector<BoardEntry> wildPractice;
    std::vector<BoardEntry> endlessCompetition;
    std::vector<BoardEntry> endlessPractice;
    std::vector<BoardEntry> recent;             // the last twenty received, newest first
    QStringList seatsSeen;                      // seats with a game received in the last ten minutes
};

// The first instant of the period, local time, and the first after it; invalid for all time.
QDateTime PeriodStart(BoardPeriod period, const QDateTime& now);
QDateTime PeriodEnd(BoardPeriod period, const QDateTime& now);
// The board's queries, with bound parameters only. Nothing (and why) on failure.
std::optional<BoardData> ReadBoard(CClassConnection& connection, const QString& className, BoardPeriod period,
                                   QString* why);
// The board as a sheet: GB18030, CRLF, formula-safe fields, like the score sheets.
QByteArray BoardCsv(const BoardData& data);
// Every game of the class in the period, in the order played, as a sheet of the same kind: one line a
// game with each attempt's points. Nothing (and why) on failure.
std::optional<QByteArray> GamesCsv(CClassConnection& connection, const QString& className, BoardPeriod period,
                                   QString* why);

// Keeps a board's data fresh: at once on a notification of a new game, and every ten seconds. A
// server that stops answering holds the board up for a few seconds at most (the call is cut off), and
// the connection is made again at the next refresh.
class CBoardFeed : public QObject {
public:
    // refreshMs: the refresh besides the notifications; 0 for none (tests: only a notification shows
    // a new game then). callLimit: how long one refresh may wait for the server.
    CBoardFeed(QString connection, QString className, int refreshMs = 10000,
               std::chrono::milliseconds callLimit = kCallLimit);
    ~CBoardFeed() override;
    bool Open(QString* why);
    void SetPeriod(BoardPeriod period);
    BoardPeriod Period() const { return m_period; }
    const QString& ClassName() const { return m_strClass; }
    const BoardData& Data() const { return m_data; }
    QString LastError() const { return m_strError; }
    void Refresh();
    // Every game of the period as a sheet (GamesCsv).
    std::optional<QByteArray> ExportGames(QString* why);
    // Told after every refresh.
    std::function<void()> onChanged;

    static constexpr std::chrono::seconds kCallLimit{5};

private:
    bool Connect(QString* why);

    const QString m_strConnection;
    const QString m_strClass;
    const std::chrono::milliseconds m_callLimit;
    std::unique_ptr<CClassConnection> m_pConnection;
    BoardPeriod m_period = BoardPeriod::Today;
    BoardData m_data;
    QString m_strError;
    QTimer m_timer;
    int m_nRefreshMs;
};

// The board's window over feed, which must outlive it: the game's colours, for the coach's PC or a
// projector.
std::unique_ptr<QWidget> MakeBoardWindow(CBoardFeed& feed);
// aviluma-class board: the board in a window, opened on the server.
int RunBoardWindow(const QString& connection, const QString& className);
