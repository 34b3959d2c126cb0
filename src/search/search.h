#pragma once
// The search object: iterative deepening within a time budget, the root, interior and
// quiescence searches, and the history, killer and principal-variation tables they share with
// move ordering. A search runs on whichever thread calls it; it reads no input, and learns from
// outside only that it must stop or that its ponder move was played (the atomic requests below).

#include <atomic>

#include "board/board.h"
#include "search/limits.h"
#include "search/report.h"
#include "search/timeman.h"

class PositionEvaluate;
class SEE;
class MoveHistory;
class MoveGen;
class TranspositionTables;
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
// The deepest iteration.
constexpr int MAXDEPTH = 100;

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

// How far the budget has been measured and stretched (NPSCalibrated).
enum class Calibration : u8 {
    None,     // the speed is the estimate the search started with
    Measured, // the speed of this search has been measured
    Extended, // and the budget doubled between iterations for a root move failing low
};

// A stop asked for before the first iteration has produced a move waits for it (DeferredAbort).
enum class DeferredStop : u8 {
    None,
    Requested, // from outside: the search ends, as if stopped, once a move is known
    Budget,    // the clock or a node limit: the iteration in progress is the last
};

// How the last root search ended.
enum class RootEnd : u8 {
    Complete,  // every root move was searched
    Shortened, // the budget ended the move loop between two moves: the moves searched stand
    Cut,       // stopped inside, after the old best move was searched: the best so far stands
    CutEmpty,  // stopped before the old best move was searched: the old result stands
};

// The longest line a search keeps for a report of several lines.
constexpr int MAXLINEMOVES = 64;

// One line of a report of several lines: its moves from the root, its score and the iteration
// that searched it.
struct RootLine {
    PVEntry Moves[MAXLINEMOVES];
    i32 Length = 0; // moves in Moves; 0 for no line
    i32 Score = 0;
    i32 Depth = 0;
    ScoreBound Bound = ScoreBound::Exact;
};

// True when one of the first count lines starts with the move.
inline bool StartsALine(const RootLine *lines, int count, PVEntry move)
{
    for (int k = 0; k < count; k++)
        if (lines[k].Moves[0].code == move.code && lines[k].Moves[0].promotion == move.promotion)
            return true;
    return false;
}

// The figures a running search publishes for the program's status line, read from another
// thread while it runs.
struct SearchStatus {
    std::atomic<i64> Nodes{0};      // nodes of this search (every few thousand)
    std::atomic<i32> StartMs{0};    // when it started, on ClockMs
    std::atomic<i32> Depth{0};      // the iteration
    std::atomic<i32> MoveNumber{0}; // the root move being searched
    std::atomic<i32> MoveCount{0};  // root moves generated
};

// Everything one search works with and changes. The program's search is the global MainSearch,
// working with the program's evaluator, exchange evaluator, move history and table; another
// search object can be pointed at instances of its own.
class SearchRoutines {
  public:
    // --- what the search works with ---
    PositionEvaluate *Eval;     // the evaluator and its scratch state
    SEE *Exchange;              // the exchange evaluator and its scratch board
    MoveHistory *Positions;     // the move history: the game and the searched line
    TranspositionTables *Table; // the transposition table (may be shared)
    SearchOutput *Output;       // where progress goes
    u64 LevelSeed;              // the random choices of a level and of the book file
    // The helper threads that search beside this one (none: nullptr).
    SearchPool *Pool = nullptr;
    // A helper's search: set when the program's search has decided; the helper then unwinds
    // at once, without looking at the clock (nullptr for the program's search).
    const std::atomic<bool> *StopSignal = nullptr;
    // A helper's search also stops when ClockMs reaches this (0: no deadline).
    const std::atomic<i32> *StopDeadline = nullptr;
    // Where a helper publishes its node count for the program's output.
    std::atomic<i64> *NodeReport = nullptr;
    i32 ReportCountdown = 0; // nodes until the next publication

    // --- requests from outside, taken by the search at its next look at the clock ---
    std::atomic<bool> StopRequest{false};      // stop (the first iteration still completes)
    std::atomic<bool> PonderHitRequest{false}; // the ponder move was played: the clock runs
    std::atomic<i32> PonderHitMs{0};           // when, on ClockMs
    SearchStatus Status;

    SearchRoutines();

    // --- tables shared with move ordering ---
    i32 History[2][4096];
    i32 HistoryMax;
    u16 Killers[MAXPLY][2];
    PVEntry PVTable[MAXPLY][MAXPLY];
    i32 PVLength;

