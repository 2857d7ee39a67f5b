// What the class server or Qt's driver said, and how a coach reads it.
#pragma once

#include <QString>

class QSqlError;

// A driver or server error in words a coach can act on.
QString ClassErrorText(const QString& error);
// The server's own words of an error, or the driver's when the server said none.
QString ErrorOf(const QSqlError& error);
