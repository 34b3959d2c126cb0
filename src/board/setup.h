#pragma once
// Position text: the FEN reader and writers and the one-position file loader.

#include "board/board.h"

// Reads a FEN text into MainBoard: placement, side to move, castling and en passant.
void SetupBoard(const char *s);
// Puts one piece, given by its letter, on MainBoard.
void AddPiece(char letter, int sq);
// Writes the castling field ("KQkq", "Kq", "-") for the given rights.
void CastleRights(char *out, char flags);
// Letter of the piece on an occupied square.
char DecodePiece(u64 m, const ChessBoard &board);
// Writes "<placement> <side> <castling> - 0 ; " into a buffer of at least 86 characters.
void pos2fenString(const ChessBoard &board, char *out);
// Longest FEN text WriteFen writes, its end included.
constexpr int FEN_MAX = 128;
// Writes the FEN of board into out (FEN_MAX characters): placement, side, castling, the square
// a pawn passed when the last move was its double step by the side not to move (else "-"), the
// fifty-move count and fullMove. Returns the length.
int WriteFen(const ChessBoard &board, int fullMove, char *out);
// Sets MainBoard from the first line of a file; ends the program when it cannot.
void LoadPositionFile(const char *name);

// Longest line the position readers accept; longer lines are cut.
constexpr int POSITION_LINE_MAX = 1024;
