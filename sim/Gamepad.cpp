#include "sim/Gamepad.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <SDL.h>

#include <algorithm>
#include <cmath>

GamepadSettings LoadGamepadSettings(const QString& filePath) {
    const QSettings file(filePath, QSettings::IniFormat);
    GamepadSettings s;
    s.rollAxis = file.value(QStringLiteral("gamepad/rollAxis"), s.rollAxis).toInt();
    s.pitchAxis = file.value(QStringLiteral("gamepad/pitchAxis"), s.pitchAxis).toInt();
    s.invertRoll = file.value(QStringLiteral("gamepad/invertRoll"), s.invertRoll).toBool();
    s.invertPitch = file.value(QStringLiteral("gamepad/invertPitch"), s.invertPitch).toBool();
    s.deadBand = std::clamp(file.value(QStringLiteral("gamepad/deadBand"), s.deadBand).toFloat(), 0.0f, 0.9f);
    return s;
}

bool SaveGamepadSettings(const GamepadSettings& settings, const QString& filePath) {
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    QSettings file(filePath, QSettings::IniFormat);
    file.setValue(QStringLiteral("gamepad/rollAxis"), settings.rollAxis);
    file.setValue(QStringLiteral("gamepad/pitchAxis"), settings.pitchAxis);
    file.setValue(QStringLiteral("gamepad/invertRoll"), settings.invertRoll);
    file.setValue(QStringLiteral("gamepad/invertPitch"), settings.invertPitch);
    file.setValue(QStringLiteral("gamepad/deadBand"), settings.deadBand);
    file.sync();
    return file.status() == QSettings::NoError;
}

QString DefaultGamepadSettingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/aviluma/drone.ini");
}

CGamepad::CGamepad() {
    // Read the stick whether or not our window has the focus: the game's window usually has it.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    m_bSdlReady = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
}

CGamepad::~CGamepad() {
    Close();
    if (m_bSdlReady)
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

bool CGamepad::Open() {
    if (!m_bSdlReady)
        return false;
    if (m_pJoystick != nullptr)
        return true;
    SDL_JoystickUpdate();
    if (SDL_NumJoysticks() < 1)
        return false;
    m_pJoystick = SDL_JoystickOpen(0);
    return m_pJoystick != nullptr;
}

void CGamepad::Close() {
    if (m_pJoystick != nullptr)
        SDL_JoystickClose(m_pJoystick);
    m_pJoystick = nullptr;
}

QString CGamepad::Name() const {
    const char* name = m_pJoystick ? SDL_JoystickName(m_pJoystick) : nullptr;
    return name ? QString::fromUtf8(name) : QString();
}

int CGamepad::AxisCount() const {
    return m_pJoystick ? SDL_JoystickNumAxes(m_pJoystick) : 0;
}

float CGamepad::ShapeAxis(int raw, float deadBand, bool invert) {
    const float value = std::clamp(static_cast<float>(raw) / 32767.0f, -1.0f, 1.0f);
    const float magnitude = std::fabs(value);
    float shaped = magnitude <= deadBand ? 0.0f : (magnitude - deadBand) / (1.0f - deadBand);
    shaped = std::copysign(shaped, value);
    return invert ? -shaped : shaped;
}

Stick CGamepad::Read(const GamepadSettings& settings) {
    if (m_pJoystick == nullptr)
        return {};
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(m_pJoystick)) {
        Close(); // unplugged: let the next Open find it again
        return {};
    }
    auto axis = [&](int index, bool invert) {
        if (index < 0 || index >= AxisCount())
            return 0.0f;
        return ShapeAxis(SDL_JoystickGetAxis(m_pJoystick, index), settings.deadBand, invert);
    };
    return {axis(settings.rollAxis, settings.invertRoll), axis(settings.pitchAxis, settings.invertPitch)};
}
