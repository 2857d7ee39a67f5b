#include "game/LessonDriver.h"
#include "game/Scoring.h"
#include "records/Outbox.h"
#include "records/Records.h"
#include "state/Globals.h"
#include "state/LinkReading.h"
#include "support/ProgramFolder.h"
#include "support/TestSupport.h"
#include "support/VirtualDrone.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Payload = std::vector<std::uint8_t>;

// A lesson window that keeps what the lesson showed it.
class CLessonLog : public ILessonWindow {
public:
    void ShowTry(int number, int budgetMs) override { tries.push_back({number, budgetMs}); }
    void ShowProgress(const LessonProgress& progress) override { steps.push_back(progress); }
    void ShowLessonEnd(LessonEnd end) override { ends.push_back(end); }
    std::vector<std::pair<int, int>> tries;
    std::vector<LessonProgress> steps;
    std::vector<LessonEnd> ends;
};

class Lesson : public ::testing::Test {
protected:
    std::vector<Payload> Payloads() const {
        std::vector<Payload> all;
        for (const auto& sent : m_drone.sent)
            all.push_back(sent.payload);
        return all;
    }
    int Stops() const {
        return static_cast<int>(std::count_if(m_drone.sent.begin(), m_drone.sent.end(), [](const auto& sent) {
            return sent.command.action == kActionStop;
        }));
    }

    CProgramFolder m_folder;
    CVirtualDrone m_drone;
    CLessonLog m_window;
    CLessonDriver m_lesson{m_window};
};

// A try that runs out of time is followed by another, until one is level and held: then the lesson is
// over. The drone is driven as a level-1 game drives it, and nothing at all is written, on a PC of a
// class with records of its own either.
TEST_F(Lesson, TriesUntilThePlayerLevelsOnceAndKeepsNothing) {
    QString error;
    ASSERT_TRUE(WriteClassSettings(
        {QStringLiteral("host=10.0.0.2 dbname=league"), QStringLiteral("3班"), QStringLiteral("7")}, &error))
        << qPrintable(error);
    WriteOpenLevel(2);
    WriteBestScore(1, 27);
    const auto before = FolderContents(m_folder.Path());

    m_drone.LevelAfterSamples({-1, 4}); // never level in the first try; in the second after four samples
    EXPECT_EQ(m_lesson.Run(), LessonEnd::Levelled);

    EXPECT_EQ(m_lesson.Tries(), 2);
    EXPECT_EQ(m_window.tries, (std::vector<std::pair<int, int>>{{1, 10000}, {2, 10000}}));
    EXPECT_EQ(m_window.ends, std::vector<LessonEnd>{LessonEnd::Levelled});
    // The opening, two attempt starts at difficulty index 0 (attempt bytes 0 and 1), the stop.
    EXPECT_EQ(Payloads(), (std::vector<Payload>{{1, 100}, {1}, {1, 0, 1}, {0, 0, 1}}));
    // The first try: a hundred samples out of the box counting down to nothing, then out of time.
    ASSERT_EQ(m_window.steps.size(), 100u + 1u + 14u);
    EXPECT_EQ(m_window.steps[0].step, LessonStep::OutOfBox);
    EXPECT_EQ(m_window.steps[0].leftMs, 9900);
    EXPECT_EQ(m_window.steps[99].leftMs, 0);
    EXPECT_EQ(m_window.steps[100].step, LessonStep::OutOfTime);
    // The second: four out of the box, then the hold growing a sample at a time to the whole second.
    const auto second = m_window.steps.begin() + 101;
    EXPECT_EQ(second[3].step, LessonStep::OutOfBox);
    for (int held = 1; held <= 10; ++held) {
        const LessonProgress& step = second[3 + held];
        EXPECT_EQ(step.step, LessonStep::Holding);
        EXPECT_EQ(step.heldMs, held * 100);
        EXPECT_EQ(step.leftMs, 9600 - held * 100);
    }

    EXPECT_EQ(FolderChanges(before, FolderContents(m_folder.Path())), QStringList());
}

// The drone going quiet or away, or a link too thin to sample, ends the lesson and the window says so;
// the player closing the window ends it without a word. Either way one stop goes out and nothing is
// written.
TEST_F(Lesson, ALessonCutShortStopsTheDroneAndSaysWhyUnlessClosed) {
    using Cut = CVirtualDrone::Cut;
    for (const Cut cut : {Cut::Quiet, Cut::StaleFromTheStart, Cut::AnotherDrone, Cut::Weak, Cut::Close}) {
        SCOPED_TRACE(static_cast<int>(cut));
        const auto before = FolderContents(m_folder.Path());
        m_window = CLessonLog();
        m_drone.sent.clear();
        m_drone.attemptStarts = 0;
        m_drone.LevelAfterSamples({-1, -1});
        long long cutAt = -1;
        m_drone.CutDuringAttempt(cut, 2, &cutAt); // during the second try

        const LessonEnd end = m_lesson.Run();

        EXPECT_EQ(end, cut == Cut::Close ? LessonEnd::Closed : LessonEnd::LinkLost);
        EXPECT_EQ(m_window.ends,
                  cut == Cut::Close ? std::vector<LessonEnd>{} : std::vector<LessonEnd>{LessonEnd::LinkLost});
        EXPECT_EQ(m_lesson.Tries(), cut == Cut::StaleFromTheStart ? 0 : 2);
        if (cut != Cut::StaleFromTheStart) { // over within one sample of the close or of the silence
            EXPECT_LE(m_drone.nowMs - cutAt, cut == Cut::Quiet ? 100 + kAttitudeFreshFor.count() : 100);
        }
        // The stop goes to the lesson's own drone only, never to one connected in its place.
        EXPECT_EQ(Stops(), cut == Cut::AnotherDrone ? 0 : 1);
        if (cut != Cut::AnotherDrone) {
            EXPECT_EQ(m_drone.sent.back().command.action, kActionStop);
        }
        EXPECT_EQ(FolderChanges(before, FolderContents(m_folder.Path())), QStringList());
        m_drone.onTick = nullptr;
        g_bLinkActive = true;
        g_Link.SetState(LinkState::Good);
    }
}

} // namespace
