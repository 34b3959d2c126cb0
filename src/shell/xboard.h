#pragma once
// The console and xboard commands: what each word does, board editing, take-backs, the status
// line and the engine's move line.

#include <string>

#include "board/board.h"
#include "shell/dialogue.h"

// What DoCommand and HumanMove make of a word.
enum class CommandResult : u8 {
    Move,    // the word is a move
    EndTurn, // the current activity ends: move now, a new game, analysis
    Quit,    // "quit" or the end of input
    Handled, // handled or not recognised: read the next word
    Fifty,   // HumanMove only: the move played reached the fifty-move rule
};

// Interprets one word; further arguments are read from the rest of its line.
CommandResult DoCommand(const char *word);
// True for a word taken as a move: a file letter and a digit 0-8 (no command looks like one).
bool IsMoveWord(const char *w);
// Edit mode: reads piece placements until "." and sets the castling rights from the position.
void SetupBoardFromEdit();
// Prints the engine's move as one complete line: "move e2e4" after "protover 2", otherwise the
// move number, ". ..." and the move text ("1. ... e2e4 "). Castling (castle: which way) is
// "O-O" or "O-O-O" in a Chess960 game.
void MakeGUIMove(u64 from, u64 to, char promotion, CastleSide castle);
// The "." status line of the running (or last) search.
void StatusLine();
// "ping" with the text that follows it: "pong" and the same text (an error when there is none).
void Pong(const char *text);
// A typed word as it is shown back: at a terminal, control characters as "?".
std::string Shown(const char *word);
// Leaves analysis mode and gives ST back the value it had before.
void EndAnalysis();
