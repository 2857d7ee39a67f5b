// The game in both of its languages: every text whole in every window, the art's words, the choice of
// language kept per player, and a game in English storing what a game in Chinese stores.
#include "app/AvilumaDlg.h"
#include "game/GameDrivers.h"
#include "platform/DeviceList.h"
#include "platform/MessageBox.h"
#include "platform/ProfileFile.h"
#include "platform/Translation.h"
#include "platform/UiThread.h"
#include "records/Players.h"
#include "records/Records.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "sim/SimDrone.h"
#include "state/DataFolders.h"
#include "support/ModalPlayer.h"
#include "support/SimulatedMachine.h"
#include "widgets/PlateButton.h"
#include "windows/DlgClass.h"
#include "windows/DlgPlayers.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTest>

namespace {

using namespace std::chrono_literals;

bool HasChinese(const QString& text) {
    static const QRegularExpression chinese(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
    return chinese.match(text).hasMatch();
}

// The texts of window that do not show whole, each with where it is: a label's past its edge or cut
// with "…", a button's wider than the button, a padlock's line wider than its band. In English, also
// every text still in Chinese (names is what the player typed, which stays as it is).
QStringList CutTexts(QWidget& window, const QStringList& names = {}) {
    QStringList faults;
    const auto fault = [&](const QWidget* widget, const QString& text, const char* what) {
        faults << QStringLiteral("%1 (%2, %3 px wide in \"%4\"): %5")
                      .arg(QString::fromLatin1(what), QString::fromLatin1(widget->metaObject()->className()))
                      .arg(widget->width())
                      .arg(window.windowTitle(), text);
    };
    const auto check = [&](const QWidget* widget, const QString& text, bool fits) {
        if (!fits)
            fault(widget, text, "cut");
        QString withoutNames = text;
        for (const QString& name : names)
            withoutNames.remove(name);
        if (InstalledLanguage() == Language::English && HasChinese(withoutNames))
            fault(widget, text, "Chinese");
    };
    QList<QWidget*> widgets = window.findChildren<QWidget*>();
    widgets.prepend(&window);
    for (QWidget* widget : widgets) {
        if (!widget->isVisibleTo(&window) && widget != &window)
            continue;
        if (widget->isWindow())
            check(widget, widget->windowTitle(), true);
        if (const auto* label = dynamic_cast<const CColorStatic*>(widget)) {
            check(widget, label->Text(), label->TextFits());
        } else if (const auto* lock = dynamic_cast<const CLockMark*>(widget)) {
            check(widget, lock->Text(), lock->TextFits());
        } else if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            if (label->text().isEmpty() || label->textFormat() == Qt::RichText)
                continue;
            const QRect room = label->contentsRect();
            QString shown = label->text();
            if (label->buddy() != nullptr)
                shown.remove(QLatin1Char('&'));
            bool fits = true;
            if (label->wordWrap()) {
                fits = label->heightForWidth(room.width()) <= room.height();
            } else {
                for (const QString& line : shown.split(QLatin1Char('\n')))
                    fits = fits && label->fontMetrics().horizontalAdvance(line) <= room.width();
            }
            check(widget, shown, fits);
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            if (button->text().isEmpty())
                continue;
            QString shown = button->text();
            shown.remove(QLatin1Char('&'));
            // Check and radio buttons know their own room (box and text); a push button needs its text
            // and its margins, whatever width the style would rather give it; a plate, which draws no
            // frame, a little air either side.
            const int text = button->fontMetrics().horizontalAdvance(shown);
            int needed = text + 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin);
            if (qobject_cast<const QCheckBox*>(button) != nullptr ||
                qobject_cast<const QRadioButton*>(button) != nullptr)
                needed = button->sizeHint().width();
            else if (dynamic_cast<const CPlateButton*>(button) != nullptr)
                needed = text + 4;
            // A button given what its style asks for (in a layout) has room for its text by definition.
            check(widget, shown, needed <= button->width() || button->sizeHint().width() <= button->width());
        }
    }
    return faults;
}

