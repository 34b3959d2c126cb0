#pragma once
// The search's output in each dialect: UCI "info" lines, xboard thinking lines and the
// console's, and the words typed during a search handed to the dialect's interpreter.

#include "search/report.h"

class ChessBoard;

// The output the program's search reports to: it passes each report to the dialect in use.
extern SearchOutput &ShellOutput;

// Prints the board diagram and, unless the evaluation display is off (-pev), the evaluation
// line of the position.
void ShowBoard(const ChessBoard &board);
