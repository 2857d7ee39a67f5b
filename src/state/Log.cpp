#include "state/Log.h"

#include <QElapsedTimer>

Q_LOGGING_CATEGORY(lcLink, "link", QtWarningMsg)
Q_LOGGING_CATEGORY(lcRecords, "records", QtWarningMsg)
Q_LOGGING_CATEGORY(lcGame, "game", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "ui", QtWarningMsg)
Q_LOGGING_CATEGORY(lcStartup, "startup", QtWarningMsg)

void StartupMark(const char* reached) {
    static QElapsedTimer sinceMain = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    qCDebug(lcStartup, "%.1f ms: %s", static_cast<double>(sinceMain.nsecsElapsed()) / 1e6, reached);
}