class Languages : public ::testing::Test {
protected:
    void TearDown() override {
        m_main.reset();
        UsePlayer(std::nullopt); // the next test begins on a PC without players
        SetMessageResponder({});
        RemoveLanguage();
    }
    void StoreOpenLevel(int level) {
        WritePrivateProfileString(QStringLiteral("Grade"), QStringLiteral("level"), QString::number(level),
                                  SystemCfgPath());
    }

    QApplication& m_app = OffscreenApp();
    std::unique_ptr<CSimulatedMachine> m_machine = std::make_unique<CSimulatedMachine>(true);
    std::unique_ptr<CAvilumaDlg> m_main;
    CModalPlayer m_player;
};

// Every window of the game, in the states with its longest texts, in both languages.
TEST_F(Languages, EveryWindowShowsEveryTextWholeInBothLanguages) {
    for (const Language language : {Language::Chinese, Language::English}) {
        ASSERT_TRUE(InstallLanguage(language));
        StoreOpenLevel(3);
        m_main = std::make_unique<CAvilumaDlg>();
        m_main->ShowModeless();
        m_main->ShowClassStatus({true, 12, QString(), 3, QString()});
        QStringList cut = CutTexts(*m_main);

        m_main->m_dlgMap.ShowModeless();
        cut << CutTexts(m_main->m_dlgMap);
        m_main->m_dlgMap.EndDialog(QDialog::Rejected);

        std::vector<AttemptRecord> attempts(1);
        attempts[0].number = 27;
        attempts[0].end = AttemptEnd::OutOfTime;
        attempts[0].budgetMs = 10000;
        for (const GameMode mode : {GameMode::Level, GameMode::Wild, GameMode::Endless}) {
            g_nGameMode = mode;
            g_nLevel = 10;
            g_nPlayType = PlayType::Competition;
            CDlgRun& run = mode == GameMode::Level ? m_main->m_dlgMap.m_dlgRun : m_main->m_dlgRun;
            run.ShowModeless();
            cut << CutTexts(run);
            run.m_stcGuide->SetText(GameEndGuideText(attempts, 8888));
            run.m_stcStatus->SetText(DifficultyAttemptText(10, 3));
            for (const QString& result : {kLevelPassedText, kLevelFailedText}) {
                run.m_stcRecord[2]->SetText(result);
                cut << CutTexts(run);
            }
            run.m_dlgRecord.SetReason(NameEntryReason(8888, 0));
            run.m_dlgRecord.ShowModeless();
            cut << CutTexts(run.m_dlgRecord);
            run.m_dlgRecord.EndDialog(QDialog::Rejected);
            run.EndDialog(QDialog::Rejected);
        }
        for (CDialogShell* dialog : std::initializer_list<CDialogShell*>{
                 &m_main->m_dlgGameType, &m_main->m_dlgAbout, &m_main->m_dlgDebrief}) {
            dialog->ShowModeless();
            cut << CutTexts(*dialog);
            dialog->EndDialog(QDialog::Rejected);
        }
        {
            CDlgPlayers players(m_main.get());
            players.show();
            cut << CutTexts(players);
            CDlgClass classroom(m_main->m_classChecks, m_main.get());
            classroom.show();
            cut << CutTexts(classroom);
        }

        // The longest messages, in the boxes the game shows them in.
        for (const QString& source :
             {kCloseDuringGameText, kLinkFaultText, kCloseSheetText, kClearRecordsText,
              ConnectMessage({ConnectOutcome::Busy, QStringLiteral("/dev/ttyACM0")})}) {
            QMessageBox box(QMessageBox::Question, QStringLiteral("Aviluma"), Tr(source),
                            QMessageBox::NoButton, m_main.get());
            box.addButton(Aviluma::tr("确定"), QMessageBox::AcceptRole);
            box.show();
            cut << CutTexts(box);
        }
        EXPECT_TRUE(cut.isEmpty()) << LanguageCode(language).toStdString() << ":\n"
                                   << qPrintable(cut.join(QLatin1Char('\n')));
        m_main.reset();
    }
}

