#include "classroom/ClassBoard.h"

#include "classroom/CallLimit.h"
#include "classroom/ClassConnection.h"
#include "classroom/ClassErrors.h"
#include "platform/UiThread.h"
#include "records/Csv.h"
#include "records/History.h"
#include "state/Log.h"

#include <QSqlError>
#include <QSqlQuery>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr int kTopSize = 10;
constexpr int kRecentSize = 20;
const QString kChannel = QStringLiteral("aviluma_games");
// Who flew, as the board names them: the same name on two PCs is one player of the class.
const QString kPlayer = QStringLiteral("coalesce(nullif(player, ''), nullif(name, ''), seat)");

// The entry of the row query is on, read with kColumns.
BoardEntry EntryAt(const QSqlQuery& query) {
    return {query.value(0).toString(), query.value(1).toInt(),    query.value(2).toString(),
            query.value(3).toInt(),    query.value(4).toString(), query.value(5).toDateTime(),
            query.value(6).toString(), query.value(7).toString(), query.value(8).toString(),
            query.value(9).toDateTime()};
}

std::vector<BoardEntry> Entries(QSqlQuery& query) {
    std::vector<BoardEntry> entries;
    while (query.next())
        entries.push_back(EntryAt(query));
    return entries;
}

} // namespace

QDateTime PeriodStart(BoardPeriod period, const QDateTime& now) {
    const QDate today = now.date();
    switch (period) {
    case BoardPeriod::Today:
        return QDateTime(today, QTime(0, 0));
    case BoardPeriod::Week:
        return QDateTime(today.addDays(1 - today.dayOfWeek()), QTime(0, 0));
    case BoardPeriod::All:
        break;
    }
    return {};
}

QDateTime PeriodEnd(BoardPeriod period, const QDateTime& now) {
    const QDateTime start = PeriodStart(period, now);
    return period == BoardPeriod::Week ? start.addDays(7) : start.addDays(1);
}

namespace {

// The period as the server's timestamptz texts, from and before: in UTC, since a local time without
// its offset would be read in the server session's time zone. A PC whose clock runs a day ahead does
// not put tomorrow's game on today's board.
std::pair<QString, QString> PeriodForServer(BoardPeriod period) {
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime from = PeriodStart(period, now);
    if (!from.isValid())
        return {QStringLiteral("-infinity"), QStringLiteral("infinity")};
    return {from.toUTC().toString(Qt::ISODate), PeriodEnd(period, now).toUTC().toString(Qt::ISODate)};
}

const QString kInPeriod = QStringLiteral("started >= ?::timestamptz AND started < ?::timestamptz");
const QString kColumns =
    kPlayer + QStringLiteral(", level, mode, total, seat, started, coalesce(play, ''), game_end, id::text, received");
// What a game must be to count: for a level's best, for a top ten (with its mode and play).
const QString kLevelBest = QStringLiteral("mode = 'level' AND game_end = 'finished' AND result = 'passed'");
const QString kTopGame = QStringLiteral("level = 0 AND game_end = 'finished' AND total > 0");

// The boards' orders, as the queries give them (ties broken by start, then id, to be the same each time).
bool TopBefore(const BoardEntry& a, const BoardEntry& b) {
    if (a.total != b.total)
        return a.total > b.total;
    return a.when != b.when ? a.when < b.when : a.id < b.id;
}
bool LevelBestBefore(const BoardEntry& a, const BoardEntry& b) {
    if (a.level != b.level)
        return a.level < b.level;
    return a.total != b.total ? a.total > b.total : a.player < b.player;
}
bool RecentBefore(const BoardEntry& a, const BoardEntry& b) {
    return a.received != b.received ? a.received > b.received : a.id > b.id;
}

// Puts e in its place in list, once, keeping limit entries at most.
void Place(std::vector<BoardEntry>& list, const BoardEntry& e, bool (*before)(const BoardEntry&, const BoardEntry&),
           std::size_t limit) {
    if (std::any_of(list.begin(), list.end(), [&](const BoardEntry& x) { return x.id == e.id; }))
        return;
    list.insert(std::upper_bound(list.begin(), list.end(), e, before), e);
    if (list.size() > limit)
        list.resize(limit);
}

class CBoardQuery {
public:
    CBoardQuery(CClassConnection& connection, QString* why) : m_query(connection.Database()), m_why(why) {
        m_query.setForwardOnly(true);
    }
    bool Run(const QString& sql, const QVariantList& values) {
        m_query.prepare(sql);
        for (const QVariant& value : values)
            m_query.addBindValue(value);
        if (m_query.exec())
            return true;
        if (m_why)
            *m_why = ClassErrorText(m_query.lastError().databaseText());
        return false;
    }
    QSqlQuery& Query() { return m_query; }

private:
    QSqlQuery m_query;
    QString* m_why;
};

} // namespace