    // --- this search's limits and budget ---
    SearchLimits Limits;
    TimeBudget Budget;
    i32 NPS = 1200000;      // speed estimate, nodes per second; measured searches update it
    i32 SearchStartTime;    // ClockMs at the start
    i32 BudgetStartTime;    // when the budget's clock started: the start, or the ponder hit
    i64 BudgetBaseNodes;    // nodes this search had searched when the budget's clock started
    i64 BudgetBaseAllNodes; // the same for every thread together
    i32 MoveTime;           // the search's estimate of its time so far, in seconds
    i32 PlyReached;         // the depth the budget allowed
    u8 FixedDepth;          // Limits.FixedDepth
    u8 Pondering;           // searching on the opponent's time (until the ponder hit)
    u8 Analyzing;           // Limits.Infinite

    // --- flags ---
    u8 TimeUp;                 // finish the iteration in progress, start no new one
    u8 AbortNow;               // unwind at once: every level returns 0
    u8 FailingLow;             // the root's best move is failing low
    u8 TimerExtended;          // the budget has been doubled once
    Calibration NPSCalibrated; // how far the budget has been measured
    i64 PollCountdown;         // nodes left until the next look at the budget
    u8 SearchAborted;          // stopped from outside
    i32 RootDepth;
    i32 RootMoveCount;
    i32 RootMoveNumber;
    i64 InteriorNodes; // legal moves made by the interior and root searches
    i64 LeafNodes;     // interior calls answered at the leaf
    i64 QuiesceNodes;  // quiescence calls
    i32 SelDepth;      // the deepest ply reached by this search
    // --- root ---
    ChessBoard RootBoard; // the position searched, as NewSearch found it
    RootEnd LastRoot;     // how the last root search ended
    // Several lines (Limits.MultiPV above 1): every root move is searched against the worst of
    // the lines found so far, and a move above it takes its place.
    RootLine Lines[MAXMULTIPV];    // the lines as reported, best first
    RootLine NewLines[MAXMULTIPV]; // the lines of the iteration in progress
    i32 LineCount;                 // lines in Lines
    i32 SecondBestValue;
    i32 PreviousValue;
    u8 BestChanges;
    i32 RootLegalMoves;
    u8 BookMove;
    i32 BookPly; // the game ply of the last move played from the book
    u8 EasyMove;
    // --- the wall clock, watched every few milliseconds ---
    i32 ClockCountdown;         // nodes left until the next look at the clock and the requests
    i32 ClockInterval;          // nodes between two looks
    u8 CompletedIteration;      // an iteration has completed: a move is known
    DeferredStop DeferredAbort; // a stop that waits for the first move

    // Clears History and HistoryMax.
    void ClearHistory();
    // Adds depth * depth to a history score, halving the side's row when it passes 65536.
    void AddHistory(char side, int moveCode, int depth);

    // A move of the book file for the root board, when the limits let one be played (the
    // book on, a game move rather than an analysis, a ponder or a mate search, standard chess)
    // and the book has one among the allowed moves; reported, and true.
    bool PlayFromBookFile(const ChessBoard &board, u64 *from, u64 *to, char *promo);
    // Chooses a move for the position board within the limits; the caller plays it. Returns
    // the score (STALEMATEVALUE or -MATEVALUE when there is no move).
    int ProgressiveDeepening(ChessBoard board, const SearchLimits &limits, u64 *from, u64 *to,
                             char *promo);
    // Resets the counters, flags and lines of a new search under limits and sets the root's
    // keys; pushes the root on the move history when asked.
    void NewSearch(ChessBoard &board, const SearchLimits &limits, bool pushRoot);
    // Forgets what earlier games taught the search: history, killers and the root's line.
    void NewGame();
    // A helper's iterations on the root board from firstDepth up, until StopSignal is set or
    // the deepest iteration is done; nothing is printed and no move is chosen.
    void HelperDeepening(ChessBoard board, const SearchLimits &limits, int firstDepth);
    // Reports each line of Lines as an iteration's result.
    void ReportLines();
    // Puts a kept line back as the root line of PVTable.
    void PutLine(const RootLine &line);
    // The root's figures now, with a line and its depth and score.
    SearchProgress ProgressNow(int depth, int score, const char *line) const;
    // One root search at the depth of limits; no budget, no move played.
    int SearchExactDepth(ChessBoard board, const SearchLimits &limits, u64 *from, u64 *to,
                         char *promo);
    // Searches every root move to depth; returns the best score (or a book index).
    int SearchTreeRoot(char side, ChessBoard board, int alpha, int beta, int depth, u64 *from,
                       u64 *to, char *promo, char castle);
    // The root of a search of several lines: the lines of the iteration at depth go to Lines,
    // best first (with the earlier lines behind them when the iteration is cut short), and the
    // first line's move to from, to and promo. Returns its score.
    int SearchRootLines(char side, ChessBoard board, int depth, u64 *from, u64 *to, char *promo,
                        char castle);
    // Reports the start of an iteration at depth and generates the root's moves into mg;
    // returns their number.
    int StartRootIteration(MoveGen &mg, char side, ChessBoard &board, char castle, int depth);
    // The i-th root move in order into from, to and promo; returns its code, or -1 when the
    // search's limits leave it out.
    int NextRootMove(MoveGen &mg, int i, int count, u64 *from, u64 *to, char *promo);
    // Plays a root move on a copy of board and searches it: the first fullWindows legal moves
    // with the window (alpha, beta), a later one with a null window at alpha first (and a late
    // quiet one shallower before that), then with the full window when it rises above alpha.
    // False, with nothing searched, when the move is not legal; *legal counts the legal moves.
    bool SearchRootMove(const ChessBoard &board, char side, char castle, int depth, int alpha,
                        int beta, u64 mFrom, u64 mTo, char mPromo, i32 orderValue,
                        int fullWindows, int *legal, int *value);
    // A new best root move scored v at depth: marks the root as failing low when v has fallen
    // far below the last iteration's score.
    void NoteNewBest(int depth, int v);
    // Fail-soft principal-variation alpha-beta below the root.
    int Search(char side, int alpha, int beta, ChessBoard &board, int depth, int ply,
               char nullAllowed, char castle, char inCheck, u64 upper, u64 lower, char nodeType,
               int maxPly);
    // Captures and promotions until the position is quiet.
    int Quiesce(char side, int alpha, int beta, ChessBoard &board, int qdepth, char castle,
                int ply);

