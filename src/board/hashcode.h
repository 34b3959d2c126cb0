#pragma once
// Zobrist keys, position hash codes and the pawn key.

#include <cassert>

#include "board/board.h"

extern u64 UPStable[12][64];
extern u64 LPStable[12][64];
extern u64 CastleCode[16];
extern u64 WtoMove;
extern u64 BtoMove;

// Next number of the additive lagged-Fibonacci generator.
u32 BetterRandom32();
// Fills every key table; called once at start-up.
void initPStable();
// Hash-code pair of a board with the given side to move and castling rights, from scratch.
void genhashcode(char side, int castle, u64 *upper, u64 *lower, const ChessBoard *board);
// The pieces' share of the pair: the keys of every piece on the board, from scratch.
void PieceKeys(const ChessBoard &board, u64 *upper, u64 *lower);

// The pair genhashcode gives, from the piece keys MakeMove keeps on the board: only the side
// and the castling key are added here.
inline void PositionKey(char side, int castle, const ChessBoard &board, u64 *upper, u64 *lower)
{
    const u64 extra = (side ? BtoMove : WtoMove) ^ CastleCode[castle & 15];
    *upper = board.PieceKeyUpper ^ extra;
    *lower = board.PieceKeyLower ^ extra;
#ifndef NDEBUG
    u64 fullUpper, fullLower;
    genhashcode(side, castle, &fullUpper, &fullLower, &board);
    assert(fullUpper == *upper && fullLower == *lower);
#endif
}
// 32-bit pawn key: pawns and kings of both colours.
u32 PawnKeyOf(const ChessBoard &board);

// Pawn-key contribution of one piece (pawn or king) on one square.
inline u32 PawnKey(int piece, int sq)
{
    return static_cast<u32>(LPStable[piece][sq]);
}

// The lower half of the pair PositionKey gives, which is all a table index needs.
inline u64 PositionLowerKey(char side, int castle, const ChessBoard &board)
{
    return board.PieceKeyLower ^ (side ? BtoMove : WtoMove) ^ CastleCode[castle & 15];
}
