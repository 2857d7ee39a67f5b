#include "classroom/ClassBoard.h"

#include "platform/FileIo.h"
#include "platform/Translation.h"
#include "records/ScoreSheet.h"
#include "widgets/Fonts.h"
#include "widgets/PlateButton.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cstring>

namespace {

constexpr int kTopSize = 10;
constexpr int kRecentSize = 20;
const QString kChannel = QStringLiteral("aviluma_games");
// Who flew, as the board names them: the same name on two PCs is one player of the class.
const QString kPlayer = QStringLiteral("coalesce(nullif(player, ''), nullif(name, ''), seat)");

std::vector<BoardEntry> Entries(QSqlQuery& query) {
    std::vector<BoardEntry> entries;
    while (query.next())
        entries.push_back({query.value(0).toString(), query.value(1).toInt(), query.value(2).toString(),
                           query.value(3).toInt(), query.value(4).toString(), query.value(5).toDateTime(),
                           query.value(6).toString(), query.value(7).toString()});
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

} // namespace

std::optional<BoardData> ReadBoard(CClassConnection& connection, const QString& className, BoardPeriod period,
                                   QString* why) {
    const auto [from, before] = PeriodForServer(period);
    QSqlQuery query(connection.Database());
    const auto run = [&](const QString& sql, const QVariantList& values) {
        query.prepare(sql);
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (query.exec())
            return true;
        if (why)
            *why = ClassErrorText(query.lastError().databaseText());
        return false;
    };
    const QString columns = kPlayer + QStringLiteral(", level, mode, total, seat, started, coalesce(play, ''), game_end");
    BoardData data;
    if (!run(QStringLiteral("SELECT DISTINCT ON (level, %1) %2 FROM games WHERE class = ? AND mode = 'level' "
                            "AND game_end = 'finished' AND result = 'passed' AND %3 ORDER BY level, %1, total DESC")
                 .arg(kPlayer, columns, kInPeriod),
             {className, from, before}))
        return std::nullopt;
    data.levelBests = Entries(query);
    std::stable_sort(data.levelBests.begin(), data.levelBests.end(), [](const BoardEntry& a, const BoardEntry& b) {
        return a.level != b.level ? a.level < b.level : a.total > b.total;
    });
    // level = 0 (always so for these modes) lets the class's (mode, level, total) index give the order.
    for (const auto& [mode, play, top] :
         {std::tuple{QStringLiteral("wild"), QStringLiteral("competition"), &data.wildCompetition},
          std::tuple{QStringLiteral("wild"), QStringLiteral("practice"), &data.wildPractice},
          std::tuple{QStringLiteral("endless"), QStringLiteral("competition"), &data.endlessCompetition},
          std::tuple{QStringLiteral("endless"), QStringLiteral("practice"), &data.endlessPractice}}) {
        if (!run(QStringLiteral("SELECT %1 FROM games WHERE class = ? AND mode = ? AND level = 0 AND play = ? "
                                "AND game_end = 'finished' AND total > 0 AND %2 ORDER BY total DESC, started LIMIT %3")
                     .arg(columns, kInPeriod)
                     .arg(kTopSize),
                 {className, mode, play, from, before}))
            return std::nullopt;
        *top = Entries(query);
    }
    if (!run(QStringLiteral("SELECT %1 FROM games WHERE class = ? AND %2 ORDER BY received DESC LIMIT %3")
                 .arg(columns, kInPeriod)
                 .arg(kRecentSize),
             {className, from, before}))
        return std::nullopt;
    data.recent = Entries(query);
    if (!run(QStringLiteral("SELECT DISTINCT seat FROM games WHERE class = ? AND received > now() - interval "
                            "'10 minutes' ORDER BY seat"),
             {className}))
        return std::nullopt;
    while (query.next())
        data.seatsSeen << query.value(0).toString();
    return data;
}

namespace {

// The history's codes in the words of the score sheets.
QString SheetWord(const QString& code) {
    static const std::map<QString, QString> words{
        {QStringLiteral("level"), QStringLiteral("闯关")},      {QStringLiteral("wild"), QStringLiteral("狂野")},
        {QStringLiteral("endless"), QStringLiteral("无尽")},    {QStringLiteral("practice"), QStringLiteral("练习")},
        {QStringLiteral("competition"), QStringLiteral("比赛")}, {QStringLiteral("finished"), QStringLiteral("完成")},
        {QStringLiteral("closed"), QStringLiteral("关闭")},     {QStringLiteral("link-lost"), QStringLiteral("链路中断")},
        {QStringLiteral("passed"), QStringLiteral("通过")},     {QStringLiteral("failed"), QStringLiteral("未通过")}};
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

CBoardFeed::CBoardFeed(QString connection, QString className, int refreshMs, std::chrono::milliseconds callLimit)
    : m_strConnection(std::move(connection)), m_strClass(std::move(className)), m_callLimit(callLimit),
      m_nRefreshMs(refreshMs) {
    connect(&m_timer, &QTimer::timeout, this, [this] { Refresh(); });
}

CBoardFeed::~CBoardFeed() = default;

bool CBoardFeed::Open(QString* why) {
    if (!Connect(why))
        return false;
    if (m_nRefreshMs > 0)
        m_timer.start(m_nRefreshMs);
    Refresh();
    return true;
}

bool CBoardFeed::Connect(QString* why) {
    auto connection = std::make_unique<CClassConnection>(m_strConnection);
    if (!connection->Open(why))
        return false;
    {
        CCallLimit limit(*connection, m_callLimit);
        const bool checked = connection->Check(why);
        if (limit.CutOff() && why)
            *why = limit.Why();
        if (!checked)
            return false;
    }
    QSqlDriver* driver = connection->Database().driver();
    // Live where the server notifies; the timer covers a lost notification or connection. Queued: a
    // refresh may replace the connection whose driver tells.
    if (driver->subscribeToNotification(kChannel))
        connect(driver, &QSqlDriver::notification, this, [this](const QString& channel) {
            if (channel == kChannel)
                Refresh();
        }, Qt::QueuedConnection);
    m_pConnection = std::move(connection);
    return true;
}

void CBoardFeed::SetPeriod(BoardPeriod period) {
    m_period = period;
    Refresh();
}

void CBoardFeed::Refresh() {
    QString why;
    std::optional<BoardData> data;
    if (m_pConnection || Connect(&why)) {
        CCallLimit limit(*m_pConnection, m_callLimit);
        data = ReadBoard(*m_pConnection, m_strClass, m_period, &why);
        if (limit.CutOff())
            why = limit.Why();
    }
    if (data) {
        m_data = std::move(*data);
        m_strError.clear();
    } else {
        m_strError = why;
        m_pConnection.reset(); // a fresh connection at the next refresh: this one may be dead
    }
    if (onChanged)
        onChanged();
}

std::optional<QByteArray> CBoardFeed::ExportGames(QString* why) {
    if (!m_pConnection && !Connect(why))
        return std::nullopt;
    CCallLimit limit(*m_pConnection, m_callLimit);
    std::optional<QByteArray> sheet = GamesCsv(*m_pConnection, m_strClass, m_period, why);
    if (limit.CutOff() && why)
        *why = limit.Why();
    return sheet;
}

namespace {

enum class FirstColumn { Level, Rank, Game };

// The colours of the game's art.
const QColor kGold(0xff, 0xd5, 0x4f);
const QColor kOrange(0xff, 0x98, 0x00);
const QColor kPale(0xcf, 0xe5, 0xff);
const QColor kWarning(0xff, 0x8a, 0x80);
const QColor kDimmed(0x8f, 0xa6, 0xc4);

QString GameText(const BoardEntry& e) {
    if (e.mode == QLatin1String("wild"))
        return Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "狂野")));
    if (e.mode == QLatin1String("endless"))
        return Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "无尽")));
    return Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "第 %1 关"))).arg(e.level);
}

