#include "windows/BoardWindow.h"

#include "platform/FileIo.h"
#include "platform/Translation.h"
#include "platform/UiThread.h"
#include "state/GameTypes.h"
#include "records/History.h"
#include "records/ScoreSheet.h"
#include "widgets/Fonts.h"
#include "widgets/PlateButton.h"
#include "widgets/SystemColours.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <cstring>

namespace {

enum class FirstColumn { Level, Rank, Game };

// The colours of the game's art.
const QColor kOrange(0xff, 0x98, 0x00);
const QColor kPale(0xcf, 0xe5, 0xff);
const QColor kWarning(0xff, 0x8a, 0x80);
const QColor kDimmed(0x8f, 0xa6, 0xc4);

QString GameText(const BoardEntry& e) {
    if (e.mode == QLatin1String("wild"))
        return Aviluma::tr("狂野");
    if (e.mode == QLatin1String("endless"))
        return Aviluma::tr("无尽");
    return Aviluma::tr("第 %1 关").arg(e.level);
}

} // namespace

QString BoardUncountedText(const BoardEntry& e) {
    const std::optional<GameEnd> end = GameEndFromCode(e.end);
    if (!end || *end == GameEnd::Finished)
        return {};
    return Aviluma::tr("%1（%2，不计成绩）")
        .arg(GameText(e), Tr(CutShortText(*end)));
}

namespace {

void Fill(QTableWidget* table, const std::vector<BoardEntry>& entries, FirstColumn first) {
    table->setRowCount(static_cast<int>(entries.size()));
    for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
        const BoardEntry& e = entries[static_cast<std::size_t>(row)];
        // A game that counts nowhere stays short on the projector (a mark, the row dimmed) and says
        // why on hover and to a screen reader.
        const QString uncounted = first == FirstColumn::Game ? BoardUncountedText(e) : QString();
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
                item->setForeground(kArtGold);
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
    table->setHorizontalHeaderLabels({first, Aviluma::tr("玩家"),
                                      Aviluma::tr("总分"),
                                      Aviluma::tr("座位"),
                                      Aviluma::tr("时间")});
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
            Aviluma::tr("Aviluma—班级成绩榜：%1").arg(feed.ClassName()));
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
                          .arg(kArtGold.name(), kPale.name()));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(16, 8, 16, 16);
        auto* top = new QHBoxLayout;
        auto* title =
            new QLabel(Aviluma::tr("Aviluma—班级成绩榜"), this);
        title->setFont(MakeCellFont(22));
        top->addWidget(title);
        top->addStretch(1);
        auto* periods = new QButtonGroup(this);
        const BoardPeriod shown = feed.Period();
        for (const auto& [caption, period] :
             {std::pair{Aviluma::tr("今天"), BoardPeriod::Today},
              std::pair{Aviluma::tr("本周"), BoardPeriod::Week},
              std::pair{Aviluma::tr("全部"), BoardPeriod::All}}) {
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
             {std::pair{Aviluma::tr("比赛"), PlayType::Competition},
              std::pair{Aviluma::tr("练习"), PlayType::Practice}}) {
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
        connect(Plate(Aviluma::tr("导出榜单"), top),
                &QAbstractButton::clicked, this,
                [this] { Export(QStringLiteral("班级成绩榜"), BoardCsv(m_feed.Data())); });
        connect(Plate(Aviluma::tr("导出全部对局"), top),
                &QAbstractButton::clicked, this, [this] {
                    Say(Aviluma::tr("正在导出……"), kPale);
                    // Read on the feed's thread; the answer comes back here, to a window still open.
                    m_feed.ExportGames([this, alive = m_pAlive](std::optional<QByteArray> sheet, const QString& why) {
                        if (!*alive)
                            return;
                        if (sheet)
                            Export(QStringLiteral("班级全部对局"), *sheet);
                        else
                            Say(Aviluma::tr("无法导出：%1").arg(why),
                                kWarning);
                    });
                });
        layout->addLayout(top);
        layout->addSpacing(14);
        auto* line = new QHBoxLayout;
        auto* className = new QLabel(m_feed.ClassName(), this);
        className->setFont(MakeCellFont(30));
        className->setStyleSheet(QStringLiteral("color: %1").arg(kArtGold.name()));
        line->addWidget(className);
        line->addSpacing(24);
        m_stcState = new QLabel(this);
        line->addWidget(m_stcState, 1);
        layout->addLayout(line);
        auto* grid = new QGridLayout;
        grid->setSpacing(12);
        m_levels = Panel(Aviluma::tr("闯关：每位玩家的最好成绩"),
                         Aviluma::tr("关卡"), this, grid, 0, 0, 2);
        m_wild = Panel(QString(), Aviluma::tr("名次"), this, grid, 0, 1, 1,
                       &m_stcWild);
        m_endless = Panel(QString(), Aviluma::tr("名次"), this, grid, 1, 1, 1,
                          &m_stcEndless);
        m_recent = Panel(Aviluma::tr("最近的成绩"),
                         Aviluma::tr("模式"), this, grid, 0, 2, 2);
        layout->addLayout(grid, 1);
        feed.onChanged = [this] { Show(); };
        Show();
    }
    ~CBoardWindow() override {
        *m_pAlive = false;
        m_feed.onChanged = nullptr; // the feed may refresh after the window
    }

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
            {m_stcWild, competition ? Aviluma::tr("狂野模式比赛前十")
                                    : Aviluma::tr("狂野模式练习前十")},
            {m_stcEndless, competition ? Aviluma::tr("无尽模式比赛前十")
                                       : Aviluma::tr("无尽模式练习前十")}};
        for (const auto& [heading, text] : headings) {
            heading->setText(text);
            heading->parentWidget()->findChild<QTableWidget*>()->setAccessibleName(text);
        }
        Fill(m_levels, data.levelBests, FirstColumn::Level);
        Fill(m_wild, competition ? data.wildCompetition : data.wildPractice, FirstColumn::Rank);
        Fill(m_endless, competition ? data.endlessCompetition : data.endlessPractice, FirstColumn::Rank);
        Fill(m_recent, data.recent, FirstColumn::Game);
        if (m_feed.Refreshes() == 0)
            Say(Aviluma::tr("正在连接……"), kPale);
        else if (!m_feed.LastError().isEmpty())
            Say(Aviluma::tr("无法刷新：%1").arg(m_feed.LastError()),
                kWarning);
        else
            Say(data.seatsSeen.isEmpty()
                    ? Aviluma::tr("最近 10 分钟没有座位上传成绩")
                    : Aviluma::tr("在线座位：%1")
                          .arg(data.seatsSeen.join(Aviluma::tr("、"))),
                kPale);
    }
    void Export(const QString& what, const QByteArray& sheet) {
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty())
            folder = QDir::homePath();
        const QString path = BoardSheetPath(folder, what, m_feed.ClassName(), QDateTime::currentDateTime());
        int error = 0;
        if (QDir().mkpath(folder) && ReplaceFileAtomically(path, sheet, &error))
            Say(Aviluma::tr("已导出：%1").arg(path), kPale);
        else
            Say(Aviluma::tr("无法导出到 %1：%2")
                    .arg(path, QString::fromLocal8Bit(std::strerror(error))),
                kWarning);
    }

    CBoardFeed& m_feed;
    std::shared_ptr<bool> m_pAlive = std::make_shared<bool>(true);
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

