// The first-flight lesson: one unscored attempt at the easiest difficulty, tried again until the player
// has once brought the drone level and held it there for the second a game asks for.
//
// The drone is driven exactly as a game drives it: the opening command, then, after two seconds to get
// ready, an attempt start for every try (difficulty index 0, the attempt byte counting 0, 1, 2, 0, ...),
// and the stop command however the lesson ends; every try is measured as a game's attempt is (ScoreAttempt),
// and passes as one does. The player watches each try as it goes, sample by sample. Nothing is kept: no best
// score, no top list, no score sheet, no history, nothing for the class server.
//
// The lesson ends when a try passes, when the window closes, or when the link
// stops holding (LinkHolds): then the window is told, as a game tells its window.
#pragma once

#include "link/LinkRecords.h"

#include <atomic>
#include <cstdint>

// The easiest difficulty: the smallest tilt, the calmest air, the longest budget.
inline constexpr int kLessonDifficulty = 0;

// Where a try stands after a sample.
enum class LessonStep {
    OutOfBox, // roll or pitch beyond the limit: bring the dot into the box
    Holding,  // level: hold it
    OutOfTime // the try's budget ran out before a whole second was held: another try follows
};

enum class LessonEnd {
    Levelled, // a try passed: on to level 1
    LinkLost, // the drone went quiet or away
    Closed,   // the window was closed
};

struct LessonProgress {
    LessonStep step = LessonStep::OutOfBox;
    int heldMs = 0; // of the hold, while Holding (kHoldTimeMs when it is complete)
    int leftMs = 0; // of the try's budget
};

// What the lesson needs of its window. The calls come from the lesson's worker thread; the window hands
// them to its own thread.
class ILessonWindow {
public:
    virtual ~ILessonWindow() = default;
    // A try begins (1 for the first), with the whole budget ahead of it.
    virtual void ShowTry(int number, int budgetMs) = 0;
    // After every sample of a try, and once more when its time has run out.
    virtual void ShowProgress(const LessonProgress& progress) = 0;
    // How the lesson ended, unless the window was closed.
    virtual void ShowLessonEnd(LessonEnd end) = 0;
};

class CLessonDriver {
public:
    explicit CLessonDriver(ILessonWindow& window) : m_window(window) {}

    // Runs the lesson on the calling thread (the lesson's worker) until it ends.
    LessonEnd Run();
    // The tries of the last lesson, the one that passed included.
    int Tries() const { return m_nTries; }

private:
    ILessonWindow& m_window;
    std::atomic<int> m_nTries{0};
};
