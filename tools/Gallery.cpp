// aviluma-gallery: draws every picture of the program to PNG files, so anyone can look at them: the
// icons, the button states, labels over a background, the instruments at several angles, and each
// full window as the program builds it, with sample texts and instruments in place. Every
// window is drawn twice: as on an ordinary screen (name.png) and as on one of twice the density
// (name@2x.png), where each picture must look as sharp as the text.
//
//   aviluma-gallery <output folder>
#include "app/AboutDlg.h"
#include "app/AvilumaDlg.h"
#include "game/GameClock.h"
#include "game/Scoring.h"
#include "instruments/Attitude.h"
#include "instruments/HeightMeter.h"
#include "link/Heartbeat.h"
#include "platform/MessageBox.h"
#include "platform/Translation.h"
#include "platform/UiThread.h"
#include "records/History.h"
#include "records/Players.h"
#include "records/Records.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "state/DataFolders.h"
#include "state/Globals.h"
#include "widgets/ButtonST.h"
#include "widgets/ColorStatic.h"
#include "widgets/Fonts.h"
#include "windows/DlgClass.h"
#include "windows/DlgDebrief.h"
#include "windows/DlgGameType.h"
#include "windows/DlgLesson.h"
#include "windows/DlgPlayers.h"
#include "windows/DlgMap.h"
#include "windows/DlgRecord.h"
#include "windows/DlgRun.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QMessageBox>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimeZone>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kIconIds[] = {IDR_MAINFRAME,    IDI_PORT_OPEN, IDI_PORT_CLOSED,   IDI_LINK_GOOD,
                            IDI_LINK_WEAK,    IDI_LINK_NONE, IDI_CLOSE,         IDI_LEVEL_OPEN,
                            IDI_LEVEL_LOCKED, IDI_START,     IDI_START_RUNNING, IDI_CLEAR};

QString g_out;

