// A gamepad or an RC transmitter in USB joystick mode, read through SDL, as the simulated drone's stick.
// Which axes steer roll and pitch, their inversion and the dead band around the centre are the
// simulator's own settings, kept in a small file.
#pragma once

#include "sim/FlightModel.h"

#include <QString>

struct _SDL_Joystick;

struct GamepadSettings {
    int rollAxis = 0; // the right-hand stick's sideways axis on most pads is 2 or 3
    int pitchAxis = 1;
    bool invertRoll = false;
    bool invertPitch = false; // forward is negative on a joystick, and forward lowers the nose
    float deadBand = 0.08f;   // share of the travel around the centre that counts as centred
};

GamepadSettings LoadGamepadSettings(const QString& filePath);
bool SaveGamepadSettings(const GamepadSettings& settings, const QString& filePath);
// The settings file in the user's configuration folder.
QString DefaultGamepadSettingsPath();

class CGamepad {
public:
    CGamepad();
    ~CGamepad();
    CGamepad(const CGamepad&) = delete;
    CGamepad& operator=(const CGamepad&) = delete;

    // Opens the first joystick SDL knows; false when there is none (try again later: one may be
    // plugged in meanwhile).
    bool Open();
    void Close();
    bool IsOpen() const { return m_pJoystick != nullptr; }
    QString Name() const;
    int AxisCount() const;

    // The stick as the settings map the joystick's axes, read now.
    Stick Read(const GamepadSettings& settings);

    // One raw axis value (-32768..32767) to -1..1: centred inside the dead band, the rest of the travel
    // stretched to the full range, then inverted if asked.
    static float ShapeAxis(int raw, float deadBand, bool invert);

private:
    bool m_bSdlReady = false;
    _SDL_Joystick* m_pJoystick = nullptr; // SDL_Joystick
};
