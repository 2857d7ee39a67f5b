// The class board's window: the game's colours, for the coach's PC or a projector. It shows what its
// feed last read and never waits for the server itself.
#pragma once

#include "classroom/ClassBoard.h"

#include <QWidget>

#include <memory>

// Why a game of the recent ones counts nowhere, by the name of what cut it short:
// "第 3 关（连接中断，不计成绩）"; empty for a finished game.
QString BoardUncountedText(const BoardEntry& e);
// The board's window over feed, which must outlive it.
std::unique_ptr<QWidget> MakeBoardWindow(CBoardFeed& feed);
// Where a sheet of the board is exported: in folder, named after what it holds, the class and when.
QString BoardSheetPath(const QString& folder, const QString& what, const QString& className, const QDateTime& when);
// aviluma-class board: the board in a window, opened on the server.
int RunBoardWindow(const QString& connection, const QString& className);
