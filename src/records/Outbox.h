// The games waiting for the class server: when this PC belongs to a class (class.cfg beside the
// settings), every finished game is also written, whole, into Data/outbox/, one file per game, and a
// sender removes it once the server has committed it.
//
//   Data/class.cfg   [Class] connection (a libpq connection string or postgresql:// URI, never a
//                    password), class, seat
//   Data/outbox/<milliseconds>-<uuid>.jsonl   a line naming the game (its uuid, class, seat and the
//                    PC's player), then the game's history lines
#pragma once

#include "records/History.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct ClassSettings {
    QString connection;
    QString className;
    QString seat;
    bool operator==(const ClassSettings&) const = default;
};

QString ClassCfgPath();
// The class this PC belongs to; nothing when class.cfg is missing or names no connection and class.
std::optional<ClassSettings> ReadClassSettings();
bool WriteClassSettings(const ClassSettings& settings, QString* error);

QString OutboxFolder();

// What an outbox file holds, read back.
struct OutboxGame {
    QString id; // a UUID without braces: the game's key on the server
    QString className;
    QString seat;
    QString pcPlayer; // the player of this PC who flew, empty on a PC without players
    GameRecord game;
    QByteArray history; // the game's history lines, as the debrief keeps them
};

// Told after every game queued (from the thread that queued it): the sender wakes.
void SetOutboxListener(std::function<void()> listener);

// Writes the game into the outbox for the class in settings; the file's path, empty on failure (logged).
QString WriteOutboxGame(const GameRecord& game, const ClassSettings& settings, const QString& pcPlayer);
// The outbox files, oldest first.
QStringList OutboxFiles();
// An outbox file read back; nothing (and why) for a file that is not one.
std::optional<OutboxGame> ReadOutboxGame(const QString& path, QString* why = nullptr);
