// The games waiting for the class server: when this PC belongs to a class (class.cfg beside the
// settings), every finished game is also written, whole, into Data/outbox/, one file per game, and a
// sender removes it once the server has committed it.
//
//   Data/class.cfg   [Class] connection (a libpq connection string or postgresql:// URI, never a
//                    password), class, seat
//   Data/outbox/<milliseconds>-<uuid>.jsonl   a line naming the game (its uuid, class, seat and the
//                    PC's player with their folder), then the game's history lines
//   Data/outbox-refused/   games the server will never take, or files no game of this PC wrote
//
// Both folders are private to the player's account (0700): a data folder may be shared, and a file
// another account could drop in the outbox would be sent as this PC's game.
#pragma once

#include "records/History.h"
#include "records/Players.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

inline constexpr int kMaxClassLength = 64;
inline constexpr int kMaxSeatLength = 32;
// The most attempts a game sent to the class server may have (an endless game of hours), and the
// longest outbox file read back: such a game with every sample.
inline constexpr int kMaxGameAttempts = 10000;
inline constexpr qint64 kMaxOutboxFileBytes = qint64{40} << 20;

struct ClassSettings {
    QString connection;
    QString className;
    QString seat;
    bool operator==(const ClassSettings&) const = default;
};

QString ClassCfgPath();
// The class this PC belongs to; nothing when class.cfg is missing or names no connection and class.
std::optional<ClassSettings> ReadClassSettings();
// Keeps the class and seat as the server keeps them: cleaned like a player's name, cut to their
// longest.
bool WriteClassSettings(const ClassSettings& settings, QString* error);

QString OutboxFolder();
QString RefusedOutboxFolder();
// How many games wait in the refused folder.
int CountRefusedOutboxGames();

// What an outbox file holds, read back.
struct OutboxGame {
    QString id; // a UUID without braces: the game's key on the server
    QString className;
    QString seat;
    QString pcPlayer;       // the player of this PC who flew, empty on a PC without players
    QString pcPlayerFolder; // and their folder, which a new name keeps
    GameRecord game;
    QByteArray history; // the game's history lines, as the debrief keeps them
};

// Told after every game queued (from the thread that queued it): the sender wakes.
void SetOutboxListener(std::function<void()> listener);

// Writes the game into the outbox for the class in settings, flown by player (nothing on a PC without
// players); the file's path, empty on failure (logged).
QString WriteOutboxGame(const GameRecord& game, const ClassSettings& settings, const std::optional<Player>& player);
// The outbox files, in the order they were queued; none, and why, when the outbox is not this user's
// private folder.
QStringList OutboxFiles(QString* why = nullptr);
// An outbox file read back; nothing (and why) for a file that is not one, or not this user's own
// (*lasting set: it never will be), or that cannot be read now (a disk error, gone).
std::optional<OutboxGame> ReadOutboxGame(const QString& path, QString* why = nullptr, bool* lasting = nullptr);
// Makes the game this PC's, as it sends it: the class and seat of settings, the player's name as this
// PC knows them now. False (and why) for a game no player of this PC flew.
bool StampOutboxGame(OutboxGame& queued, const ClassSettings& settings, QString* why);
