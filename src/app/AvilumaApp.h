// The application: records its folder, decides where the player's files live, makes sure it is the
// only game of its player, runs the main window, and ends every thread before it goes.
#pragma once

#include "platform/FolderLock.h"
#include "records/Outbox.h"
#include "records/SaveFailures.h"

#include <optional>

#include <QString>

class CAvilumaApp {
public:
    // dataDir: the --data-dir option, empty when not given.
    explicit CAvilumaApp(QString dataDir = {}) : m_strDataDir(std::move(dataDir)) {}

    // Runs the program; returns false, as the program ends when the main window has closed (or at
    // once, when another game of this player runs and has come to the front).
    bool InitInstance();
    // --player NAME [--new-player]: start as that player of the PC, adding them when asked to.
    void StartAs(QString player, bool create) {
        m_strPlayer = std::move(player);
        m_bNewPlayer = create;
    }
    // What the process returns: 1 when another game holds the data folder, 2 when --player names
    // nobody of this PC, else 0.
    int ExitCode() const { return m_nExitCode; }

    // --class-server, --class, --seat: this PC's class, written to class.cfg at the start.
    void JoinClass(ClassSettings settings) { m_joinClass = std::move(settings); }

    // --lang zh|en: the language of the game's texts, installed before the first window is made.
    void UseLanguage(QString code) { m_strLanguage = std::move(code); }
    // --simulated-drone: practice without a drone, the simulated one started and connected at once.
    void UseSimulatedDrone(bool simulated) { m_bSimulatedDrone = simulated; }

private:
    // Who flies: the player named at the start, the only one, or the chooser's pick; false when the
    // player named is not there (the player has been told).
    bool ChooseStartPlayer(class CAvilumaDlg& dlg);

    std::optional<ClassSettings> m_joinClass;
    QString m_strDataDir;
    QString m_strPlayer;
    QString m_strLanguage;
    bool m_bNewPlayer = false;
    bool m_bSimulatedDrone = false;
    int m_nExitCode = 0;
};

// What the player is told when a file of theirs could not be saved: where, why in plain words, and
// whether what was not written is kept for later.
QString SaveFailureText(const QString& path, int error, bool kept);
QString SheetNoticeText(const SheetNotice& notice);
// --player naming nobody of this PC.
QString NoSuchPlayerText(const QString& name);
// A second game on a data folder that a game already uses.
QString FolderInUseText(const QString& folder, const CFolderLock::Holder& holder);
