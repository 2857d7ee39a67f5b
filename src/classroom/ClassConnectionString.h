// The text that names a class server, as libpq takes it.
#pragma once

#include <QString>

#include <map>
#include <optional>
#include <utility>
#include <vector>

// A libpq connection string ("host=… dbname=…") or URI ("postgresql://user@host:port/db?sslmode=…")
// as keyword/value pairs; nothing (and why) for text that is neither.
std::optional<std::map<QString, QString>> ParseConnection(const QString& text, QString* why = nullptr);

// Keyword/value pairs as a libpq connection string, in their order, each value quoted where libpq needs it.
QString ConnectionText(const std::vector<std::pair<QString, QString>>& values);
