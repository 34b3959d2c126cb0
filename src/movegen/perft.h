#pragma once
// Perft: counts the legal move tree of MainBoard to a fixed depth, with an optional trace.

#include "board/board.h"

class PerfT {
  public:
    u64 TotalNodes = 0; // every legal move made at any depth
    u64 LeafNodes = 0;  // positions reached at depth 0

    // Counters at zero; nothing runs (tests drive Count and PerformanceTest themselves).
    PerfT() = default;
    // Counts the tree of MainBoard to the depth and prints the report (and the trace if asked).
    explicit PerfT(int depth);

    // The recursive counter: every generated move made, checked, traced when Trace is 1.
    void PerformanceTest(char side, int depth, ChessBoard board, char castle);
    // Adds the counts of the tree below board; the same numbers as PerformanceTest, found by
    // a faster route whenever no trace is asked for and the position is a sound one.
    void Count(char side, int depth, const ChessBoard &board, char castle);

  private:
    // The untraced walk of a sound position: moves at the last ply counted, not made.
    void CountTree(char side, int depth, ChessBoard &board, char castle);
};

// One root move of a divided perft and the leaves below it.
struct PerftLine {
    u64 From = 0;
    u64 To = 0;
    char Promotion = 0;
    u64 Leaves = 0;
};
// Counts the tree of board to depth (at least 1) for its side to move, move by move: each legal
// root move, in the generator's order, goes into lines (room for MAXMOVES) with the leaves below
// it. Returns the number of root moves.
int DividedPerft(const ChessBoard &board, int depth, PerftLine *lines);

// True when the position keeps the invariants the fast count relies on: one king per side,
// disjoint piece sets, no pawn on rank 1 or 8, the opponent's king not attacked, each castling
// right backed by its king on e1 or e8, and an en passant square (if any) that is empty.
bool PerftFastPathApplies(char side, const ChessBoard &board, char castle);

// Number of legal moves among those the generators list for side (identical to generating,
// making each move and dropping those that leave the king attacked). Sound positions only.
int CountLegalMoves(char side, const ChessBoard &board, char castle);
