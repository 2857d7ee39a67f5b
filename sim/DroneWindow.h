// The simulated drone's own window: how the drone lies (an artificial horizon), what it has received
// from the game, and the pilot's stick from the keyboard, the on-screen stick, a gamepad or the
// autopilot.
#pragma once

#include "sim/FlightLoop.h"
#include "sim/Gamepad.h"

#include <QRect>
#include <QWidget>

#include <atomic>
#include <memory>

#include <sys/types.h>

class QCheckBox;
class QFileSystemWatcher;
class QGroupBox;
class QLabel;
class QSlider;
class QSpinBox;
class CSimDrone;

// Roll and pitch as a pilot sees them: the horizon tilts against the roll and sinks as the nose rises.
class CHorizonView : public QWidget {
public:
    explicit CHorizonView(QWidget* parent = nullptr);
    void SetState(const FlightState& state);
    // Drawn at its hint's size where there is room; down to the least where the screen is short.
    static constexpr int kHintSide = 220;
    static constexpr int kLeastSide = 160;
    QSize sizeHint() const override { return {kHintSide, kHintSide}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FlightState m_state;
};

// A stick on the screen: drag the knob with the mouse; it springs back to the centre when let go.
// Between drags it shows the stick that steers, whatever it comes from.
class CStickPad : public QWidget {
public:
    explicit CStickPad(QWidget* parent = nullptr);
    bool Dragging() const { return m_bDragging; }
    Stick Dragged() const { return m_dragged; }
    void ShowStick(Stick stick);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void DragTo(QPointF point);
    bool m_bDragging = false;
    Stick m_dragged;
    Stick m_shown;
};

// Where the drone window goes beside the game's windows, which are kFullWindowSize and centred in the
// screen's available area: to their right or to their left (level with their top, or higher where the
// screen is short), or below them, at full size where it fits,
// else compact; with no room anywhere, compact at the area's top-left corner, over the game's left
// part and above the main window's connect button (shorter, where that makes it fit: a 1280 x 800
// screen), or at the bottom-left corner when even that does not fit.
// Never over the run window's right column (its difficulty line, records and score), which starts
// kRunRightColumnX from the game window's left edge, nor over the connect button, kConnectButton in
// the game window.
inline constexpr int kRunRightColumnX = 538;           // 315 of the run window template's 468 dialog units
inline constexpr QRect kConnectButton(6, 549, 58, 46); // (4, 259, 33, 21) of the main window's 466 x 283
struct DronePlacement {
    QRect frame;  // where the window goes
    bool compact; // shown in its compact layout
};
// compactLeast: the least height the compact layout can take (its horizon smaller); by default its
// height.
DronePlacement PlaceDroneWindow(const QRect& area, QSize full, QSize compact, int compactLeast = -1);

class CDroneWindow : public QWidget {
public:
    CDroneWindow(CSimDrone& drone, CFlightLoop& loop, QString settingsPath);

    // The stick from the keyboard alone (arrow keys or WASD; Shift for full deflection).
    Stick KeyboardStick() const;
    bool Compact() const { return m_bCompact; }
    // The window's sizes in its two layouts, as its placement took them.
    QSize FullSize() const { return m_fullSize; }
    QSize CompactSize() const { return m_compactSize; }
    int CompactLeastHeight() const {
        return m_compactSize.height() - (CHorizonView::kHintSide - CHorizonView::kLeastSide);
    }

protected:
    // The flying keys fly the drone whichever of the window's controls has the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A language installed while it runs: every text anew.
    void changeEvent(QEvent* event) override;

private:
    // The file the game publishes its language in, as last seen: a new one is a switch to follow.
    struct LanguageStamp {
        ino_t inode = 0;
        time_t seconds = 0;
        long nanoseconds = 0;
        bool operator==(const LanguageStamp&) const = default;
    };
    static LanguageStamp LanguageFileStamp();
    void FollowLanguage();
    void ShowTexts();
    // Sizes both layouts for the texts of the language now, the longest that the changing lines can
    // show included (they wrap, and the window never grows under them), and places the window.
    void Place();
    void SetCompact(bool compact);
    void Tick();    // 100 times a second: read the inputs
    void Refresh(); // 25 times a second: show the state
    void SaveSettings();

    CSimDrone& m_drone;
    CFlightLoop& m_loop;
    QString m_strSettingsPath;
    GamepadSettings m_gamepadSettings;
    CGamepad m_gamepad;
    int m_nTicksToRetry = 0;

    std::atomic<float> m_fStickRoll{0.0f}; // what the flight loop reads
    std::atomic<float> m_fStickPitch{0.0f};
    unsigned m_keys = 0; // arrow/WASD keys held, as bits

    CHorizonView* m_horizon = nullptr;
    CStickPad* m_stickPad = nullptr;
    QLabel* m_port = nullptr;
    QLabel* m_received = nullptr;
    QLabel* m_command = nullptr;
    QLabel* m_attitude = nullptr;
    QLabel* m_gamepadState = nullptr;
    QCheckBox* m_useGamepad = nullptr; // the gamepad steers, not the keyboard and the on-screen stick
    QCheckBox* m_autopilot = nullptr;
    QLabel* m_keysHelp = nullptr;
    QLabel* m_rollAxisLabel = nullptr;
    QLabel* m_pitchAxisLabel = nullptr;
    QLabel* m_deadBandLabel = nullptr;
    QSpinBox* m_rollAxis = nullptr;
    QSpinBox* m_pitchAxis = nullptr;
    QCheckBox* m_invertRoll = nullptr;
    QCheckBox* m_invertPitch = nullptr;
    QSlider* m_deadBand = nullptr;
    QGroupBox* m_gamepadBox = nullptr;
    QFileSystemWatcher* m_languageWatch = nullptr;
    LanguageStamp m_languageSeen;
    class QBoxLayout* m_columns = nullptr;
    bool m_bCompact = false;
    QSize m_fullSize, m_compactSize;
};
