#pragma once
// Position text: the FEN reader and writer and the one-position file loader.

#include "board/board.h"

// What the castling field of a FEN asks for.
enum class FenCastling : u8 {
    Standard, // no right, or each with its king on the e-file and its rook in the corner
    Chess960, // a right that only Chess960 rules know
    Unsound   // a letter without a king on its back rank and a rook for it (that right is dropped)
};
// Reads a FEN text into MainBoard: placement, side to move, castling (X-FEN or Shredder-FEN)
// and en passant.
FenCastling SetupBoard(const char *s);
// Letter of the piece on an occupied square.
char DecodePiece(u64 m, const ChessBoard &board);
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