bool Save(const QImage& image, const QString& name) {
    const QString path = g_out + QLatin1Char('/') + name;
    const bool ok = image.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// A window at ratio, drawn as a screen of that density shows it.
QImage Shot(QWidget& window, qreal ratio) {
    QImage image(window.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    window.render(&image);
    return image;
}

// A window as on an ordinary screen and as on one of twice the density.
void SaveWindow(QWidget& window, const QString& name) {
    Save(window.grab().toImage(), name + QStringLiteral(".png"));
    Save(Shot(window, 2.0), name + QStringLiteral("@2x.png"));
}

// A surface painting part of a background at the density it is drawn at, like the program's windows.
class CBackdrop : public QWidget {
public:
    explicit CBackdrop(int backgroundId, const QRect& part = QRect(QPoint(0, 0), kFullWindowSize))
        : m_nBackgroundId(backgroundId), m_part(part) {
        resize(part.size());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QImage picture = LoadBitmapResource(m_nBackgroundId, kFullWindowSize * PaintRatio(painter));
        painter.drawImage(QRect(-m_part.topLeft(), kFullWindowSize), picture);
    }

private:
    int m_nBackgroundId;
    QRect m_part;
};

void DrawIcons() {
    constexpr int kZoom = 3;
    constexpr int kColumn = 64 * kZoom + 10;
    QImage sheet(6 * kColumn, 2 * (90 + 64 * kZoom), QImage::Format_RGB32);
    sheet.fill(QColor(11, 47, 107));
    QPainter p(&sheet);
    p.setPen(Qt::white);
    int n = 0;
    for (int id : kIconIds) {
        const IconHandle icon = LoadIconResource(id);
        if (!icon)
            continue;
        // Each icon at its own size, and enlarged below it to show the detail.
        const int x = 5 + (n % 6) * kColumn;
        const int y = (n / 6) * (90 + 64 * kZoom);
        p.drawText(x, y + 14, QString::number(id));
        p.drawImage(x, y + 20, *icon);
        p.drawImage(QRect(x, y + 20 + 70, icon->width() * kZoom, icon->height() * kZoom), *icon);
        ++n;
    }
    p.end();
    Save(sheet, QStringLiteral("icons.png"));
}

void DrawButtonStates() {
    QImage strip(4 * 110, 110, QImage::Format_RGB32);
    strip.fill(Qt::black);
    QPainter p(&strip);
    const char* states[] = {"normal", "hover", "pressed", "disabled"};
    for (int i = 0; i < 4; ++i) {
        CBackdrop backdrop(IDB_RUN, QRect(340, 470, 100, 100));
        CButtonST button(&backdrop);
        button.setGeometry(24, 22, 53, 56);
        button.SetTransparent(true);
        button.SetStateIcons(LoadIconResource(IDI_START));
        if (i == 1 || i == 2) {
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
            QApplication::sendEvent(&button, &enter);
        }
        button.setDown(i == 2);
        button.setEnabled(i != 3);
        p.drawImage(i * 110, 0, backdrop.grab().toImage());
        p.setPen(Qt::white);
        p.drawText(i * 110 + 5, 105, QString::fromLatin1(states[i]));
    }
    p.end();
    Save(strip, QStringLiteral("buttons.png"));
}

void DrawInstruments() {
    const std::pair<float, float> angles[] = {{0, 0}, {20, 30}, {-45, 90}, {90, 200}};
    for (auto [roll, heading] : angles) {
        CAttitude attitude;
        attitude.resize(325, 325);
        attitude.m_fRoll = roll;
        attitude.m_fHeading = heading;
        Save(attitude.grab().toImage(),
             QStringLiteral("attitude_roll%1_heading%2.png").arg(roll).arg(heading));
    }
    for (float pitch : {0.0f, 30.0f, -30.0f, 60.0f}) {
        CHeightMeter meter;
        meter.resize(101, 325);
        meter.grab(); // the first paint sets the scale
        meter.m_fOffset = CHeightMeter::OffsetForPitch(pitch, meter.m_fScale);
        Save(meter.grab().toImage(), QStringLiteral("meter_pitch%1.png").arg(pitch));
    }
}

// The game window itself, in each mode, at rest and in the middle of a game.
void DrawRunWindows() {
    SetMessageResponder([](const QString&, MessageKind) { return false; });
    for (const GameMode mode : {GameMode::Level, GameMode::Wild, GameMode::Endless}) {
        g_nGameMode = mode;
        g_nPlayType = mode == GameMode::Endless ? PlayType::Competition : PlayType::Practice;
        g_nLevel = 3;
        CDlgRun dlg;
        dlg.ShowModeless();
        SaveWindow(dlg, QStringLiteral("run_mode%1_idle").arg(static_cast<int>(mode)));
        g_fRoll = -18.4f;
        g_fPitch = 12.6f;
        g_fYaw = 233.0f;
        dlg.m_attitude->grab(); // the first paint sets the height meter's scale
        dlg.m_heightMeter->grab();
        dlg.OnTimer(10);
        dlg.OnTimer(11);
        dlg.SetStatusText(mode == GameMode::Endless ? DifficultyText(7) : DifficultyAttemptText(3, 2));
        dlg.m_fTotalScore = 57.4f;
        dlg.ShowScore(57);
        dlg.m_btnStart->SetStateIcons(LoadIconResource(IDI_START_RUNNING));
        dlg.ShowGuide(AttemptGuideText(mode, 3, mode == GameMode::Endless ? 6 : 2));
        SaveWindow(dlg, QStringLiteral("run_mode%1_playing").arg(static_cast<int>(mode)));
        if (mode == GameMode::Wild) { // how a game came to its end
            std::vector<AttemptRecord> attempts(6);
            attempts.back().number = 6;
            attempts.back().budgetMs = 10000;
            attempts.back().end = AttemptEnd::OutOfTime;
            dlg.ShowGuide(GameEndGuideText(attempts, 330));
            SaveWindow(dlg, QStringLiteral("run_mode1_ended"));
        }
        dlg.EndDialog(QDialog::Rejected);
    }
    StopHeartbeat();
    ShutdownHeartbeat();
    SetMessageResponder({});
}

// The first-flight lesson as it opens, in a try with the drone leaning, holding level, levelled, and
// ended by a drone gone quiet. No drone here: the lesson itself ends at once, and the window is shown
// each step by hand.
void DrawLesson() {
    SetMessageResponder([](const QString&, MessageKind) { return false; });
    CDlgLesson lesson;
    lesson.ShowModeless();
    SaveWindow(lesson, QStringLiteral("lesson_ready"));
    StopHeartbeat();
    lesson.WaitForLessonEnd(std::chrono::seconds(5));
    const auto lean = [&lesson](float roll, float pitch) {
        g_fRoll = roll;
        g_fPitch = pitch;
        g_Link.StoreAttitude(roll, pitch, g_fYaw, GameNowMs());
        lesson.OnTargetTimer();
    };
    lean(12.5f, -7.0f);
    lesson.ShowTry(2, 10000);
    lesson.ShowProgress({LessonStep::OutOfBox, 0, 6300});
    SaveWindow(lesson, QStringLiteral("lesson_out_of_box"));
    lean(2.1f, -3.4f);
    lesson.ShowProgress({LessonStep::Holding, 600, 4100});
    SaveWindow(lesson, QStringLiteral("lesson_holding"));
    lean(-27.0f, 31.0f); // past the square: on its edge, hollow
    lesson.ShowProgress({LessonStep::OutOfTime, 0, 0});
    SaveWindow(lesson, QStringLiteral("lesson_out_of_time"));
    lean(0.8f, 1.2f);
    lesson.ShowProgress({LessonStep::Holding, 1000, 3300});
    lesson.ShowLessonEnd(LessonEnd::Levelled);
    SaveWindow(lesson, QStringLiteral("lesson_levelled"));
    lesson.ShowLessonEnd(LessonEnd::LinkLost);
    SaveWindow(lesson, QStringLiteral("lesson_link_lost"));
    lesson.EndDialog(QDialog::Rejected);
    ShutdownHeartbeat();
    SetMessageResponder({});
}

// A made-up attempt: the drone tipped by tiltDeg, brought back in a damped swing by a player who reacts
// after reactionS; sampled every 100 ms as the game does, until it has held level for a second.
AttemptRecord MadeUpAttempt(int number, int difficulty, double tiltDeg, double reactionS) {
    AttemptRecord attempt;
    attempt.number = number;
    attempt.difficulty = difficulty;
    attempt.budgetMs = difficulty >= 10 ? 6000 : difficulty == 9 ? 8000 : 10000;
    int streak = 0;
    for (int t = 100; t <= attempt.budgetMs; t += 100) {
        const double s = t / 1000.0;
        const double settle = s < reactionS ? 1.0 : std::exp(-(s - reactionS) / 0.55);
        const auto roll = static_cast<float>(tiltDeg * settle * std::cos(2.6 * std::max(0.0, s - reactionS)));
        const auto pitch =
            static_cast<float>(-0.6 * tiltDeg * settle * std::cos(2.1 * std::max(0.0, s - reactionS) + 0.4));
        attempt.samples.push_back({t, std::round(roll * 100) / 100, std::round(pitch * 100) / 100, 145.0f});
        streak = std::fabs(roll) <= 5.0f && std::fabs(pitch) <= 5.0f ? streak + 1 : 0;
        if (streak == 10)
            break;
    }
    const int last = attempt.samples.back().timeMs;
    const bool level = streak == 10 && last < attempt.budgetMs;
    attempt.end = level ? AttemptEnd::Level : AttemptEnd::OutOfTime;
    attempt.secondsToLevel = level ? static_cast<float>(last - 1000) / 1000.0f : attempt.budgetMs / 1000.0f;
    attempt.holdStartMs = level ? last - 1000 : -1;
    attempt.holdEndMs = level ? last : -1;
    const int factor = kDifficultyTable[static_cast<std::size_t>(difficulty - 1)].factor;
    attempt.points = (attempt.budgetMs / 1000.0f - attempt.secondsToLevel) * static_cast<float>(factor);
    return attempt;
}

// The debrief over a made-up history: a player's level-3 games over two weeks and a wild game.
void DrawDebrief() {
    QTemporaryDir folder;
    SetDataFolders({folder.filePath(QStringLiteral("Data")), folder.filePath(QStringLiteral("Record"))});
    QDir().mkpath(folder.filePath(QStringLiteral("Data")));
    {
        CDlgDebrief empty; // a new player's: nothing played yet
        empty.OpenAt(CDlgDebrief::View::Progress);
        empty.ShowModeless();
        SaveWindow(empty, QStringLiteral("debrief_progress_empty"));
        empty.EndDialog(QDialog::Rejected);
    }
    const QDateTime first(QDate(2026, 11, 23), QTime(17, 5), QTimeZone(8 * 3600));
    const double tilts[] = {24, 28, 22, 30, 26, 25};
    const double reactions[] = {0.9, 0.8, 0.7, 0.5, 0.45, 0.35};
    QString latest;
    for (int day = 0; day < 6; ++day) {
        GameRecord game;
        game.mode = GameMode::Level;
        game.level = 3;
        game.started = first.addDays(day * 2 + (day > 3 ? 1 : 0));
        for (int n = 1; n <= 3; ++n)
            game.attempts.push_back(MadeUpAttempt(n, 3, tilts[day] - 3 * n, reactions[day] + 0.1 * (n % 2)));
        float total = 0;
        for (const AttemptRecord& a : game.attempts)
            total += a.points;
        game.total = static_cast<int>(total);
        game.passed = true;
        game.attemptCount = 3;
        game.ended = game.started.addSecs(14);
        latest = WriteGameRecord(game);
        if (day == 2 || day == 4) { // a failed game and one the drone cut short: marked apart
            game.started = game.started.addSecs(3600);
            game.ended = game.started.addSecs(20);
            game.attempts.resize(2);
            game.attempts.back().end = AttemptEnd::OutOfTime;
            game.attempts.back().points = 0;
            game.attemptCount = 2;
            game.passed = false;
            game.end = day == 2 ? GameEnd::Finished : GameEnd::LinkLost;
            WriteGameRecord(game);
        }
    }
    GameRecord wild;
    wild.mode = GameMode::Wild;
    wild.playType = PlayType::Practice;
    wild.started = first.addDays(13).addSecs(600);
    for (int n = 1; n <= 8; ++n)
        wild.attempts.push_back(MadeUpAttempt(n, (n - 1) / 3 + 1, 20 + 2 * n, n == 8 ? 3.0 : 0.5));
    float total = 0;
    for (const AttemptRecord& a : wild.attempts)
        total += a.points;
    wild.total = static_cast<int>(total);
    wild.attemptCount = 8;
    wild.ended = wild.started.addSecs(70);
    WriteGameRecord(wild);

    CDlgDebrief debrief;
    debrief.OpenAt(CDlgDebrief::View::Replay, latest);
    debrief.ShowModeless();
    SaveWindow(debrief, QStringLiteral("debrief_replay"));
    debrief.m_btnOverlay->click(); // the three attempts of the level over one another
    SaveWindow(debrief, QStringLiteral("debrief_replay_overlay"));
    debrief.EndDialog(QDialog::Rejected);
    debrief.OpenAt(CDlgDebrief::View::Progress, latest);
    debrief.ShowModeless();
    SaveWindow(debrief, QStringLiteral("debrief_progress"));
    debrief.EndDialog(QDialog::Rejected);
}

// The overview of a PC shared by three players over two weeks: some quicker, one slower, one level
// tried once.
void DrawDebriefOverview() {
    QTemporaryDir folder;
    SetDataFolders({folder.filePath(QStringLiteral("Data")), folder.filePath(QStringLiteral("Record"))});
    QDir().mkpath(folder.filePath(QStringLiteral("Data")));
    const QDateTime first(QDate(2026, 11, 23), QTime(17, 5), QTimeZone(8 * 3600));
    const struct {
        const char* name;
        int levels;
        double reaction; // at the start, in seconds
        double change;   // per game
    } players[] = {{"Ann", 4, 0.9, -0.08}, {"Bo Wang", 3, 0.5, 0.03}, {"陈小明", 2, 1.2, -0.1}};
    for (const auto& who : players) {
        QString error;
        const std::optional<Player> player = AddPlayer(QString::fromUtf8(who.name), &error);
        UsePlayer(player);
        for (int level = 1; level <= who.levels; ++level) {
            const int games = level == who.levels ? 1 : 5;
            for (int g = 0; g < games; ++g) {
                GameRecord game;
                game.mode = GameMode::Level;
                game.level = level;
                game.started = first.addDays(g * 3 + level).addSecs(60 * level);
                const double reaction = std::max(0.2, who.reaction + who.change * g + 0.05 * level);
                for (int n = 1; n <= 3; ++n) {
                    const bool late = g == 1 && n == 3 && who.change > 0; // too late: out of time
                    game.attempts.push_back(
                        MadeUpAttempt(n, level, 20 + 3 * n, late ? 9.8 : reaction + 0.1 * (n % 2)));
                    if (game.attempts.back().end != AttemptEnd::Level)
                        break;
                }
                game.passed = game.attempts.size() == 3 && game.attempts.back().end == AttemptEnd::Level;
                if (g == 2 && level == 1) { // the drone lost in one game
                    game.end = GameEnd::LinkLost;
                    game.passed.reset();
                }
                float total = 0;
                for (const AttemptRecord& a : game.attempts)
                    total += a.points;
                game.total = static_cast<int>(total);
                game.attemptCount = static_cast<int>(game.attempts.size());
                game.ended = game.started.addSecs(20);
                WriteGameRecord(game);
            }
        }
    }
    CDlgDebrief debrief;
    debrief.OpenAt(CDlgDebrief::View::Overview);
    debrief.ShowModeless();
    SaveWindow(debrief, QStringLiteral("debrief_overview"));
    debrief.EndDialog(QDialog::Rejected);
    UsePlayer(std::nullopt);
}

// The main window as a new player first sees it (no drone yet, wild and endless locked), the map with
// three levels open, their best totals and the news of the third, and the About box.
void DrawMainAndMap() {
    QTemporaryDir folder;
    SetDataFolders({folder.filePath(QStringLiteral("Data")), folder.filePath(QStringLiteral("Record"))});
    QDir().mkpath(folder.filePath(QStringLiteral("Data")));
    WriteOpenLevel(3);
    WriteBestScore(1, 27);
    WriteBestScore(2, 41);
    {
        CAvilumaDlg main;
        main.ShowModeless();
        SaveWindow(main, QStringLiteral("window_main"));
        main.Shutdown();
    }
    CDlgMap map;
    map.ShowModeless();
    map.m_stcNews->SetText(LevelOpenedText(3));
    SaveWindow(map, QStringLiteral("window_map"));
    map.EndDialog(QDialog::Rejected);
    CAboutDlg about;
    about.ShowModeless();
    SaveWindow(about, QStringLiteral("dialog_about"));
    about.EndDialog(QDialog::Rejected);
}

void DrawSmallDialogs() {
    CDlgGameType gameType;
    gameType.ShowModeless();
    SaveWindow(gameType, QStringLiteral("dialog_gametype"));
    gameType.EndDialog(QDialog::Rejected);
    CDlgRecord record;
    record.SetReason(NameEntryReason(1848, 1));
    record.ShowModeless();
    SaveWindow(record, QStringLiteral("dialog_record"));
    record.EndDialog(QDialog::Rejected);
}

// The windows made of Qt's own controls: who flies, the class settings, and a message.
void DrawQtDialogs() {
    QTemporaryDir folder;
    SetDataFolders({folder.filePath(QStringLiteral("Data")), folder.filePath(QStringLiteral("Record"))});
    QDir().mkpath(folder.filePath(QStringLiteral("Data")));
    QString error;
    for (const char* name : {"张小飞", "Alexandra Montgomery", "Bo"})
        AddPlayer(QString::fromUtf8(name), &error);
    {
        CDlgPlayers players;
        players.Fill();
        players.show();
        SaveWindow(players, QStringLiteral("dialog_players"));
    }
    {
        CClassChecks checks;
        CDlgClass classroom(checks);
        classroom.show();
        SaveWindow(classroom, QStringLiteral("dialog_class"));
    }
    QMessageBox box(QMessageBox::Question, QStringLiteral("Aviluma"), Tr(kNewCompetitionText));
    box.addButton(Aviluma::tr("是"), QMessageBox::YesRole);
    box.setDefaultButton(box.addButton(Aviluma::tr("否"), QMessageBox::NoRole));
    box.show();
    SaveWindow(box, QStringLiteral("message_question"));
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: aviluma-gallery <output folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    InitAppDir();
    CUiThread::Attach();
    const QString out = QString::fromLocal8Bit(argv[1]);
    g_out = out;
    QDir().mkpath(g_out);

    DrawIcons();
    DrawButtonStates();
    DrawInstruments();
    // The windows in each language: Chinese in the folder, English in its en/.
    for (const Language language : {Language::Chinese, Language::English}) {
        if (!InstallLanguage(language))
            std::fprintf(stderr, "aviluma-gallery: the %s translation could not be loaded\n",
                         qPrintable(LanguageCode(language)));
        g_out = language == Language::Chinese ? out : out + QStringLiteral("/en");
        QDir().mkpath(g_out);
        DrawMainAndMap();
        DrawRunWindows();
        DrawSmallDialogs();
        DrawQtDialogs();
        DrawDebrief();
        DrawDebriefOverview();
        DrawLesson();
    }
    return 0;
}