QString BoardSheetPath(const QString& folder, const QString& what, const QString& className, const QDateTime& when) {
    // A class may be named "初二/3班": in a file's name a slash would be a folder.
    QString name = QStringLiteral("%1-%2-%3").arg(what, className, when.toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss")));
    for (QChar& c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            c = QLatin1Char('-');
    return folder + QLatin1Char('/') + name + QStringLiteral(".csv");
}

std::unique_ptr<QWidget> MakeBoardWindow(CBoardFeed& feed) {
    return std::make_unique<CBoardWindow>(feed);
}

int RunBoardWindow(const QString& connection, const QString& className) {
    if (!CUiThread::IsAttached())
        CUiThread::Attach();
    const auto detach = qScopeGuard([] { CUiThread::Detach(); });
    CBoardFeed feed(connection, className);
    feed.Start();
    // The first answer before any window: wrong settings are said on the command line.
    CUiThread::WaitFor([&] { return feed.Refreshes() > 0; }, std::chrono::seconds(30));
    if (feed.Refreshes() == 0 || !feed.LastError().isEmpty()) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(feed.Refreshes() == 0
                                    ? Aviluma::tr("服务器 %1 秒没有回应。").arg(30)
                                    : feed.LastError()));
        return 1;
    }
    const std::unique_ptr<QWidget> window = MakeBoardWindow(feed);
    window->resize(1280, 720);
    window->show();
    return QApplication::exec();
}