std::optional<BoardData> ReadBoard(CClassConnection& connection, const QString& className, BoardPeriod period,
                                   QString* why, QDateTime* newest) {
    const auto [from, before] = PeriodForServer(period);
    CBoardQuery board(connection, why);
    QSqlQuery& query = board.Query();
    // Read first: a game that arrives during the queries below is read again by the next changes.
    if (newest) {
        if (!board.Run(QStringLiteral("SELECT max(received) FROM games WHERE class = ?"), {className}))
            return std::nullopt;
        *newest = query.next() ? query.value(0).toDateTime() : QDateTime();
    }
    BoardData data;
    if (!board.Run(QStringLiteral("SELECT DISTINCT ON (level, %1) %2 FROM games WHERE class = ? AND %3 AND %4 "
                                  "ORDER BY level, %1, total DESC, started, id")
                       .arg(kPlayer, kColumns, kLevelBest, kInPeriod),
                   {className, from, before}))
        return std::nullopt;
    data.levelBests = Entries(query);
    std::stable_sort(data.levelBests.begin(), data.levelBests.end(), LevelBestBefore);
    // level = 0 (always so for these modes) lets the class's (mode, level, total) index give the order.
    for (const auto& [mode, play, top] :
         {std::tuple{QStringLiteral("wild"), QStringLiteral("competition"), &data.wildCompetition},
          std::tuple{QStringLiteral("wild"), QStringLiteral("practice"), &data.wildPractice},
          std::tuple{QStringLiteral("endless"), QStringLiteral("competition"), &data.endlessCompetition},
          std::tuple{QStringLiteral("endless"), QStringLiteral("practice"), &data.endlessPractice}}) {
        if (!board.Run(QStringLiteral("SELECT %1 FROM games WHERE class = ? AND mode = ? AND play = ? AND %2 AND %3 "
                                      "ORDER BY total DESC, started, id LIMIT %4")
                           .arg(kColumns, kTopGame, kInPeriod)
                           .arg(kTopSize),
                       {className, mode, play, from, before}))
            return std::nullopt;
        *top = Entries(query);
    }
    if (!board.Run(QStringLiteral("SELECT %1 FROM games WHERE class = ? AND %2 ORDER BY received DESC, id DESC LIMIT %3")
                       .arg(kColumns, kInPeriod)
                       .arg(kRecentSize),
                   {className, from, before}))
        return std::nullopt;
    data.recent = Entries(query);
    // Each seat of the class once (a skip over the seat index), then whether it sent in the last ten
    // minutes: some forty probes where a room has just sent thousands of games.
    if (!board.Run(QStringLiteral("WITH RECURSIVE seats AS ((SELECT seat FROM games WHERE class = ? ORDER BY seat LIMIT 1) "
                                  "UNION ALL SELECT (SELECT g.seat FROM games g WHERE g.class = ? AND g.seat > s.seat "
                                  "ORDER BY g.seat LIMIT 1) FROM seats s WHERE s.seat IS NOT NULL) "
                                  "SELECT seat FROM seats s WHERE seat IS NOT NULL AND EXISTS (SELECT FROM games g WHERE "
                                  "g.class = ? AND g.seat = s.seat AND g.received > now() - interval '10 minutes') "
                                  "ORDER BY seat"),
                   {className, className, className}))
        return std::nullopt;
    while (query.next())
        data.seatsSeen << query.value(0).toString();
    return data;
}

