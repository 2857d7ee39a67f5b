// A class server set up by the server's administrator in one command: the database, the coach's and
// the classes' logins with passwords of their own, and the room's subnet let in over TLS. What it
// changes in the server's configuration sits in one marked block of pg_hba.conf (and, noted there,
// listen_addresses in postgresql.auto.conf), so it can be shown and undone.
#pragma once

#include "classroom/ClassConnection.h"

#include <QString>
#include <QStringList>

#include <optional>

// The room's network, as "192.168.10.0/24" or "fd00::/64"; host bits are cleared.
struct Subnet {
    int family = 0;              // AF_INET or AF_INET6
    unsigned char bytes[16] = {}; // the network's address
    int prefix = 0;
    QString Text() const;
};
std::optional<Subnet> ParseSubnet(const QString& text);
// This machine's own address in subnet (its first interface there that is up); empty when none is.
QString AddressIn(const Subnet& subnet);

// A new password to hand out: 16 letters and digits from the system's random source, in groups of
// four, without the ones that read alike (0 O 1 l I).
QString NewPassword();

// The server's administrator, or why not (in words that say who is).
bool IsAdministrator(CClassConnection& admin, QString* why);
// The class database, made when missing (UTF-8, from template0); created says whether it was. False and why.
bool EnsureDatabase(CClassConnection& admin, const QString& database, bool* created, QString* why);
// The server speaks TLS, or can once ssl is on: turnOn says so when the certificate and key its settings
// name are there for it to read. Else false, and why the subnet is not opened without it.
bool RequireTls(CClassConnection& admin, const Subnet& subnet, bool* turnOn, QString* why);
// The coach's login, made when missing (LOGIN only: no role, no database of its own). Its new
// password when it was made or had none, an empty text when it keeps its own; nothing and why on failure.
std::optional<QString> EnsureCoach(CClassConnection& admin, const QString& coach, QString* why);

struct ClassLogin {
    QString className;
    QString login;
    bool existed = false; // the class had this login already
    QString password;     // a new password, or empty when it keeps its own
};
// The PC login of className (login, or the class's own, or a new one named after the class) on the
// class database of admin's connection, with a new password when it is new, has none, or
// newPassword asks for one. Nothing and why on failure.
std::optional<ClassLogin> AddClass(CClassConnection& admin, const QString& className, const QString& login,
                                   bool newPassword, QString* why);

// What setup changed in the server's configuration.
struct NetworkChanges {
    QString hbaFile;
    QStringList rules;            // the lines of the block in pg_hba.conf
    bool listenSet = false;       // setup set listen_addresses = '*'
    bool sslSet = false;          // setup set ssl = on (the certificate was there, TLS was off)
    bool restartPending = false;  // the server does not listen as its settings say until a restart
};
// Lets the PC and coach logins into database from subnet over TLS with passwords: a rule in the block
// (added beside the ones there), listen_addresses = '*' when the server does not listen everywhere
// yet, ssl = on when RequireTls says it can be, the configuration reloaded. Refused without TLS. Run on the server itself; false and why.
bool OpenNetwork(CClassConnection& admin, const QString& database, const Subnet& subnet, NetworkChanges* changes,
                 QString* why);
// What OpenNetwork made (no rules when nothing); false and why when the files cannot be read.
bool ReadNetworkChanges(CClassConnection& admin, NetworkChanges* changes, QString* why);
// Takes back what OpenNetwork made: the block removed, listen_addresses and ssl reset when setup set them, the
// configuration reloaded. undone receives what was there. False and why.
bool CloseNetwork(CClassConnection& admin, NetworkChanges* undone, QString* why);
