// What a screen reader says without being asked: a line away from the focus, such as how an attempt
// ended, spoken as it happens.
//
// Qt 6.4 has no call for this. AT-SPI readers (Orca) speak an object of the notification role when it
// shows ("object:state-changed:showing"), reading its name; a name that changes elsewhere than at the
// focus they pass over. The announcer is such an object, of no size and never drawn: each line becomes
// its name, and it shows anew (hidden first, when it still shows the line before).
#pragma once

#include <QString>
#include <QWidget>

class CAnnouncer : public QWidget {
public:
    explicit CAnnouncer(QWidget* parent);

    // On the UI thread, while the window shows. Said again when the same line comes twice: every
    // result counts.
    void Announce(const QString& text);
    // Before its window shows again: the last line stays unsaid.
    void Withdraw();
};
