#include "classroom/ClassBoard.h"

#include "platform/FileIo.h"
#include "records/ScoreSheet.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>

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
                           query.value(3).toInt(), query.value(4).toString(), query.value(5).toDateTime()});
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

std::optional<BoardData> ReadBoard(CClassConnection& connection, const QString& className, BoardPeriod period,
                                   QString* why) {
    const QDateTime from = PeriodStart(period, QDateTime::currentDateTime());
    const QString since = from.isValid() ? from.toString(Qt::ISODate) : QStringLiteral("-infinity");
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
    const QString columns = kPlayer + QStringLiteral(", level, mode, total, seat, started");
    BoardData data;
    if (!run(QStringLiteral("SELECT DISTINCT ON (level, %1) %2 FROM games WHERE class = ? AND mode = 'level' "
                            "AND started >= ?::timestamptz ORDER BY level, %1, total DESC")
                 .arg(kPlayer, columns),
             {className, since}))
        return std::nullopt;
    data.levelBests = Entries(query);
    std::stable_sort(data.levelBests.begin(), data.levelBests.end(), [](const BoardEntry& a, const BoardEntry& b) {
        return a.level != b.level ? a.level < b.level : a.total > b.total;
    });
    for (const auto& [mode, top] : {std::pair{QStringLiteral("wild"), &data.wildTop},
                                    std::pair{QStringLiteral("endless"), &data.endlessTop}}) {
        if (!run(QStringLiteral("SELECT %1 FROM games WHERE class = ? AND mode = ? AND started >= ?::timestamptz "
                                "ORDER BY total DESC, started LIMIT %2")
                     .arg(columns)
                     .arg(kTopSize),
                 {className, mode, since}))
            return std::nullopt;
        *top = Entries(query);
    }
    if (!run(QStringLiteral("SELECT %1 FROM games WHERE class = ? AND started >= ?::timestamptz "
                            "ORDER BY received DESC LIMIT %2")
                 .arg(columns)
                 .arg(kRecentSize),
             {className, since}))
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

QByteArray BoardCsv(const BoardData& data) {
    QByteArray csv = SheetBytes(QStringLiteral("榜单,关卡,玩家,总分,座位,开始时间"));
    const auto rows = [&](const QString& board, const std::vector<BoardEntry>& entries) {
        for (const BoardEntry& e : entries)
            csv += SheetBytes(QStringList{SheetField(board), e.level > 0 ? QString::number(e.level) : QString(),
                                          SheetField(e.player), QString::number(e.total), SheetField(e.seat),
                                          e.when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))}
                                  .join(QLatin1Char(',')));
    };
    rows(QStringLiteral("闯关最好成绩"), data.levelBests);
    rows(QStringLiteral("狂野模式前十"), data.wildTop);
    rows(QStringLiteral("无尽模式前十"), data.endlessTop);
    rows(QStringLiteral("最近的成绩"), data.recent);
    return csv;
}

std::optional<QByteArray> GamesCsv(CClassConnection& connection, const QString& className, BoardPeriod period,
                                   QString* why) {
    const QDateTime from = PeriodStart(period, QDateTime::currentDateTime());
    QSqlQuery query(connection.Database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT id, seat, player, name, mode, level, play, started, ended, game_end, result, total, "
        "(SELECT string_agg(round((a->>'points')::numeric, 1)::text, ' ') FROM jsonb_array_elements(attempts) a), "
        "received FROM games WHERE class = ? AND started >= ?::timestamptz ORDER BY started, id"));
    query.addBindValue(className);
    query.addBindValue(from.isValid() ? from.toString(Qt::ISODate) : QStringLiteral("-infinity"));
    if (!query.exec()) {
        if (why)
            *why = ClassErrorText(query.lastError().databaseText());
        return std::nullopt;
    }
    // The history's codes in the words of the score sheets.
    const std::map<QString, QString> words{
        {QStringLiteral("level"), QStringLiteral("闯关")},      {QStringLiteral("wild"), QStringLiteral("狂野")},
        {QStringLiteral("endless"), QStringLiteral("无尽")},    {QStringLiteral("practice"), QStringLiteral("练习")},
        {QStringLiteral("competition"), QStringLiteral("比赛")}, {QStringLiteral("finished"), QStringLiteral("完成")},
        {QStringLiteral("closed"), QStringLiteral("关闭")},     {QStringLiteral("link-lost"), QStringLiteral("链路中断")},
        {QStringLiteral("passed"), QStringLiteral("通过")},     {QStringLiteral("failed"), QStringLiteral("未通过")}};
    const auto word = [&](int column) {
        const QString code = query.value(column).toString();
        const auto found = words.find(code);
        return found == words.end() ? SheetField(code) : found->second;
    };
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

CBoardFeed::CBoardFeed(const QString& connection, QString className, int refreshMs, QObject* parent)
    : QObject(parent), m_connection(connection), m_strClass(std::move(className)), m_nRefreshMs(refreshMs) {
    connect(&m_timer, &QTimer::timeout, this, [this] { Refresh(); });
}

