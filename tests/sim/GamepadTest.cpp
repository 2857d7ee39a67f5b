#include "sim/Gamepad.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <SDL.h>

namespace {

TEST(Gamepad, AxesAreShapedByDeadBandAndInversion) {
    struct Case {
        int raw;
        float deadBand;
        bool invert;
        float expected;
    };
    const Case cases[] = {
        {0, 0.1f, false, 0.0f},     {3000, 0.1f, false, 0.0f}, // inside the dead band
        {32767, 0.1f, false, 1.0f}, {-32768, 0.1f, false, -1.0f}, {32767, 0.1f, true, -1.0f},
        {16384, 0.0f, false, 0.5f}, {-16384, 0.2f, true, 0.375f},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(CGamepad::ShapeAxis(c.raw, c.deadBand, c.invert), c.expected, 0.001f) << c.raw;
}

TEST(Gamepad, AVirtualJoystickSteersTheStick) {
    CGamepad gamepad; // brings up SDL's joystick part
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 4, 0, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    ASSERT_TRUE(gamepad.Open());
    EXPECT_EQ(gamepad.AxisCount(), 4);
    SDL_Joystick* virtualStick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
    ASSERT_NE(virtualStick, nullptr);

    GamepadSettings settings;
    settings.rollAxis = 2;
    settings.pitchAxis = 3;
    settings.deadBand = 0.1f;
    SDL_JoystickSetVirtualAxis(virtualStick, 2, 32767);
    SDL_JoystickSetVirtualAxis(virtualStick, 3, -16384);
    SDL_JoystickSetVirtualAxis(virtualStick, 0, 20000); // not a chosen axis
    Stick stick = gamepad.Read(settings);
    EXPECT_NEAR(stick.roll, 1.0f, 0.001f);
    EXPECT_NEAR(stick.pitch, -(0.5f - 0.1f) / 0.9f, 0.001f);

    settings.invertRoll = true;
    SDL_JoystickSetVirtualAxis(virtualStick, 3, 2000); // within the dead band
    stick = gamepad.Read(settings);
    EXPECT_NEAR(stick.roll, -1.0f, 0.001f);
    EXPECT_EQ(stick.pitch, 0.0f);

    gamepad.Close();
    SDL_JoystickDetachVirtual(index);
}

TEST(Gamepad, SettingsSurviveInTheirFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/drone.ini"));
    EXPECT_EQ(LoadGamepadSettings(path).pitchAxis, 1); // defaults without a file
    GamepadSettings settings;
    settings.rollAxis = 3;
    settings.invertPitch = true;
    settings.deadBand = 0.2f;
    ASSERT_TRUE(SaveGamepadSettings(settings, path));
    const GamepadSettings loaded = LoadGamepadSettings(path);
    EXPECT_EQ(loaded.rollAxis, 3);
    EXPECT_TRUE(loaded.invertPitch);
    EXPECT_FALSE(loaded.invertRoll);
    EXPECT_FLOAT_EQ(loaded.deadBand, 0.2f);
}

} // namespace
