// Opening the window system: Wayland when the session is one (and Qt's Wayland support is installed),
// X11 otherwise or when Wayland fails, and one clear line instead of Qt's abort when neither works.
#pragma once

#include <QString>

// Sets QT_QPA_PLATFORM for the session, unless the player has. Empty when a platform was chosen;
// otherwise why no window can be opened, as a sentence for the terminal.
QString ChooseWindowPlatform();

// Qt's messages while the application object opens the display are held back. When no display can be
// opened, Qt ends the process with a page of advice and an abort (or a bare exit from its Wayland
// thread); instead, "<program>: cannot open a window ..." is printed (with what Qt said, when verbose)
// and the process ends with 1. Release prints what was held and hands the messages back to Qt.
void HoldStartupMessages(const char* program, bool verbose);
void ReleaseStartupMessages();

// Every window shows where the keyboard focus is from the moment it opens (Qt's own styles draw the
// focus only after the first Tab in a window), so a dialog's focused button or field can be seen
// before the player has pressed a key. Installed once, after the application object.
void ShowFocusAlways();
