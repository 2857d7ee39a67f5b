// The CSV of every sheet the program writes (score sheets, the history's and the board's exports): its
// fields, its lines and its code page, and the splitting of a line back into fields.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// A field as it goes into a sheet: quoted when a comma, a quote or a line break in it would break
// the columns; a field a spreadsheet would take for a formula (beginning with =, +, -, @, a tab or a
// carriage return) gets a leading apostrophe, so it shows as the text it is.
QString SheetField(const QString& field);
// A line as the sheets hold it: in the Chinese code page (GB18030), ended by CR LF.
QByteArray SheetBytes(const QString& line);
// Splits a line of a sheet into its fields as a spreadsheet reads them; nullopt for an open quote.
std::optional<QStringList> SheetFields(const QString& line);
