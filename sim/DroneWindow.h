// The simulated drone's own window: how the drone lies (an artificial horizon), what it has received
// from the game, and the pilot's stick from the keyboard, the on-screen stick, a gamepad or the
// autopilot.
#pragma once

#include "sim/FlightLoop.h"
#include "sim/Gamepad.h"

#include <QWidget>

#include <atomic>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QSpinBox;
class CSimDrone;

// Roll and pitch as a pilot sees them: the horizon tilts against the roll and sinks as the nose rises.
class CHorizonView : public QWidget {
public:
    explicit CHorizonView(QWidget* parent = nullptr);
    void SetState(const FlightState& state);

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

class CDroneWindow : public QWidget {
public:
    CDroneWindow(CSimDrone& drone, CFlightLoop& loop, QString settingsPath);

    // The stick from the keyboard alone (arrow keys or WASD; Shift for full deflection).
    Stick KeyboardStick() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
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
    QComboBox* m_source = nullptr;
    QCheckBox* m_autopilot = nullptr;
    QSpinBox* m_rollAxis = nullptr;
    QSpinBox* m_pitchAxis = nullptr;
    QCheckBox* m_invertRoll = nullptr;
    QCheckBox* m_invertPitch = nullptr;
    QSlider* m_deadBand = nullptr;
};
