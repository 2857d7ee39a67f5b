// Practice without a drone: the simulated drone (aviluma-drone) started beside the game on the player's
// request, and ended with the game.
#pragma once

#include <QString>

#include <memory>

class QProcess;

class CPracticeDrone {
public:
    CPracticeDrone();
    ~CPracticeDrone(); // ends the drone it started
    CPracticeDrone(const CPracticeDrone&) = delete;
    CPracticeDrone& operator=(const CPracticeDrone&) = delete;

    // Starts the simulated drone in the language of the game, unless it runs already. false, with
    // *error in words for the player, when it cannot be started.
    bool Start(QString* error);
    bool Running() const;
    // Asks it to end (it takes its device off the list as it goes) and waits a little; then ends it.
    void Stop();

    // The simulated drone's program: beside the game's own, else found on the PATH; empty without one.
    static QString ProgramPath();

private:
    std::unique_ptr<QProcess> m_process;
};
