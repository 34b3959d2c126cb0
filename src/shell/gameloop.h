#pragma once
// The console and xboard game loop: the opponent's moves, the engine's moves and the end of a game.

#include "board/board.h"

// Alternates the opponent's turns and the engine's until the game is over (an xboard interface
// may start further games on the same engine) or "quit"; then returns for the protocol step.
void PlayGame();