bool ReadBoardChanges(CClassConnection& connection, const QString& className, BoardPeriod period, BoardData& data,
                      QDateTime& since, QString* why) {
    const auto [from, before] = PeriodForServer(period);
    CBoardQuery board(connection, why);
    QSqlQuery& query = board.Query();
    // Every game since counts for the seats seen, those of the period for the rest.
    if (!board.Run(QStringLiteral("SELECT %1, %2, %3 AND play IS NOT NULL, %4 FROM games WHERE class = ? AND received > "
                                  "?::timestamptz - interval '1 second' ORDER BY received")
                       .arg(kColumns, kLevelBest, kTopGame, kInPeriod),
                   {from, before, className,
                    since.isValid() ? since.toUTC().toString(Qt::ISODateWithMs) : QStringLiteral("-infinity")}))
        return false;
    const QDateTime tenMinutesAgo = QDateTime::currentDateTime().addSecs(-600);
    while (query.next()) {
        const BoardEntry e = EntryAt(query);
        if (!since.isValid() || e.received > since)
            since = e.received;
        if (!data.seatsSeen.contains(e.seat) && e.received > tenMinutesAgo) {
            data.seatsSeen << e.seat;
            data.seatsSeen.sort();
        }
        if (!query.value(12).toBool())
            continue;
        if (query.value(10).toBool()) {
            const auto same = std::find_if(data.levelBests.begin(), data.levelBests.end(), [&](const BoardEntry& x) {
                return x.level == e.level && x.player == e.player;
            });
            if (same == data.levelBests.end() || (same->id != e.id && TopBefore(e, *same))) {
                if (same != data.levelBests.end())
                    data.levelBests.erase(same);
                data.levelBests.insert(
                    std::upper_bound(data.levelBests.begin(), data.levelBests.end(), e, LevelBestBefore), e);
            }
        }
        if (query.value(11).toBool()) {
            const bool wild = e.mode == QLatin1String("wild");
            const bool competition = e.play == QLatin1String("competition");
            Place(wild ? (competition ? data.wildCompetition : data.wildPractice)
                       : (competition ? data.endlessCompetition : data.endlessPractice),
                  e, TopBefore, kTopSize);
        }
        Place(data.recent, e, RecentBefore, kRecentSize);
    }
    return true;
}

namespace {

// The history's codes in the words of the score sheets; a game cut short by its name everywhere.
QString SheetWord(const QString& code) {
    static const std::map<QString, QString> words{
        {QStringLiteral("level"), QStringLiteral("闯关")},      {QStringLiteral("wild"), QStringLiteral("狂野")},
        {QStringLiteral("endless"), QStringLiteral("无尽")},    {QStringLiteral("practice"), QStringLiteral("练习")},
        {QStringLiteral("competition"), QStringLiteral("比赛")}, {QStringLiteral("finished"), QStringLiteral("完成")},
        {QStringLiteral("passed"), QStringLiteral("通过")},     {QStringLiteral("failed"), QStringLiteral("未通过")}};
    if (const std::optional<GameEnd> end = GameEndFromCode(code); end && *end != GameEnd::Finished)
        return CutShortText(*end);
    const auto found = words.find(code);
    return found == words.end() ? SheetField(code) : found->second;
}

} // namespace

QByteArray BoardCsv(const BoardData& data) {
    // Columns are read by position: new ones go at the end.
    QByteArray csv = SheetBytes(QStringLiteral("榜单,关卡,玩家,总分,座位,开始时间,方式,结束方式"));
    const auto rows = [&](const QString& board, const std::vector<BoardEntry>& entries) {
        for (const BoardEntry& e : entries)
            csv += SheetBytes(QStringList{SheetField(board), e.level > 0 ? QString::number(e.level) : QString(),
                                          SheetField(e.player), QString::number(e.total), SheetField(e.seat),
                                          e.when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                          e.play.isEmpty() ? QString() : SheetWord(e.play), SheetWord(e.end)}
                                  .join(QLatin1Char(',')));
    };
    rows(QStringLiteral("闯关最好成绩"), data.levelBests);
    rows(QStringLiteral("狂野模式比赛前十"), data.wildCompetition);
    rows(QStringLiteral("狂野模式练习前十"), data.wildPractice);
    rows(QStringLiteral("无尽模式比赛前十"), data.endlessCompetition);
    rows(QStringLiteral("无尽模式练习前十"), data.endlessPractice);
    rows(QStringLiteral("最近的成绩"), data.recent);
    return csv;
}

