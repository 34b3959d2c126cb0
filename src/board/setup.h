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
// Chess960 start positions are numbered 0 to 959; 518 is the standard one.
constexpr int CHESS960_POSITIONS = 960;
constexpr int STANDARD_CHESS960_NUMBER = 518;
// Writes the FEN of Chess960 start position number (0 to 959) into out (FEN_MAX characters).
void Chess960Fen(int number, char *out);
// Gives board the castling rights its kings and rooks allow, as after setting up a position
// piece by piece: under standard rules a king on e1 (e8) with rooks in the corners, under
// Chess960 rules a king on its back rank with the outermost rook on either side.
void InferCastling(ChessBoard &board);
// Sets MainBoard from the first line of a file; ends the program when it cannot.
void LoadPositionFile(const char *name);

// Longest line the position readers accept; longer lines are cut.
constexpr int POSITION_LINE_MAX = 1024;
