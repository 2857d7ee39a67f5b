// The class server's schema: its versions and the ordered steps (migrations) that make it, which
// CClassConnection::Init runs.
#pragma once

#include <QString>

#include <vector>

// The schema this game writes with; a database at a later version still takes its games while the
// later version's oldest compatible version is no later than this.
inline constexpr int kClassSchemaVersion = 4;
// The oldest schema this game sends to (the steps after it serve the board only).
inline constexpr int kOldestClassSchemaVersion = 3;
// Steps from this version on record the oldest compatible version beside their own.
inline constexpr int kFirstVersionWithCompatible = 3;

// One step of the schema: its statements, and the oldest schema version a game may still send with once
// the step is made (an additive step lets PCs of the previous release go on). Init runs a step's
// statements one by one inside a single transaction, which also takes schema_version's lock and
// records the step there: a statement that fails rolls the whole step back (the steps before it stay
// made) and stops with the server's own words.
struct Migration {
    int compatibleFrom;
    std::vector<QString> statements;
};

// The steps in order: the step at index i takes a database from version i to version i + 1.
const std::vector<Migration>& Migrations();
