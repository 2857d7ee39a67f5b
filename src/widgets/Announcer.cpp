#include "widgets/Announcer.h"

#include "platform/UiThread.h"
#include "widgets/AccessibleRole.h"

CAnnouncer::CAnnouncer(QWidget* parent) : QWidget(parent) {
    UseAccessibleRole<CAnnouncer, QAccessible::Notification>();
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 0, 0);
    hide(); // not with its window: shown with nothing to say, it would be read out as an empty notice
}

void CAnnouncer::Announce(const QString& text) {
    AssertUiThread();
    if (isVisible())
        hide();
    setAccessibleName(text); // before it shows: a reader that hears of the showing asks for the name
    show();
}

void CAnnouncer::Withdraw() {
    hide();
}
