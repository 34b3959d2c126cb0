#pragma once
// Legal moves of a game position: finding the move a text names, whether any move exists, and
// whether a position set up from outside can be played at all.

#include "board/board.h"

class MoveGen;

// Generates the moves of board for side into mg and returns the index of the legal move from
// fromSq to toSq, or -1. The generator makes queen promotions only; the caller plays the letter.
int LegalMoveIndex(const ChessBoard &board, char side, int fromSq, int toSq, MoveGen &mg);
// Generates the moves of board for side into mg, keeps the legal ones in From, To and Promotion
// 0 .. n-1 (in the generator's order; queen promotions only) and returns n.
int GenerateLegalMoves(const ChessBoard &board, char side, MoveGen &mg);
// Index of the first legal move of board for side in mg, or -1 when it has none.
int FirstLegalMoveIndex(const ChessBoard &board, char side, MoveGen &mg);
// True when side has a legal move on board.
bool HasLegalMove(const ChessBoard &board, char side);
// Finds the legal move of side between the two squares. letter is the promotion letter typed
// (0 for none): a promotion takes it (a queen when none), any other move must come without
// one. *promotion receives the promotion byte to play. False when no such legal move exists.
bool FindLegalMove(const ChessBoard &board, char side, u64 from, u64 to, char letter,
                   char *promotion);
// Why a position cannot be played, or nullptr when it can: it needs one king of each colour,
// no square claimed twice, no pawn on the first or last rank, and the side not to move not in
// check.
const char *PositionFault(const ChessBoard &board);
// True for a position that can be played.
inline bool PositionIsSound(const ChessBoard &board)
{
    return PositionFault(board) == nullptr;
}

// True for a position in which neither side can ever mate, by material: king against king,
// king and one minor piece against king, or king and bishop against king and bishop with the
// bishops on squares of one colour.
bool IsDeadPosition(const ChessBoard &board);