std::optional<QByteArray> GamesCsv(CClassConnection& connection, const QString& className, BoardPeriod period,
                                   QString* why) {
    QSqlQuery query(connection.Database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT id, seat, player, name, mode, level, play, started, ended, game_end, result, total, "
        "(SELECT string_agg(round((a->>'points')::numeric, 1)::text, ' ') FROM jsonb_array_elements(attempts) a), "
        "received FROM games WHERE class = ? AND %1 ORDER BY started, id").arg(kInPeriod));
    const auto [from, before] = PeriodForServer(period);
    query.addBindValue(className);
    query.addBindValue(from);
    query.addBindValue(before);
    if (!query.exec()) {
        if (why)
            *why = ClassErrorText(query.lastError().databaseText());
        return std::nullopt;
    }
    const auto word = [&](int column) { return SheetWord(query.value(column).toString()); };
    const auto time = [&](int column) {
        return query.value(column).toDateTime().toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    };
    QByteArray csv = SheetBytes(QStringLiteral("编号,座位,玩家,姓名,模式,关卡,方式,开始时间,结束时间,结束方式,结果,总分,"
                                               "各次得分,上传时间"));
    while (query.next()) {
        const int level = query.value(5).toInt();
        csv += SheetBytes(QStringList{query.value(0).toString(), SheetField(query.value(1).toString()),
                                      SheetField(query.value(2).toString()), SheetField(query.value(3).toString()),
                                      word(4), level > 0 ? QString::number(level) : QString(), word(6), time(7),
                                      time(8), word(9), word(10), QString::number(query.value(11).toInt()),
                                      query.value(12).toString(), time(13)}
                              .join(QLatin1Char(',')));
    }
    return csv;
}

struct CBoardFeed::Requests {
    bool stop = false;
    bool refresh = true;
    BoardPeriod period = BoardPeriod::Today;
    std::vector<std::pair<BoardPeriod, std::function<void(std::optional<QByteArray>, const QString&)>>> exports;
};

CBoardFeed::CBoardFeed(QString connection, QString className, std::chrono::milliseconds refreshInterval,
                       std::chrono::milliseconds callLimit)
    : m_strConnection(std::move(connection)), m_strClass(std::move(className)), m_refreshInterval(refreshInterval),
      m_callLimit(callLimit), m_pRequests(std::make_unique<Requests>()), m_nWake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CBoardFeed::~CBoardFeed() {
    *m_pAlive = false;
    {
        std::lock_guard lock(m_mutex);
        m_pRequests->stop = true;
        if (m_pBusy)
            m_pBusy->Abort();
    }
    Wake();
    if (m_thread.joinable())
        m_thread.join();
    if (m_nWake >= 0)
        close(m_nWake);
}

void CBoardFeed::Start() {
    if (!m_thread.joinable())
        m_thread = std::thread([this] { Run(); });
}

void CBoardFeed::SetPeriod(BoardPeriod period) {
    m_period = period;
    {
        std::lock_guard lock(m_mutex);
        m_pRequests->period = period;
        m_pRequests->refresh = true;
    }
    Wake();
}

void CBoardFeed::Refresh() {
    {
        std::lock_guard lock(m_mutex);
        m_pRequests->refresh = true;
    }
    Wake();
}

void CBoardFeed::ExportGames(std::function<void(std::optional<QByteArray>, const QString&)> done) {
    {
        std::lock_guard lock(m_mutex);
        m_pRequests->exports.emplace_back(m_period, std::move(done));
    }
    Wake();
}

void CBoardFeed::Wake() {
    const std::uint64_t one = 1;
    if (m_nWake >= 0 && write(m_nWake, &one, sizeof one) < 0 && errno != EAGAIN)
        qCWarning(lcRecords, "cannot wake the board's thread: %s", std::strerror(errno));
}

bool CBoardFeed::Wait(int socket, std::chrono::milliseconds time) {
    pollfd fds[2] = {{m_nWake, POLLIN, 0}, {socket, POLLIN, 0}};
    const int timeout = static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(time.count(), 0, 60000));
    if (poll(fds, socket >= 0 ? 2 : 1, timeout) <= 0)
        return false;
    if (fds[0].revents & POLLIN) {
        std::uint64_t count = 0;
        (void)!read(m_nWake, &count, sizeof count);
    }
    return socket >= 0 && (fds[1].revents & (POLLIN | POLLERR | POLLHUP)) != 0;
}

bool CBoardFeed::Call(CClassConnection& connection, const std::function<bool(QString*)>& work, QString* why) {
    {
        std::lock_guard lock(m_mutex);
        m_pBusy = &connection;
        if (m_pRequests->stop)
            connection.Abort();
    }
    bool done = false;
    {
        CCallLimit limit(connection, m_callLimit);
        done = work(why);
        if (limit.CutOff()) {
            done = false;
            *why = limit.Why();
        }
    }
    std::lock_guard lock(m_mutex);
    m_pBusy = nullptr;
    return done;
}

