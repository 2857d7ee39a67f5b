// The class board: for a class and a period, each player's best total per level, the wild and endless
// top ten, the last games as they arrive and the seats seen in the last minutes. It follows the server
// live (LISTEN aviluma_games, which a trigger notifies on every insert with the game's class), and every
// ten seconds besides. Its window is CBoardWindow.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class CClassConnection;

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
    QString id;   // the game's
    QDateTime received;
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
    bool operator==(const BoardData&) const = default;
};

// The first instant of the period, local time, and the first after it; invalid for all time.
QDateTime PeriodStart(BoardPeriod period, const QDateTime& now);
QDateTime PeriodEnd(BoardPeriod period, const QDateTime& now);
// The board's queries, with bound parameters only. Nothing (and why) on failure. newest, when given,
// receives when the class's last game arrived, read before the rest, for ReadBoardChanges.
std::optional<BoardData> ReadBoard(CClassConnection& connection, const QString& className, BoardPeriod period,
                                   QString* why, QDateTime* newest = nullptr);
// The games that arrived since (from a second before it: a game's arrival is stamped when its
// transaction began, and a slow one commits later), merged into data as ReadBoard would count them; a
// game merged twice changes nothing. since moves on to the newest game read. One query on the
// class's arrival index, however large the period: false and why on failure.
bool ReadBoardChanges(CClassConnection& connection, const QString& className, BoardPeriod period, BoardData& data,
                      QDateTime& since, QString* why);
// The board as a sheet: GB18030, CRLF, formula-safe fields, like the score sheets.
QByteArray BoardCsv(const BoardData& data);
// Every game of the class in the period, in the order played, as a sheet of the same kind: one line a
// game with each attempt's points. Nothing (and why) on failure.
std::optional<QByteArray> GamesCsv(CClassConnection& connection, const QString& className, BoardPeriod period,
                                   QString* why);

// What one refresh of the board brought, for the window.
struct BoardUpdate {
    BoardData data;      // the board as read; the last one read when error is set
    QString error;       // why the board could not be read; empty when it was
    BoardPeriod period = BoardPeriod::Today;
    std::chrono::system_clock::time_point started; // when its first query was sent
    std::chrono::system_clock::time_point ended;   // when its last answer came
    bool whole = true; // the whole board read, not only the games since the last refresh
};

// Keeps a board's data fresh on a thread of its own, with a connection of its own: soon after the
// server tells of a new game of this class (other classes' games are ignored; a burst brings one
// refresh, at most one every kGap, which reads the games since the last), and wholly every
// refreshInterval besides. The window hears of every
// refresh on its own thread; it never waits for the server. A server that stops answering holds the
// thread for the call limit at most; the connection is made again, with waits that grow to the
// refresh interval.
class CBoardFeed {
public:
    // refreshInterval: the refresh besides the notifications; 0 for none (tests: only a notification
    // shows a new game then). callLimit: how long one call may wait for the server.
    CBoardFeed(QString connection, QString className, std::chrono::milliseconds refreshInterval = kRefreshInterval,
               std::chrono::milliseconds callLimit = kCallLimit);
    ~CBoardFeed(); // the thread stopped: a call under way is cut off
    CBoardFeed(const CBoardFeed&) = delete;
    CBoardFeed& operator=(const CBoardFeed&) = delete;

    // Starts the thread: it connects, listens and reads the board.
    void Start();
    // On the UI thread. The period shown from the next refresh on, which comes at once.
    void SetPeriod(BoardPeriod period);
    BoardPeriod Period() const { return m_period; }
    const QString& ClassName() const { return m_strClass; }
    // The last refresh, on the UI thread; empty before the first.
    const BoardUpdate& Last() const { return m_last; }
    const BoardData& Data() const { return m_last.data; }
    const QString& LastError() const { return m_last.error; }
    int Refreshes() const { return m_nRefreshes; }
    // A refresh now (the coach asked, or a test).
    void Refresh();
    // Every game of the period as a sheet (GamesCsv), read on the feed's thread; done runs on the UI
    // thread with the sheet, or nothing and why.
    void ExportGames(std::function<void(std::optional<QByteArray>, const QString&)> done);
    // Told on the UI thread after every refresh.
    std::function<void()> onChanged;

    static constexpr std::chrono::seconds kRefreshInterval{10};
    static constexpr std::chrono::seconds kCallLimit{5};
    // The least time between two refreshes: a burst of games is one refresh.
    static constexpr std::chrono::milliseconds kGap{250};

private:
    struct Requests;
    void Run();
    // A connection that listens for new games, checked; nothing and why.
    std::unique_ptr<CClassConnection> Connect(QString* why);
    void Wake();
    // Waits for the connection's socket, a wake-up or the time; whether the socket has something.
    bool Wait(int socket, std::chrono::milliseconds time);
    // Runs work as one call on connection, cut off after the limit; false and why when it was.
    bool Call(CClassConnection& connection, const std::function<bool(QString*)>& work, QString* why);
    void Deliver(BoardUpdate update);

    const QString m_strConnection;
    const QString m_strClass;
    const std::chrono::milliseconds m_refreshInterval;
    const std::chrono::milliseconds m_callLimit;
    // The UI thread's side.
    BoardPeriod m_period = BoardPeriod::Today;
    BoardUpdate m_last;
    int m_nRefreshes = 0;
    std::shared_ptr<bool> m_pAlive = std::make_shared<bool>(true); // jobs posted to a feed gone do nothing
    // Shared with the thread.
    std::mutex m_mutex;
    std::unique_ptr<Requests> m_pRequests;
    CClassConnection* m_pBusy = nullptr; // the connection of a call under way, for the destructor to cut off
    int m_nWake = -1;                    // an eventfd
    std::thread m_thread;
};
