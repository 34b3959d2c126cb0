#pragma once
// The search object: iterative deepening with time control, the root, interior and quiescence
// searches, and the history, killer and principal-variation tables they share with ordering.

#include "board/board.h"

// One entry of the principal-variation table: a move code and its promotion byte.
// For rows p >= 1 the code of entry 0 holds the end index of the row.
struct PVEntry {
    u16 code;
    char promotion;
};

constexpr int MAXPLY = 200;
// The deepest ply a node may have: the tables above are indexed by ply and ply + 2.
constexpr int MAXSEARCHPLY = MAXPLY - 4;
// A position has at most 218 legal moves.
constexpr int MAXROOTMOVES = 256;

class SearchRoutines {
public:
    // --- tables shared with move ordering ---
    i32 History[2][4096];
    i32 HistoryMax;
    u16 Killers[MAXPLY][2];
    PVEntry PVTable[MAXPLY][MAXPLY];
    i32 PVLength;

    // --- budget and flags ---
    i64 NodesPerMove;          // soft node budget of the move
    u8 TimeUp;                 // finish the iteration in progress, start no new one
    u8 AbortNow;               // unwind at once: every level returns 0
    u8 FailingLow;             // the root's best move is failing low
    u8 TimerExtended;          // the budget has been doubled once
    u8 NPSCalibrated;          // the speed of this search has been measured
    i64 PollCountdown;         // nodes left until the next poll
    u8 SearchAborted;          // stopped by a command or by AbortSearch
    i32 RootDepth;
    i32 RootMoveCount;
    i32 RootMoveNumber;
    i64 InteriorNodes;         // legal moves made by the interior and root searches
    i64 LeafNodes;             // interior calls answered at the leaf
    i64 QuiesceNodes;          // quiescence calls
    i32 PollPly;
    // --- root ---
    i32 SecondBestValue;
    i32 PreviousValue;
    u8 BestChanges;
    i32 RootLegalMoves;
    u8 BookMove;
    i32 BookPly;
    u8 EasyMove;
    // --- the wall clock and input, watched every few milliseconds ---
    i32 HardLimitMs;           // milliseconds on the engine's clock at which it must move; 0 = none
    i32 HardLimitStart;        // when the engine's clock started (the search, or a ponder hit)
    u8 InSearch;               // a search is running
    i32 ClockCountdown;        // nodes left until the next look at the clock and the input
    u8 CompletedIteration;     // an iteration has completed: a move is known
    u8 DeferredAbort;          // a stop arrived before the first move was known
    u8 InputClosed;            // standard input has ended during the search
    // --- the root moves a protocol allows ("searchmoves"); none listed = every move ---
    u16 AllowedRootMoves[MAXROOTMOVES];  // move codes
    i32 AllowedRootCount;

    // Clears History and HistoryMax.
    void ClearHistory();
    // Adds depth * depth to a history score, halving the side's row when it passes 65536.
    void AddHistory(char side, int moveCode, int depth);
    // Value of the piece of the colour opposite to mover on the square; 0 if none.
    int ValueCapturedPiece(char mover, u64 square, const ChessBoard* board) const;
    // True when the root may play the move code (no list, or the code is in it).
    bool RootMoveAllowed(int code) const
    {
        if (AllowedRootCount <= 0) return true;
        for (int i = 0; i < AllowedRootCount && i < MAXROOTMOVES; i++)
            if (AllowedRootMoves[i] == code) return true;
        return false;
    }

    // Chooses a move for the game position within the budget and plays it on MainBoard.
    int ProgressiveDeepening(ChessBoard board, char depth, u64* from, u64* to, char* promo);
    // Resets the counters, flags and lines of a new search and sets the root's keys; pushes the
    // root on the position stack when asked.
    void StartSearch(ChessBoard& board, bool pushRoot);
    // One root search at a fixed depth; no budget, no move played.
    int SearchExactDepth(ChessBoard board, char depth, u64* from, u64* to, char* promo);
    // Searches every root move to depth; returns the best score (or a book index).
    int SearchTreeRoot(char side, ChessBoard board, int alpha, int beta, int depth, u64* from,
                       u64* to, char* promo, char castle);
    // Fail-soft principal-variation alpha-beta below the root.
    int Search(char side, int alpha, int beta, ChessBoard& board, int depth, int ply,
               char nullAllowed, char castle, char inCheck, u64 upper, u64 lower, char nodeType,
               int maxPly);
    // Captures and promotions until the position is quiet.
    int Quiesce(char side, int alpha, int beta, ChessBoard& board, int qdepth, char castle, int ply);
    // Clears the stop flags.
    void InitValues();
    // Stops the running search (called by the protocol handlers); before the first iteration
    // has produced a move the stop waits for it.
    void AbortSearch();
    i64 InitMoveTimer() const;

    // Reads input and enforces the node budget; true when the node must return at once.
    bool Poll(int ply);
    // Looks at the wall clock and standard input; true when the node must return at once.
    bool WatchClock();
    // Turns the time settings into node budgets and the wall-clock limit.
    void SetBudget();
    // Doubles the budget once for a root move that is failing low.
    void ExtendBudget();
    // Re-measures the speed from the nodes searched so far.
    void MeasureSpeed(const char* logText, bool announce);
    // Waits for a command during a ponder or infinite search that has finished by itself.
    void PonderWait();
    // Nodes searched so far.
    i64 Nodes() const { return InteriorNodes + QuiesceNodes; }
};

extern SearchRoutines Search;

// Move code: from index * 64 + to index.
inline int MoveCode(u64 from, u64 to) { return (RightMostBit(from) - 1) * 64 + RightMostBit(to) - 1; }
