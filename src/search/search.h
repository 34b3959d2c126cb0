#pragma once
// The search object: iterative deepening with time control, the root, interior and quiescence
// searches, and the history, killer and principal-variation tables they share with ordering.

#include <atomic>

#include "board/board.h"
#include "search/report.h"

class PositionEvaluate;
class SEE;
class MoveHistory;
class MoveGen;
class TranspositionTables;
class Status;
class SearchPool;

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

// Score codes of the search, on the scale of MATEVALUE.
// A score beyond MATESCORE is a mate found by the search, counted in plies from the root.
constexpr int MATESCORE = 109799;
// A null-move search that comes back below -MATETHREAT has found a mate threat against the side
// to move.
constexpr int MATETHREAT = 109699;
// Scores beyond DECISIVE end the iterations: a mate is proven.
constexpr int DECISIVE = 109899;
// Below -NOWINDOW the window is too low to search: the node has nothing to gain.
constexpr int NOWINDOW = 110199;
// Scores that lose by less than a pawn and a half more than the second best mark an easy move.
constexpr int EASYMOVEMARGIN = 2949;

// Node types of the interior search.
constexpr char PVNODE = 1;  // on the principal variation: full window
constexpr char ALLNODE = 2; // expected to fail low: every move is searched
constexpr char CUTNODE = 3; // expected to fail high: the first good move ends it

// Everything one search works with and changes. The program's search is the global Search,
// working with the program's evaluator, exchange evaluator, position stack, table and status;
// another search object can be pointed at instances of its own.
class SearchRoutines {
  public:
    // --- what the search works with ---
    PositionEvaluate *Eval;     // the evaluator and its scratch state
    SEE *Exchange;              // the exchange evaluator and its scratch board
    MoveHistory *Positions;     // the game's positions and the searched line, for repetitions
    TranspositionTables *Table; // the transposition table (may be shared)
    Status *Settings;           // the time and depth settings; the search writes its speed back
    SearchOutput *Output;       // where progress goes and where typed words come from
    // The helper threads that search beside this one (none: nullptr).
    SearchPool *Pool = nullptr;
    // A helper's search: set when the program's search has decided; the helper then unwinds
    // at once, without looking at the clock or the input (nullptr for the program's search).
    const std::atomic<bool> *StopSignal = nullptr;
    // Where a helper publishes its node count for the program's output.
    std::atomic<i64> *NodeReport = nullptr;
    i32 ReportCountdown = 0; // nodes until the next publication

    SearchRoutines();

    // --- tables shared with move ordering ---
    i32 History[2][4096];
    i32 HistoryMax;
    u16 Killers[MAXPLY][2];
    PVEntry PVTable[MAXPLY][MAXPLY];
    i32 PVLength;

    // --- budget and flags ---
    i64 NodesPerMove;  // soft node budget of the move
    u8 TimeUp;         // finish the iteration in progress, start no new one
    u8 AbortNow;       // unwind at once: every level returns 0
    u8 FailingLow;     // the root's best move is failing low
    u8 TimerExtended;  // the budget has been doubled once
    u8 NPSCalibrated;  // the speed of this search has been measured
    i64 PollCountdown; // nodes left until the next poll
    u8 SearchAborted;  // stopped by a command or by AbortSearch
    i32 RootDepth;
    i32 RootMoveCount;
    i32 RootMoveNumber;
    i64 InteriorNodes; // legal moves made by the interior and root searches
    i64 LeafNodes;     // interior calls answered at the leaf
    i64 QuiesceNodes;  // quiescence calls
    i32 PollPly;
    i32 SelDepth; // the deepest ply reached by this search
    // --- root ---
    ChessBoard RootBoard; // the position searched, as NewSearch found it
    i32 SecondBestValue;
    i32 PreviousValue;
    u8 BestChanges;
    i32 RootLegalMoves;
    u8 BookMove;
    i32 BookPly;
    u8 EasyMove;
    // --- the wall clock and input, watched every few milliseconds ---
    i32 HardLimitMs;       // milliseconds on the engine's clock at which it must move; 0 = none
    i32 HardLimitStart;    // when the engine's clock started (the search, or a ponder hit)
    u8 InSearch;           // a search is running
    i32 ClockCountdown;    // nodes left until the next look at the clock and the input
    u8 CompletedIteration; // an iteration has completed: a move is known
    u8 DeferredAbort;      // a stop arrived before the first move was known
    u8 InputClosed;        // standard input has ended during the search
    // --- the root moves a protocol allows ("searchmoves"); none listed = every move ---
    u16 AllowedRootMoves[MAXROOTMOVES]; // move codes
    i32 AllowedRootCount;

