// Keeps what the program logs while it lives, from any thread, as "category: message" lines; Qt's
// own handler comes back when it goes. Debug lines are kept only where a category has them enabled.
#pragma once

#include <QStringList>

class CLogCapture {
public:
    CLogCapture();
    ~CLogCapture();
    CLogCapture(const CLogCapture&) = delete;
    CLogCapture& operator=(const CLogCapture&) = delete;

    QStringList Lines() const;
};
