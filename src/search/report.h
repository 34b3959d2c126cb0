#pragma once
// What a search tells the program while it runs. The search calls these at its progress points
// and never formats a line itself: each dialect (UCI, xboard, console) formats its own. The base
// class prints nothing: a search without a program around it (a test, a helper) runs quietly.
// The calls come from the thread that runs the search.

#include "core/types.h"

// What a reported score says of the root: its value, or a bound on it.
enum class ScoreBound : u8 {
    Exact, // the search of the iteration is complete
    Lower, // the root is worth at least this: moves remain to be searched
};

// The root's state at a progress point.
struct SearchProgress {
    int Depth = 0;     // the iteration
    int Score = 0;     // the engine's score scale (a pawn is 800 to 1000); -MATEVALUE.. MATEVALUE
    i64 Nodes = 0;     // nodes searched so far
    i32 MoveTime = 0;  // the search's estimate of its time so far, in seconds
    i32 ElapsedMs = 0; // milliseconds since the search started
    int SelDepth = 0;  // the deepest ply reached
    const char *Line = ""; // the root line: " e2e4 e7e5 ... \n", or "\n" for none
    bool Analysis = false; // the search is an analysis (it has no budget)
    ScoreBound Bound = ScoreBound::Exact;
    int MultiPV = 0;        // the line's rank among several (1 = best); 0: the search has one line
    int HashFull = 0;       // permille of the transposition table in use
    bool FirstMove = false; // the iteration's first move: the old best move's new score
};

// The end of a search: the line and figures of the move it plays.
struct SearchResult {
    SearchProgress Progress;
    bool Aborted = false;  // stopped from outside
    bool BookMove = false; // the move came from the opening book
    bool Shown = false;    // the line was the last one IterationDone reported
    i32 PlyReached = 0;
    i32 NPS = 0;
};

class SearchOutput {
  public:
    virtual ~SearchOutput() = default;

    // --- the budget and the speed ---
    // The share of the clock a move gets, and the clock it was taken from (milliseconds).
    virtual void BudgetSet(i32, i32) {}
    // The speed was measured after the first part of the budget (nodes per second, elapsed ms).
    virtual void SpeedMeasured(i32, i32) {}
    // The speed between two analysis iterations, and the time estimate in seconds.
    virtual void AnalysisSpeed(i32, i32) {}
    // A periodic status of a long analysis: elapsed hundredths, nodes, depth, root moves left,
    // root moves.
    virtual void AnalysisStatus(i32, i64, int, int, int) {}
    // The opening book is about to be consulted.
    virtual void BookLookup() {}
    // The root's move came from the opening book.
    virtual void BookMoveFound() {}
    // The root's move ("e2e4") came from the book file, with its weight among the weights of
    // the position's moves there.
    virtual void BookFileMove(const char *, u32, u32) { BookMoveFound(); }

    // --- the root ---
    // An iteration starts at depth.
    virtual void IterationStarted(int) {}
    // The root starts searching a move ("e2e4"), the number-th legal move of the iteration.
    // nodes and nps let a dialect decide whether the search has run long enough to say so.
    virtual void RootMove(int, const char *, int, i64, i32) {}
    // A move raised the root's best score.
    virtual void NewBest(const SearchProgress &) {}
    // The root was stopped in the middle of a move: the best so far, and the legal moves
    // searched.
    virtual void RootInterrupted(const SearchProgress &, int) {}
    // The root's move loop ended early (time or a stop): the best so far.
    virtual void RootStopped(const SearchProgress &) {}
    // An iteration completed; with several lines, once for each line, best first. Also, at
    // the end of a search cut short, once for each line it plays by.
    virtual void IterationDone(const SearchProgress &) {}
    // The search ended; the move is about to be played.
    virtual void SearchDone(const SearchResult &) {}

    // --- diagnostics ---
    // A transposition-table event of the traced search: what happened, value, window, key.
    virtual void TableTrace(const char *, int, int, int, u64, u64) {}
};

// The output of a search that reports nothing.
extern SearchOutput QuietOutput;
