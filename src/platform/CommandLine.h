// What the programs say in the terminal about their options: in its language when that is Chinese, in
// English otherwise. Read before any window exists, so --help and --version work without a display.
#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>

// english or chinese, as the terminal's locale (LC_ALL, LC_MESSAGES, LANG) asks.
QString TerminalText(const char* english, const char* chinese);

// Parses the options of a program that is still without its application object, with a short-lived
// one standing in: --help, --version and unknown options end the process here. The parser takes
// --help and --version first, then options. Qt's own words of the help ("Usage:", "Options:", what
// --help and --version do) follow the terminal's language too when Qt's translations are installed.
void ParseCommandLine(QCommandLineParser& parser, const QList<QCommandLineOption>& options, int argc,
                      char* argv[]);

// --lang zh|en, as the programs beside the game take it: the language of their windows and messages.
QCommandLineOption LanguageOption();
// The code given with --lang, empty without one. A code that names no language ends the process with
// a word of usage that names it, as an unknown option does.
QString LanguageOptionValue(const QCommandLineParser& parser, const QCommandLineOption& option);
