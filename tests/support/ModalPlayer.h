// Plays the part of a player in front of modal windows: a list of steps, each waiting for something
// to be on screen (usually a given modal window) and then acting on it, polled from the event loop so
// it runs inside the windows' own modal loops.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>

class CModalPlayer {
public:
    CModalPlayer() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
        m_timer.start(10);
    }
    // When ready() holds, act() once.
    void Then(std::function<bool()> ready, std::function<void()> act) {
        m_steps.push_back({std::move(ready), std::move(act)});
    }
    // When the top modal window is a Window, act(window) once.
    template <typename Window>
    void When(std::function<void(Window&)> act) {
        Then([] { return dynamic_cast<Window*>(QApplication::activeModalWidget()) != nullptr; },
             [act] { act(*dynamic_cast<Window*>(QApplication::activeModalWidget())); });
    }
    bool Done() const { return m_steps.empty(); }
    void Forget() { m_steps.clear(); }

private:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };
    void Tick() {
        if (m_steps.empty() || !m_steps.front().ready())
            return;
        // The action runs from a timer of its own: it may open a modal loop, and Qt does not fire a
        // timer again while its own handler is still running, so this one must have returned by then.
        auto act = std::move(m_steps.front().act);
        m_steps.pop_front();
        QTimer::singleShot(0, std::move(act));
    }
    std::deque<Step> m_steps;
    QTimer m_timer;
};
