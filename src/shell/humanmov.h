#pragma once
// The console and xboard command interpreter: the opponent's moves and commands,
// board editing and the engine's move line.

#include "board/board.h"
#include "shell/interpreter.h"

// --- console and xboard commands: the opponent's input, one whitespace-delimited word at a time
// ---

// Result codes of DoCommand and HumanMove.
constexpr int CMD_MOVE = 0;    // the word is a move
constexpr int CMD_END = 2;     // the current activity ends: abort the search, or move, or new game
constexpr int CMD_QUIT = 3;    // "quit" or the end of input
constexpr int CMD_HANDLED = 4; // handled or not recognised: read the next word
constexpr int CMD_FIFTY = 7;   // HumanMove only: the move played reached the fifty-move rule

// Reads the opponent's words until a legal move is played (0, or 7 when it reached the
// fifty-move rule) or a command ends the turn (2, 3). In force mode moves of both sides are
// played until a command returns 2 or 3.
u8 HumanMove();
// Interprets one word; further arguments are read as the following words or the rest of the
// line. Returns 0 (a move word), 2, 3 or 4.
u8 DoCommand(const char *word);
// Edit mode: reads piece placements until "." and sets the castling rights from the position.
void SetupBoardFromEdit();
// Plays a move of the console or xboard game on MainBoard: kept on the record for take-backs and
// its position on the game history.
void PlayDialogueMove(u64 from, u64 to, char promotion);
// Prints the engine's move as one complete line: "move e2e4" after "protover 2", otherwise the
// move number, ". ..." and the move text ("1. ... e2e4 ").
void MakeGUIMove(u64 from, u64 to, char promotion, int score);