    // Clears History and HistoryMax.
    void ClearHistory();
    // Adds depth * depth to a history score, halving the side's row when it passes 65536.
    void AddHistory(char side, int moveCode, int depth);
    // True when the root may play the move code (no list, or the code is in it).
    bool RootMoveAllowed(int code) const
    {
        if (AllowedRootCount <= 0) return true;
        for (int i = 0; i < AllowedRootCount && i < MAXROOTMOVES; i++)
            if (AllowedRootMoves[i] == code) return true;
        return false;
    }

    // Chooses a move for the position board within the budget; the caller plays it.
    int ProgressiveDeepening(ChessBoard board, char depth, u64 *from, u64 *to, char *promo);
    // Resets the counters, flags and lines of a new search and sets the root's keys; pushes the
    // root on the position stack when asked.
    void NewSearch(ChessBoard &board, bool pushRoot);
    // Forgets what earlier games taught the search: history, killers and the root's line.
    void NewGame();
    // A helper's iterations on the root board from firstDepth up, until StopSignal is set or
    // the deepest iteration is done; nothing is printed and no move is chosen.
    void HelperDeepening(ChessBoard board, int firstDepth);
    // One root search at a fixed depth; no budget, no move played.
    int SearchExactDepth(ChessBoard board, char depth, u64 *from, u64 *to, char *promo);
    // Searches every root move to depth; returns the best score (or a book index).
    int SearchTreeRoot(char side, ChessBoard board, int alpha, int beta, int depth, u64 *from,
                       u64 *to, char *promo, char castle);
    // Fail-soft principal-variation alpha-beta below the root.
    int Search(char side, int alpha, int beta, ChessBoard &board, int depth, int ply,
               char nullAllowed, char castle, char inCheck, u64 upper, u64 lower, char nodeType,
               int maxPly);
    // Captures and promotions until the position is quiet.
    int Quiesce(char side, int alpha, int beta, ChessBoard &board, int qdepth, char castle,
                int ply);
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
    // The wall-clock limit for a wanted time, kept a safety margin short of the clock.
    i32 ClockLimit(i64 wanted, i32 timeLeft) const;
    // Doubles the budget once for a root move that is failing low.
    void ExtendBudget();
    // Re-measures the speed from the nodes searched so far; announce reports it.
    void MeasureSpeed(bool announce);
    // Reads one word that has arrived and hands it to the output; true when it stops the search.
    bool ReadCommandWord();
    // True when words wait on standard input and the search should read them.
    bool InputDetected() const;
    // Waits for a command during a ponder or infinite search that has finished by itself.
    void PonderWait();
    // Orders the moves of an interior node: the line's move, the table's move, the killers,
    // captures by victim and attacker, quiet moves by history.
    void AssignMoveOrderValues(MoveGen &mg, int n, int ply, u64 enemyKing, int hashMove,
                               char nodeType);
    // True when a ponder or infinite search must wait for its release rather than end.
    bool MustWait() const;
    // Text of the root line: the best move and its continuation (an empty line for none).
    void LineText(char *buf, int pv) const;
    // Nodes searched so far by this search.
    i64 Nodes() const { return InteriorNodes + QuiesceNodes; }
    // Nodes searched so far by this search and its helpers.
    i64 AllNodes() const;
};

extern SearchRoutines Search;

// Longest text fillmovestring writes, its final newline and terminator included.
constexpr int MOVESTRING_MAX = 1024;

// Writes " e2e4" plus a promotion suffix (a promotion letter in lower case and a space,
// "e7e8q "; "n;", "b;", "r;", "q;" for piece codes 1-4 and 7-10; otherwise a space), then, when
// pv is non-zero, the rest of the root line of Search, then a newline. buf must hold
// MOVESTRING_MAX characters. Returns the length before the newline. The score does not change
// the text. Squares outside 0..63 print as "?0".
int fillmovestring(char *buf, int score, char from, char to, char promotion, int pv);
// The same for the root line of the search s.
int fillmovestring(const SearchRoutines &s, char *buf, char from, char to, char promotion, int pv);

// Move code: from index * 64 + to index.
inline int MoveCode(u64 from, u64 to)
{
    return (RightMostBit(from) - 1) * 64 + RightMostBit(to) - 1;
}
