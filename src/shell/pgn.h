#pragma once
// The dialogue's game as PGN text: the seven tags of every game, SetUp and FEN when it began from
// a position set up by hand, its moves in standard algebraic notation and its result.

#include <cstdio>

// Writes the game of the console or xboard dialogue to file. False when writing failed.
bool WriteGamePgn(std::FILE *file);
