// The password of a class server's login, kept where libpq looks for it: the .pgpass file.
#pragma once

#include <QString>

// Puts host:port:database:user:password into the .pgpass file at path (made 0600), replacing an entry
// for the same server, database and user. False and why on failure.
bool StorePassword(const QString& path, const QString& connection, const QString& password, QString* why);
