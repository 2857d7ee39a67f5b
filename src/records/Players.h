// The players of this PC: each a name with their own progress (system.cfg) and history, in a folder of
// their own; the top-three lists and the score sheets stay the PC's.
//
//   Data/players.cfg                 the index, UTF-8, one line per player in the order they were
//                                    added: "player <folder> <name>"; while today's progress is being
//                                    given to a player, also "adopting <folder>"
//   Data/players/<folder>/system.cfg  that player's open levels and best scores
//   Data/players/<folder>/history/    that player's games
//   Data/players/<folder>/language.cfg  the language the player chose in the game: "zh" or "en"
//   Data/players-removed/<folder>-<time>/  a removed player's folder, kept, not deleted
//
// A PC without players.cfg has no named players: the progress lives in Data/ as it always did. The
// folder name is made from the name (its ASCII letters and digits and a hash of the whole name), so
// names that differ only in case or width are two players, and nothing in a name reaches a path.
// Every change of the index replaces the file whole.
#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

struct Player {
    QString name;
    QString folder; // the name of the player's folder under Data/players/
};

// What the chooser shows of a player.
struct PlayerSummary {
    Player player;
    int openLevel = 1;
    int games = 0;
    QDateTime lastPlayed; // invalid: never played
};

QString PlayersFilePath();
QString PlayerFolderPath(const Player& player);
QString RemovedPlayersFolder();
// The player's history folder (players/<folder>/history).
QString PlayerHistoryFolder(const Player& player);

// The players in the order they were added; empty when this PC has none (or the index is unreadable,
// which is logged).
std::vector<Player> ReadPlayers();
// The player of that name (compared exactly, after the cleaning names get).
std::optional<Player> FindPlayer(const std::vector<Player>& players, const QString& name);

// Today's progress (Data/system.cfg or Data/history/) with no players yet: adding the first player
// asks whose it is.
bool HasUnownedProgress();

// Adds a player: the name is cleaned like a competition name and must not be empty or taken. On
// failure returns nothing and *error says why, in words for the player.
std::optional<Player> AddPlayer(const QString& typedName, QString* error);

// Adds a player who takes today's progress and history: they are moved into the player's folder, not
// copied. The index says the move is under way before it starts, so a move cut short by a crash is
// finished by FinishAdoption() at the next start. stopAfter, for tests, stops after that many steps
// (1: the index written, 2: the progress moved, 3: the history moved) as a crash would.
std::optional<Player> AdoptProgress(const QString& typedName, QString* error, int stopAfter = 0);
// Finishes a move AdoptProgress() began; false (logged) when something could not be moved.
bool FinishAdoption();

bool RenamePlayer(const Player& player, const QString& typedName, QString* error);
// Takes the player out of the index and moves their folder to Data/players-removed/.
bool RemovePlayer(const Player& player, QString* error);

// Every player with what the chooser shows, newest first: the last played first, then those never
// played, the last added first.
std::vector<PlayerSummary> SummarisePlayers(const std::vector<Player>& players);

// Makes the player's folder the progress folder (made when missing); nullopt: the PC's own, for a PC
// without players. False, with nothing changed and *error saying why, when the folder (or players/,
// or its history/) is a link that could lead outside the data folder (CheckFolders) or is no folder.
bool UsePlayer(const std::optional<Player>& player, QString* error = nullptr);
// The player whose progress is in use, if any.
std::optional<Player> CurrentPlayer();
// Whether the player in use (the PC's own progress, on a PC without players) has flown before: a game
// in their history, a level opened, or a best score kept (progress from before the history was kept).
bool CurrentPlayerHasFlown();

// The language the current player chose ("zh" or "en"), in their folder (Data/ on a PC without
// players); empty when they chose none.
QString ReadLanguageChoice();
// Keeps code as the current player's choice; on failure *error says why, in words for the player.
bool WriteLanguageChoice(const QString& code, QString* error);