// The words drawn in the backgrounds follow the language; a Latin subtitle the word above it became
// is drawn once, and in Chinese every picture is as it was drawn.
TEST_F(Languages, TheArtsWordsAreDrawnInTheLanguage) {
    for (const int picture : {IDB_MAIN, IDB_MAP, IDB_RUN, IDB_DEBRIEF, IDB_LESSON}) {
        QFile file(QStringLiteral(":/art/bitmap%1.svg").arg(picture));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray svg = file.readAll();
        ASSERT_TRUE(InstallLanguage(Language::Chinese));
        EXPECT_EQ(TranslateSvgTexts(svg), svg) << picture;
        ASSERT_TRUE(InstallLanguage(Language::English));
        const QString english = QString::fromUtf8(TranslateSvgTexts(svg));
        EXPECT_FALSE(HasChinese(english.section(QStringLiteral("<text"), 1))) << picture;
        if (picture == IDB_RUN) {
            EXPECT_TRUE(english.contains(QStringLiteral(">Best</text>")));
            EXPECT_FALSE(english.contains(QStringLiteral(">BEST</text>")));
        }
    }
    const QImage english = LoadBitmapResource(IDB_RUN);
    RemoveLanguage();
    EXPECT_NE(LoadBitmapResource(IDB_RUN), english); // not the English picture from the cache
}

// The language chosen in the menu is the player's: kept in their folder, taken up when they are chosen
// again, and it changes the main window at once; --lang outranks it, unless it names no language.
TEST_F(Languages, TheMenusChoiceIsKeptForThePlayerAndLangOutranksIt) {
    QString error;
    const std::optional<Player> ann = AddPlayer(QStringLiteral("Ann"), &error);
    const std::optional<Player> bo = AddPlayer(QStringLiteral("Bo"), &error);
    ASSERT_TRUE(ann && bo) << qPrintable(error);
    UsePlayer(ann);
    m_main = std::make_unique<CAvilumaDlg>();
    m_main->ShowModeless();
    const QRect wordsUnderTheName(300, 115, 200, 25);
    const QImage chineseWords = m_main->grab(wordsUnderTheName).toImage();
    m_main->UseLanguage(Language::English, true);
    EXPECT_NE(m_main->grab(wordsUnderTheName).toImage(), chineseWords); // the picture's words too
    EXPECT_EQ(m_main->windowTitle(), QStringLiteral("Aviluma—Choose a game · Ann"));
    EXPECT_EQ(m_main->m_lockModes[0]->Text(), QStringLiteral("Opens after level 9"));
    EXPECT_EQ(ReadLanguageChoice(), QStringLiteral("en"));
    EXPECT_EQ(ReadSessionLanguage(), QStringLiteral("en")); // for the simulated drone's window to follow
    for (CDialogShell* dialog :
         std::initializer_list<CDialogShell*>{&m_main->m_dlgAbout, &m_main->m_dlgRun.m_dlgRecord}) {
        dialog->ShowModeless(); // made in Chinese, opened in English
        EXPECT_FALSE(
            dialog->windowTitle().contains(QRegularExpression(QStringLiteral("[\\x{4e00}-\\x{9fff}]"))))
            << qPrintable(dialog->windowTitle());
        dialog->EndDialog(QDialog::Rejected);
    }

    UsePlayer(bo); // never chose: keeps what is on screen
    m_main->UsePlayersLanguage();
    EXPECT_EQ(InstalledLanguage(), Language::English);
    m_main->UseLanguage(Language::Chinese, true);
    EXPECT_EQ(m_main->m_stcTitle->Text(), QStringLiteral("Aviluma—游戏选择　Bo"));
    EXPECT_EQ(ReadSessionLanguage(), QStringLiteral("zh"));

    UsePlayer(ann);
    m_main->UsePlayersLanguage();
    EXPECT_EQ(InstalledLanguage(), Language::English);
    m_main->m_strLanguageOption = QStringLiteral("zh");
    UsePlayer(bo);
    m_main->UseLanguage(Language::Chinese, false);
    UsePlayer(ann);
    m_main->UsePlayersLanguage();
    EXPECT_EQ(InstalledLanguage(), Language::Chinese);
    m_main->m_strLanguageOption = QStringLiteral("fr");
    m_main->UsePlayersLanguage();
    EXPECT_EQ(InstalledLanguage(), Language::English);
}