// Why a game that did not end as the game ends (the window closed, the drone lost) counts nowhere;
// empty for one that did.
QString UncountedText(const BoardEntry& e) {
    if (e.end == QLatin1String("link-lost"))
        return Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "%1（链路中断，不计成绩）"))).arg(GameText(e));
    if (e.end == QLatin1String("closed"))
        return Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "%1（中途关闭，不计成绩）"))).arg(GameText(e));
    return {};
}

void Fill(QTableWidget* table, const std::vector<BoardEntry>& entries, FirstColumn first) {
    table->setRowCount(static_cast<int>(entries.size()));
    for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
        const BoardEntry& e = entries[static_cast<std::size_t>(row)];
        // A game that counts nowhere stays short on the projector (a mark, the row dimmed) and says
        // why on hover and to a screen reader.
        const QString uncounted = first == FirstColumn::Game ? UncountedText(e) : QString();
        const QString head = first == FirstColumn::Level  ? QString::number(e.level)
                             : first == FirstColumn::Rank ? QString::number(row + 1)
                             : uncounted.isEmpty()        ? GameText(e)
                                                          : GameText(e) + QStringLiteral(" ✕");
        const QStringList cells{head, e.player, QString::number(e.total), e.seat,
                                e.when.toLocalTime().toString(QStringLiteral("MM-dd HH:mm"))};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (!uncounted.isEmpty()) {
                item->setForeground(kDimmed);
                item->setToolTip(uncounted);
                if (column == 0)
                    item->setData(Qt::AccessibleTextRole, uncounted);
            } else if (column == 2) {
                item->setForeground(kGold);
            }
            table->setItem(row, column, item);
        }
    }
}

