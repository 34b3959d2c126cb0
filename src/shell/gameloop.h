#pragma once
// The console and xboard game loop: the opponent's moves, the engine's moves and the end of a game,
// and the rules every move from outside is held to.

#include "board/board.h"

// Alternates the opponent's turns and the engine's until the game is over (an xboard interface
// may start further games on the same engine) or "quit"; then returns for the protocol step.
void PlayGame();

// --- the rules for moves from outside ---
// Finds the legal move from-to of side; letter is the promotion letter given (0 for none). An
// under-promotion is legal when the queen promotion on the same squares is. On success writes
// the promotion byte to pass to MakeMove.
bool FindLegalMove(const ChessBoard& board, char side, char castle, u64 from, u64 to,
                   char letter, char* promotion);
// True when side has at least one legal move.
bool HasLegalMove(const ChessBoard& board, char side, char castle);
// True when the side to move's opponent is not in check, each side has one king and no pawn
// stands on the first or last rank: the search and the move rules can work on the position.
bool PositionIsSound(const ChessBoard& board);