// The stored files of a game, each as path and text with their numbers masked (times and scores
// differ from game to game; words, keys and headers may not).
std::map<QString, QString> StoredFiles() {
    std::map<QString, QString> files;
    for (const QString& folder : {CurrentDataFolders().data, CurrentDataFolders().record}) {
        QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            static const QRegularExpression numbers(QStringLiteral("[0-9]+"));
            // Byte for byte (the score sheets are GB18030), the numbers masked.
            files[QDir(folder).relativeFilePath(path).replace(numbers, QStringLiteral("#"))] =
                QString::fromLatin1(file.readAll()).replace(numbers, QStringLiteral("#"));
        }
    }
    return files;
}

// A level and a wild practice game in English read English on screen, and leave the same files as in
// Chinese.
TEST_F(Languages, AGameInEnglishReadsEnglishAndStoresWhatAGameInChineseStores) {
    std::map<Language, std::map<QString, QString>> stored;
    for (const Language language : {Language::Chinese, Language::English}) {
        m_machine = std::make_unique<CSimulatedMachine>(true);
        ASSERT_TRUE(InstallLanguage(language));
        QStringList messages;
        SetMessageResponder([&](const QString& text, MessageKind) {
            messages << text;
            return true;
        });
        StoreOpenLevel(10); // wild is open; level 1 is played again
        m_main = std::make_unique<CAvilumaDlg>();
        m_main->ShowModeless();
        CSimDrone drone;
        ASSERT_TRUE(drone.Start());
        m_main->m_btnConnect->click();
        ASSERT_TRUE(CUiThread::WaitFor([&] { return m_main->m_link.State() == LinkState::Good; }, 10s));

        QStringList shown;
        m_player.When<CDlgMap>([](CDlgMap& map) { map.m_btnLevels[0]->click(); });
        m_player.When<CDlgRun>([&](CDlgRun& run) {
            run.m_btnStart->click();
            EXPECT_TRUE(CUiThread::WaitFor([&] { return !run.Playing(); }, 20s));
            shown << run.windowTitle() << run.m_stcRecord[2]->Text() << run.m_stcGuide->Text();
            run.m_btnClose->click();
        });
        m_player.When<CDlgMap>([&](CDlgMap& map) { map.m_btnClose->click(); });
        m_main->m_btnLevel->click();

        // Wild practice, closed by the player in its first attempt: the game ends as a cut game.
        m_player.When<CDlgGameType>([](CDlgGameType& chooser) {
            static_cast<QAbstractButton*>(chooser.GetDlgItem(IDC_BTN_PRACTICE))->click();
        });
        m_player.When<CDlgRun>([&](CDlgRun& run) {
            run.m_btnStart->click();
            EXPECT_TRUE(CUiThread::WaitFor([&] { return run.Playing(); }, 5s));
            shown << run.windowTitle() << run.m_stcStatus->Text();
            run.m_btnClose->click(); // asks, answered yes
            EXPECT_TRUE(CUiThread::WaitFor([&] { return !run.Playing(); }, 5s));
        });
        m_main->m_btnWild->click();
        shown << messages;
        if (language == Language::English) {
            for (const QString& text : shown)
                EXPECT_FALSE(HasChinese(text)) << qPrintable(text);
            EXPECT_TRUE(shown.contains(QStringLiteral("Passed. Well done!"))) << qPrintable(shown.join('|'));
            EXPECT_EQ(TopListLine(2, 120, QStringLiteral("Ann")), QStringLiteral("2nd    120    Ann"));
        } else {
            EXPECT_EQ(TopListLine(2, 120, QStringLiteral("Ann")), QStringLiteral("Top2    120    Ann"));
        }
        m_main->Shutdown();
        m_main.reset();
        stored[language] = StoredFiles();
        EXPECT_FALSE(stored[language].empty());
    }
    EXPECT_EQ(stored[Language::English], stored[Language::Chinese]);
}

} // namespace
