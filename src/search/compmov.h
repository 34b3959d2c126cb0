#pragma once
// The search object: history, killer and principal-variation tables and capture values.
// The searches themselves (iterative deepening, root, interior, quiescence) are added here.

#include "board/board.h"

// One entry of the principal-variation table: a move code and its promotion byte.
struct PVEntry {
    u16 code;
    char promotion;
};

constexpr int MAXPLY = 200;

class SearchRoutines {
public:
    i32 History[2][4096];
    i32 HistoryMax;
    u16 Killers[MAXPLY][2];
    PVEntry PVTable[MAXPLY][MAXPLY];
    i32 PVLength;

    // Sets HistoryMax and every history score to 0.
    void ClearHistory();
    // Adds depth * depth to a history score, halving the side's row when it passes 65536.
    void AddHistory(char side, int moveCode, int depth);
    // Value of the piece of the colour opposite to mover on the square; 0 if none.
    int ValueCapturedPiece(char mover, u64 square, const ChessBoard* board) const;
};

extern SearchRoutines Search;

// Move code: from index * 64 + to index.
inline int MoveCode(u64 from, u64 to) { return (RightMostBit(from) - 1) * 64 + RightMostBit(to) - 1; }
