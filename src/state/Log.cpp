#include "state/Log.h"

Q_LOGGING_CATEGORY(lcLink, "link", QtWarningMsg)
Q_LOGGING_CATEGORY(lcRecords, "records", QtWarningMsg)
Q_LOGGING_CATEGORY(lcGame, "game", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "ui", QtWarningMsg)