// A board of the window: a rounded panel with its title and its table.
QTableWidget* Panel(const QString& title, const QString& first, QWidget* parent, QGridLayout* grid, int row,
                    int column, int rowSpan, QLabel** headingOut = nullptr) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QStringLiteral("panel"));
    auto* layout = new QVBoxLayout(panel);
    auto* heading = new QLabel(title, panel);
    heading->setObjectName(QStringLiteral("heading"));
    if (headingOut)
        *headingOut = heading;
    layout->addWidget(heading);
    auto* table = new QTableWidget(0, 5, panel);
    table->setHorizontalHeaderLabels({first, Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "玩家"))),
                                      Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "总分"))),
                                      Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "座位"))),
                                      Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "时间")))});
    table->setAccessibleName(title);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(30);
    table->setShowGrid(false);
    table->setFocusPolicy(Qt::NoFocus);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The player's name takes the room the numbers and times leave.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    layout->addWidget(table);
    grid->addWidget(panel, row, column, rowSpan, 1);
    return table;
}

// The board in the game's colours, for the coach's PC or a projector.
class CBoardWindow : public QWidget {
public:
    explicit CBoardWindow(CBoardFeed& feed) : m_feed(feed) {
        setWindowTitle(
            Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "Aviluma—班级成绩榜：%1"))).arg(feed.ClassName()));
        setFont(MakeCellFont(18));
        setStyleSheet(QStringLiteral(
            "QLabel { color: white; }"
            "QLabel#heading { color: %1; font-size: 20px; font-weight: bold; }"
            "QFrame#panel { background: rgba(8, 35, 79, 210); border: 1px solid rgba(95, 168, 255, 150);"
            " border-radius: 8px; }"
            "QTableWidget { background: transparent; color: white; border: none; font-size: 18px; }"
            "QHeaderView { background: transparent; }"
            "QHeaderView::section { background: rgba(95, 168, 255, 45); color: %2; border: none; padding: 4px;"
            " font-size: 16px; }"
            "QTableCornerButton::section { background: transparent; }"
            "QScrollBar:vertical { background: transparent; width: 8px; }"
            "QScrollBar::handle:vertical { background: rgba(95, 168, 255, 120); border-radius: 4px; }"
            "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }")
                          .arg(kGold.name(), kPale.name()));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(16, 8, 16, 16);
        auto* top = new QHBoxLayout;
        auto* title =
            new QLabel(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "Aviluma—班级成绩榜"))), this);
        title->setFont(MakeCellFont(22));
        top->addWidget(title);
        top->addStretch(1);
        auto* periods = new QButtonGroup(this);
        const BoardPeriod shown = feed.Period();
        for (const auto& [caption, period] :
             {std::pair{Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "今天"))), BoardPeriod::Today},
              std::pair{Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "本周"))), BoardPeriod::Week},
              std::pair{Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "全部"))), BoardPeriod::All}}) {
            auto* plate = Plate(caption, top);
            plate->setCheckable(true);
            plate->setChecked(period == shown);
            periods->addButton(plate, static_cast<int>(period));
        }
        connect(periods, &QButtonGroup::idClicked, this,
                [this](int period) { m_feed.SetPeriod(static_cast<BoardPeriod>(period)); });
        top->addSpacing(24);
        // The top tens of competition or of practice, apart as the PCs keep them.
        auto* plays = new QButtonGroup(this);
        for (const auto& [caption, play] :
             {std::pair{Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "比赛"))), PlayType::Competition},
              std::pair{Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "练习"))), PlayType::Practice}}) {
            auto* plate = Plate(caption, top);
            plate->setCheckable(true);
            plate->setChecked(play == m_play);
            plays->addButton(plate, static_cast<int>(play));
        }
        connect(plays, &QButtonGroup::idClicked, this, [this](int play) {
            m_play = static_cast<PlayType>(play);
            Show();
        });
        top->addSpacing(24);
        connect(Plate(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "导出榜单"))), top),
                &QAbstractButton::clicked, this,
                [this] { Export(QStringLiteral("班级成绩榜"), BoardCsv(m_feed.Data())); });
        connect(Plate(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "导出全部对局"))), top),
                &QAbstractButton::clicked, this, [this] {
                    QString why;
                    if (const std::optional<QByteArray> sheet = m_feed.ExportGames(&why))
                        Export(QStringLiteral("班级全部对局"), *sheet);
                    else
                        Say(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "无法导出：%1"))).arg(why),
                            kWarning);
                });
        layout->addLayout(top);
        layout->addSpacing(14);
        auto* line = new QHBoxLayout;
        auto* className = new QLabel(m_feed.ClassName(), this);
        className->setFont(MakeCellFont(30));
        className->setStyleSheet(QStringLiteral("color: %1").arg(kGold.name()));
        line->addWidget(className);
        line->addSpacing(24);
        m_stcState = new QLabel(this);
        line->addWidget(m_stcState, 1);
        layout->addLayout(line);
        auto* grid = new QGridLayout;
        grid->setSpacing(12);
        m_levels = Panel(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "闯关：每位玩家的最好成绩"))),
                         Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "关卡"))), this, grid, 0, 0, 2);
        m_wild = Panel(QString(), Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "名次"))), this, grid, 0, 1, 1,
                       &m_stcWild);
        m_endless = Panel(QString(), Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "名次"))), this, grid, 1, 1, 1,
                          &m_stcEndless);
        m_recent = Panel(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "最近的成绩"))),
                         Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "模式"))), this, grid, 0, 2, 2);
        layout->addLayout(grid, 1);
        feed.onChanged = [this] { Show(); };
        Show();
    }
    ~CBoardWindow() override { m_feed.onChanged = nullptr; } // the feed may refresh after the window

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient sky(0, 0, 0, height());
        sky.setColorAt(0.0, QColor(0x0b, 0x2f, 0x6b));
        sky.setColorAt(1.0, QColor(0x04, 0x14, 0x33));
        painter.fillRect(rect(), sky);
        painter.fillRect(QRect(0, 0, width(), 52), QColor(0x02, 0x0c, 0x22, 200));
        painter.fillRect(QRect(0, 52, width() * 2 / 7, 3), kOrange); // the title's underline, as in the game
    }