std::unique_ptr<CClassConnection> CBoardFeed::Connect(QString* why) {
    auto connection = std::make_unique<CClassConnection>(m_strConnection);
    if (!connection->Open(why))
        return nullptr;
    // Live where the server notifies; the periodic refresh covers a lost notification.
    if (!Call(*connection, [&](QString* w) { return connection->Check(w) && connection->Listen(kChannel, w); }, why))
        return nullptr;
    return connection;
}

void CBoardFeed::Deliver(BoardUpdate update) {
    CUiThread::Post([this, alive = m_pAlive, update = std::move(update)]() mutable {
        if (!*alive)
            return;
        m_last = std::move(update);
        ++m_nRefreshes;
        if (onChanged)
            onChanged();
    });
}

void CBoardFeed::Run() {
    using Clock = std::chrono::steady_clock;
    constexpr std::chrono::milliseconds kFirstRetry{1000};
    const auto never = Clock::time_point::max();
    std::unique_ptr<CClassConnection> connection;
    BoardData data;
    Clock::time_point lastRefresh;
    Clock::time_point nextRefresh = never;
    std::chrono::milliseconds retry = kFirstRetry;
    QDateTime since; // the newest game on the board
    bool owed = false;
    bool whole = true; // owed a whole read, not only the games since
    // An export's sheet, or why there is none, to the window that asked.
    const auto answer = [this](auto done, std::optional<QByteArray> sheet, const QString& reason) {
        CUiThread::Post([alive = m_pAlive, done = std::move(done), sheet = std::move(sheet), reason] {
            if (*alive)
                done(sheet, reason);
        });
    };
    for (;;) {
        BoardPeriod period;
        std::vector<std::pair<BoardPeriod, std::function<void(std::optional<QByteArray>, const QString&)>>> exports;
        {
            std::lock_guard lock(m_mutex);
            if (m_pRequests->stop)
                break;
            whole = whole || m_pRequests->refresh;
            owed = owed || m_pRequests->refresh;
            m_pRequests->refresh = false;
            period = m_pRequests->period;
            exports.swap(m_pRequests->exports);
        }
        QString why;
        if (!connection) {
            connection = Connect(&why);
            if (!connection) {
                for (auto& [from, done] : exports)
                    answer(std::move(done), std::nullopt, why);
                const auto now = std::chrono::system_clock::now();
                Deliver({data, why, period, now, now});
                Wait(-1, retry);
                retry = std::min(retry * 2, std::max<std::chrono::milliseconds>(m_refreshInterval, kFirstRetry));
                continue;
            }
            retry = kFirstRetry;
            owed = whole = true;
        }
        for (auto& [from, done] : exports) {
            std::optional<QByteArray> sheet;
            Call(*connection, [&, from = from](QString* w) {
                sheet = GamesCsv(*connection, m_strClass, from, w);
                return sheet.has_value();
            }, &why);
            answer(std::move(done), std::move(sheet), why);
        }
        // What the server told meanwhile, during the last queries too: only this class's games count.
        QStringList payloads;
        if (!connection->TakeNotifications(kChannel, &payloads)) {
            connection.reset();
            continue;
        }
        owed = owed || payloads.contains(m_strClass);
        const Clock::time_point now = Clock::now();
        if (now >= nextRefresh)
            owed = whole = true;
        if (owed && now >= lastRefresh + kGap) {
            // A notification brings the games since the last read; the periodic read, a new period or
            // a new connection read the whole board (a game a coach removed goes then).
            BoardUpdate update{{}, {}, period, std::chrono::system_clock::now(), {}, whole};
            const bool read = Call(*connection, [&](QString* w) {
                if (!whole)
                    return ReadBoardChanges(*connection, m_strClass, period, data, since, w);
                std::optional<BoardData> board = ReadBoard(*connection, m_strClass, period, w, &since);
                if (board)
                    data = std::move(*board);
                return board.has_value();
            }, &update.error);
            update.ended = std::chrono::system_clock::now();
            if (!read)
                connection.reset(); // a fresh connection next time: this one may be dead
            update.data = data;
            Deliver(std::move(update));
            owed = false;
            lastRefresh = Clock::now();
            if (whole && read)
                nextRefresh = m_refreshInterval.count() > 0 ? lastRefresh + m_refreshInterval : never;
            whole = !read;
            continue;
        }
        const Clock::time_point until = owed ? lastRefresh + kGap : nextRefresh;
        Wait(connection->Socket(), until == never ? std::chrono::milliseconds(60000)
                                                  : std::chrono::ceil<std::chrono::milliseconds>(until - now));
    }
}