    // --- requests from another thread ---
    // Clears the requests before a search is started on another thread.
    void ArmRequests();
    // Asks the running search to stop; before its first iteration has produced a move the
    // stop waits for it. The helpers stop at once.
    void RequestStop();
    // The ponder move was played at nowMs: the search goes on as a timed one from then.
    void RequestPonderHit(i32 nowMs);

    // Enforces the node budget; true when the node must return at once.
    bool Poll(int ply);
    // Looks at the wall clock, the node limit and the requests; true when the node must
    // return at once.
    bool WatchClock();
    // Takes the requests made since the last look: a stop, a ponder hit.
    void TakeRequests();
    // Stops the search (a stop request taken).
    void AbortSearch();
    // Doubles the budget once for a root move that is failing low.
    void ExtendBudget();
    // Tells the helpers when the wall-clock limit falls (none while pondering or at a fixed
    // depth).
    void PublishDeadline() const;
    // Re-measures the speed from the nodes searched so far; announce reports it.
    void MeasureSpeed(bool announce);
    // Nodes between two looks at the budget.
    i64 InitMoveTimer() const { return Analyzing ? (NPS >> 3) : (NPS >> 1); }
    // Nodes searched since the budget's clock started.
    i64 BudgetNodes() const { return Nodes() - BudgetBaseNodes; }
    // Orders the moves of an interior node: the line's move, the table's move, the killers,
    // captures by victim and attacker, quiet moves by history.
    void AssignMoveOrderValues(MoveGen &mg, int n, int ply, u64 enemyKing, int hashMove,
                               char nodeType);
    // Text of the root line: the best move and its continuation (an empty line for none).
    void LineText(char *buf, int pv) const;
    // Nodes searched so far by this search.
    i64 Nodes() const { return InteriorNodes + QuiesceNodes; }
    // Nodes searched so far by this search and its helpers.
    i64 AllNodes() const;
};

extern SearchRoutines MainSearch;

// Longest text fillmovestring writes, its final newline and terminator included.
constexpr int MOVESTRING_MAX = 1024;

// Writes " e2e4" plus a promotion suffix (a promotion letter in lower case and a space,
// "e7e8q "; "n;", "b;", "r;", "q;" for piece codes 1-4 and 7-10; otherwise a space), then, when
// pv is non-zero, the rest of the root line of MainSearch, then a newline. buf must hold
// MOVESTRING_MAX characters. Returns the length before the newline. The score does not change
// the text. Squares outside 0..63 print as "?0".
int fillmovestring(char *buf, int score, char from, char to, char promotion, int pv);
// The same for the root line of the search s.
int fillmovestring(const SearchRoutines &s, char *buf, char from, char to, char promotion, int pv);

// Move code of a move's two (non-empty) square masks: from index * 64 + to index.
inline int MoveCode(u64 from, u64 to)
{
    return LowestSquare(from) * 64 + LowestSquare(to);
}