private:
    CPlateButton* Plate(const QString& caption, QHBoxLayout* row) {
        auto* plate = new CPlateButton(this, caption);
        plate->setMinimumSize(plate->fontMetrics().horizontalAdvance(caption) + 36, 38);
        row->addWidget(plate);
        return plate;
    }
    void Say(const QString& text, const QColor& colour) {
        m_stcState->setText(text);
        m_stcState->setStyleSheet(QStringLiteral("color: %1; font-size: 18px").arg(colour.name()));
    }
    void Show() {
        const BoardData& data = m_feed.Data();
        const bool competition = m_play == PlayType::Competition;
        const std::pair<QLabel*, QString> headings[] = {
            {m_stcWild, competition ? Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "狂野模式比赛前十")))
                                    : Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "狂野模式练习前十")))},
            {m_stcEndless, competition ? Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "无尽模式比赛前十")))
                                       : Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "无尽模式练习前十")))}};
        for (const auto& [heading, text] : headings) {
            heading->setText(text);
            heading->parentWidget()->findChild<QTableWidget*>()->setAccessibleName(text);
        }
        Fill(m_levels, data.levelBests, FirstColumn::Level);
        Fill(m_wild, competition ? data.wildCompetition : data.wildPractice, FirstColumn::Rank);
        Fill(m_endless, competition ? data.endlessCompetition : data.endlessPractice, FirstColumn::Rank);
        Fill(m_recent, data.recent, FirstColumn::Game);
        if (!m_feed.LastError().isEmpty())
            Say(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "无法刷新：%1"))).arg(m_feed.LastError()),
                kWarning);
        else
            Say(data.seatsSeen.isEmpty()
                    ? Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "最近 10 分钟没有座位上传成绩")))
                    : Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "在线座位：%1")))
                          .arg(data.seatsSeen.join(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "、"))))),
                kPale);
    }
    void Export(const QString& what, const QByteArray& sheet) {
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty())
            folder = QDir::homePath();
        const QString path = folder + QStringLiteral("/%1-%2-%3.csv")
                                          .arg(what, m_feed.ClassName(),
                                               QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss")));
        int error = 0;
        if (QDir().mkpath(folder) && ReplaceFileAtomically(path, sheet, &error))
            Say(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "已导出：%1"))).arg(path), kPale);
        else
            Say(Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "无法导出到 %1：%2")))
                    .arg(path, QString::fromLocal8Bit(std::strerror(error))),
                kWarning);
    }

    CBoardFeed& m_feed;
    PlayType m_play = PlayType::Competition;
    QLabel* m_stcState = nullptr;
    QLabel* m_stcWild = nullptr;
    QLabel* m_stcEndless = nullptr;
    QTableWidget* m_levels = nullptr;
    QTableWidget* m_wild = nullptr;
    QTableWidget* m_endless = nullptr;
    QTableWidget* m_recent = nullptr;
};

} // namespace

std::unique_ptr<QWidget> MakeBoardWindow(CBoardFeed& feed) {
    return std::make_unique<CBoardWindow>(feed);
}

int RunBoardWindow(const QString& connection, const QString& className) {
    CBoardFeed feed(connection, className);
    QString why;
    if (!feed.Open(&why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    const std::unique_ptr<QWidget> window = MakeBoardWindow(feed);
    window->resize(1280, 720);
    window->show();
    return QApplication::exec();
}