bool CBoardFeed::Open(QString* why) {
    if (!m_connection.Open(why) || !m_connection.Check(why))
        return false;
    QSqlDriver* driver = m_connection.Database().driver();
    // Live where the server notifies; the timer covers a lost notification or connection.
    if (driver->subscribeToNotification(kChannel))
        connect(driver, &QSqlDriver::notification, this, [this](const QString& channel) {
            if (channel == kChannel)
                Refresh();
        });
    if (m_nRefreshMs > 0)
        m_timer.start(m_nRefreshMs);
    Refresh();
    return true;
}

void CBoardFeed::SetPeriod(BoardPeriod period) {
    m_period = period;
    Refresh();
}

void CBoardFeed::Refresh() {
    QString why;
    if (std::optional<BoardData> data = ReadBoard(m_connection, m_strClass, m_period, &why)) {
        m_data = std::move(*data);
        m_strError.clear();
    } else {
        m_strError = why;
    }
    if (onChanged)
        onChanged();
}

namespace {

enum class FirstColumn { Level, Rank, Game };

QString GameText(const BoardEntry& e) {
    if (e.mode == QLatin1String("wild"))
        return QStringLiteral("狂野");
    if (e.mode == QLatin1String("endless"))
        return QStringLiteral("无尽");
    return QStringLiteral("第 %1 关").arg(e.level);
}

void Fill(QTableWidget* table, const std::vector<BoardEntry>& entries, FirstColumn first) {
    table->setRowCount(static_cast<int>(entries.size()));
    for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
        const BoardEntry& e = entries[static_cast<std::size_t>(row)];
        const QString head = first == FirstColumn::Level  ? QString::number(e.level)
                             : first == FirstColumn::Rank ? QString::number(row + 1)
                                                          : GameText(e);
        const QStringList cells{head, e.player,
                                QString::number(e.total), e.seat,
                                e.when.toLocalTime().toString(QStringLiteral("MM-dd HH:mm"))};
        for (int column = 0; column < cells.size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
}

QTableWidget* Table(const QString& first, QWidget* parent) {
    auto* table = new QTableWidget(0, 5, parent);
    table->setHorizontalHeaderLabels({first, QStringLiteral("玩家"), QStringLiteral("总分"), QStringLiteral("座位"),
                                      QStringLiteral("时间")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return table;
}

} // namespace

int RunBoardWindow(const QString& connection, const QString& className) {
    CBoardFeed feed(connection, className);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Aviluma—班级成绩榜：%1").arg(className));
    auto* layout = new QVBoxLayout(&window);
    auto* top = new QHBoxLayout;
    auto* period = new QComboBox(&window);
    period->addItems({QStringLiteral("今天"), QStringLiteral("本周"), QStringLiteral("全部")});
    period->setAccessibleName(QStringLiteral("时间范围"));
    auto* exportButton = new QPushButton(QStringLiteral("导出 CSV"), &window);
    auto* state = new QLabel(&window);
    top->addWidget(new QLabel(QStringLiteral("班级 %1").arg(className), &window));
    top->addWidget(period);
    top->addWidget(exportButton);
    top->addWidget(state, 1);
    layout->addLayout(top);
    auto* boards = new QHBoxLayout;
    QTableWidget* levels = Table(QStringLiteral("关卡"), &window);
    QTableWidget* wild = Table(QStringLiteral("名次"), &window);
    QTableWidget* endless = Table(QStringLiteral("名次"), &window);
    QTableWidget* recent = Table(QStringLiteral("模式"), &window);
    for (const auto& [title, table] : {std::pair{QStringLiteral("闯关：每位玩家的最好成绩"), levels},
                                       std::pair{QStringLiteral("狂野模式前十"), wild},
                                       std::pair{QStringLiteral("无尽模式前十"), endless},
                                       std::pair{QStringLiteral("最近的成绩"), recent}}) {
        auto* column = new QVBoxLayout;
        column->addWidget(new QLabel(title, &window));
        column->addWidget(table);
        boards->addLayout(column);
    }
    layout->addLayout(boards);
    feed.onChanged = [&] {
        Fill(levels, feed.Data().levelBests, FirstColumn::Level);
        Fill(wild, feed.Data().wildTop, FirstColumn::Rank);
        Fill(endless, feed.Data().endlessTop, FirstColumn::Rank);
        Fill(recent, feed.Data().recent, FirstColumn::Game);
        state->setText(feed.LastError().isEmpty()
                           ? QStringLiteral("在线座位：%1").arg(feed.Data().seatsSeen.join(QStringLiteral("、")))
                           : QStringLiteral("无法刷新：") + feed.LastError());
    };
    QObject::connect(period, &QComboBox::currentIndexChanged, &feed,
                     [&](int index) { feed.SetPeriod(static_cast<BoardPeriod>(index)); });
    QObject::connect(exportButton, &QPushButton::clicked, &feed, [&] {
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty())
            folder = QDir::homePath();
        const QString path = folder + QStringLiteral("/班级成绩榜-%1-%2.csv")
                                          .arg(className, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss")));
        int error = 0;
        state->setText(QDir().mkpath(folder) && ReplaceFileAtomically(path, BoardCsv(feed.Data()), &error)
                           ? QStringLiteral("已导出：") + path
                           : QStringLiteral("无法导出到 %1").arg(path));
    });
    QString why;
    if (!feed.Open(&why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    window.resize(1280, 720);
    window.show();
    return QApplication::exec();
}
