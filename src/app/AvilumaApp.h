// The application: records its folder, decides where the player's files live, makes sure it is the
// only game of its player, runs the main window, and ends every thread before it goes.
#pragma once

#include <QString>

class CAvilumaApp {
public:
    // dataDir: the --data-dir option, empty when not given.
    explicit CAvilumaApp(QString dataDir = {}) : m_strDataDir(std::move(dataDir)) {}

    // Runs the program; returns false, as the program ends when the main window has closed (or at
    // once, when another game of this player runs and has come to the front).
    bool InitInstance();

private:
    QString m_strDataDir;
};

// What the player is told when a file of theirs could not be saved: where, why in plain words, and
// whether what was not written is kept for later.
QString SaveFailureText(const QString& path, int error, bool kept);
