// Iterative deepening: the budget, the iterations, the requests from outside and the end of a
// search.

#include <chrono>
#include <cstring>

#include "board/hashcode.h"
#include "board/movehistory.h"
#include "board/movetext.h"
#include "book/polyglot.h"
#include "core/platform.h"
#include "eval/poseval.h"
#include "movegen/see.h"
#include "search/hashtab.h"
#include "search/search.h"
#include "search/strength.h"
#include "search/threads.h"

SearchOutput QuietOutput;
SearchRoutines MainSearch;

SearchRoutines::SearchRoutines()
    : Eval(&PE), Exchange(&see), Positions(&MainHistory), Table(&PositionCache),
      Output(&QuietOutput),
      LevelSeed(static_cast<u64>(std::chrono::steady_clock::now().time_since_epoch().count()) | 1)
{
}

namespace {

// Nodes between two looks at the wall clock and the requests (a few milliseconds).
constexpr i32 CLOCK_INTERVAL = 4096;
// An iteration's lines end at twice its depth up to depth 6, at four times its depth after.
constexpr int PLY_LIMIT_SHORT_DEPTH = 6;
// A ponder or infinite search whose score has been a draw past this depth ends.
constexpr int DRAWN_ANALYSIS_DEPTH = 71;

// Elapsed milliseconds since start.
i32 Since(i32 start)
{
    return ClockMs() - start;
}

// The ply limit of the iteration at depth d.
int PlyLimit(int d)
{
    const int limit = d <= PLY_LIMIT_SHORT_DEPTH ? 2 * d : 4 * d;
    return limit < MAXSEARCHPLY ? limit : MAXSEARCHPLY;
}

} // namespace

void SearchRoutines::LineText(char *buf, int pv) const
{
    const PVEntry &root = PVTable[0][0];
    // No move (a root without legal moves): an empty line, never "a1a1".
    if ((root.code >> 6) == (root.code & 63)) {
        buf[0] = '\n';
        buf[1] = '\0';
        return;
    }
    fillmovestring(*this, buf, static_cast<char>(root.code >> 6), static_cast<char>(root.code & 63),
                   root.promotion, pv);
}

void SearchRoutines::ClearHistory()
{
    HistoryMax = 0;
    for (auto &row : History)
        for (auto &h : row)
            h = 0;
}

void SearchRoutines::AddHistory(char side, int moveCode, int depth)
{
    i32 *row = History[side ? 1 : 0];
    i32 &h = row[moveCode & 4095];
    h += depth * depth;
    if (h > HistoryMax) HistoryMax = h;
    if (h > 65536) {
        HistoryMax >>= 1;
        for (int i = 0; i < 4096; i++)
            row[i] >>= 1;
    }
}

void SearchRoutines::ArmRequests()
{
    StopRequest.store(false, std::memory_order_relaxed);
    PonderHitRequest.store(false, std::memory_order_relaxed);
}

void SearchRoutines::RequestStop()
{
    StopRequest.store(true, std::memory_order_relaxed);
    // The helpers have no move to wait for: they stop at once.
    if (Pool) Pool->RequestStop();
}

void SearchRoutines::RequestPonderHit(i32 nowMs)
{
    PonderHitMs.store(nowMs, std::memory_order_relaxed);
    PonderHitRequest.store(true, std::memory_order_release);
}

void SearchRoutines::TakeRequests()
{
    // The ponder hit: from now on the limits and the budget count, from this moment.
    if (Pondering && PonderHitRequest.load(std::memory_order_acquire)) {
        Pondering = 0;
        BudgetStartTime = PonderHitMs.load(std::memory_order_relaxed);
        BudgetBaseNodes = Nodes();
        BudgetBaseAllNodes = AllNodes();
        PublishDeadline();
    }
    if (!SearchAborted && StopRequest.load(std::memory_order_relaxed)) AbortSearch();
}

void SearchRoutines::AbortSearch()
{
    // Before the first iteration has produced a move the stop waits for it: a move is always sent.
    if (!CompletedIteration) {
        DeferredAbort = DeferredStop::Requested;
        return;
    }
    SearchAborted = 1;
    AbortNow = 1;
    TimeUp = 1;
}

void SearchRoutines::MeasureSpeed(bool announce)
{
    const i64 n = Nodes();
    const i32 elapsed = Since(SearchStartTime);
    if (elapsed <= 0) return;
    const i64 nps = n * 1000 / elapsed;
    NPS = Clamp32(nps > 1000 ? nps : 1000);
    Rescale(Budget, NPS);
    if (announce) Output->SpeedMeasured(NPS, elapsed);
}

bool SearchRoutines::WatchClock()
{
    ClockCountdown = ClockInterval;
    Status.Nodes.store(Nodes(), std::memory_order_relaxed);
    TakeRequests();
    if (SearchAborted || AbortNow) return true;
    // The limits count from the ponder hit; a ponder search has none before it.
    const bool overLimit =
        !Pondering &&
        ((Budget.HardLimitMs && !FixedDepth && Since(BudgetStartTime) >= Budget.HardLimitMs) ||
         (Limits.Nodes && AllNodes() - BudgetBaseAllNodes >= Limits.Nodes));
    if (overLimit) {
        if (!CompletedIteration) {
            if (DeferredAbort == DeferredStop::None) DeferredAbort = DeferredStop::Budget;
            return false;
        }
        TimeUp = 1;
        AbortNow = 1;
        return true;
    }
    return false;
}

void SearchRoutines::ExtendBudget()
{
    ::ExtendBudget(Budget, Limits, TimeUp != 0);
    TimerExtended = 1;
    TimeUp = 0;
    PublishDeadline();
}

void SearchRoutines::PublishDeadline() const
{
    if (!Pool) return;
    const bool clock = Budget.HardLimitMs && !FixedDepth && !Pondering;
    Pool->SetDeadline(clock ? BudgetStartTime + Budget.HardLimitMs : 0);
}

bool SearchRoutines::Poll(int)
{
    // The analysis status line.
    if (RootDepth > 7 && Analyzing)
        Output->AnalysisStatus(Since(SearchStartTime) / 10, AllNodes(), RootDepth,
                               RootMoveCount - RootMoveNumber, RootMoveCount);
    // Analysis and pondering have no budget.
    if (Analyzing) {
        PollCountdown = NPS >> 3;
        return false;
    }
    if (Pondering) {
        PollCountdown = NPS >> 1;
        return false;
    }
    // Node budget. A stop before the first iteration has produced a move waits for it,
    // as the wall clock's stop does.
    auto stopNow = [&]() -> bool {
        if (!CompletedIteration) {
            if (DeferredAbort == DeferredStop::None) DeferredAbort = DeferredStop::Budget;
            return false;
        }
        AbortNow = 1;
        return true;
    };
    auto budgetExceeded = [&]() -> bool {
        if (Limits.MoveTime) {
            TimeUp = 1;
            return stopNow();
        }
        if (FailingLow && !TimerExtended) {
            ExtendBudget();
        } else {
            TimeUp = 1;
        }
        return false;
    };
    if (NPSCalibrated == Calibration::None) {
        if (BudgetNodes() > Budget.NodesPerMove) {
            MeasureSpeed(true);
            NPSCalibrated = Calibration::Measured;
            if (BudgetNodes() > Budget.NodesPerMove && budgetExceeded()) return true;
        }
    } else {
        if (BudgetNodes() > Budget.NodesPerMove && budgetExceeded()) return true;
        if (BudgetNodes() >= Budget.EmergencyNodes && stopNow()) return true;
    }
    // The next poll.
    PollCountdown = InitMoveTimer();
    return false;
}

void SearchRoutines::NewSearch(ChessBoard &board, const SearchLimits &limits, bool pushRoot)
{
    Limits = limits;
    FixedDepth = limits.FixedDepth ? 1 : 0;
    Pondering = limits.Ponder ? 1 : 0;
    Analyzing = limits.Infinite ? 1 : 0;
    MoveTime = 0;
    InteriorNodes = LeafNodes = QuiesceNodes = 0;
    BookMove = 0;
    TimerExtended = AbortNow = TimeUp = SearchAborted = 0;
    DeferredAbort = DeferredStop::None;
    // A small node limit is looked at more often than the clock needs.
    ClockInterval = limits.Nodes > 0 && limits.Nodes < 16 * CLOCK_INTERVAL
                        ? static_cast<i32>(limits.Nodes / 16 > 64 ? limits.Nodes / 16 : 64)
                        : CLOCK_INTERVAL;
    ClockCountdown = ClockInterval;
    SelDepth = 0;
    EasyMove = 0;
    LineCount = 0;
    board.InitPieceCounts();
    std::memset(PVTable, 0, sizeof PVTable);
    for (auto &k : Killers)
        k[0] = k[1];
    SearchStartTime = BudgetStartTime = ClockMs();
    BudgetBaseNodes = BudgetBaseAllNodes = 0;
    Status.StartMs.store(SearchStartTime, std::memory_order_relaxed);
    Status.Nodes.store(0, std::memory_order_relaxed);
    board.PawnHashCode = PawnKeyOf(board);
    board.InitPieceKeys();
    RootBoard = board;
    if (pushRoot) {
        u64 upper, lower;
        genhashcode(board.SideToMove, board.CastleFlags, &upper, &lower, &board);
        Positions->InsertMoveHistory(upper, lower);
    }
}

void SearchRoutines::NewGame()
{
    ClearHistory();
    for (auto &k : Killers)
        k[0] = k[1] = 0;
    std::memset(PVTable, 0, sizeof PVTable);
    PVLength = 0;
}

bool SearchRoutines::PlayFromBookFile(const ChessBoard &board, u64 *from, u64 *to, char *promo)
{
    if (!Limits.UseBook || Analyzing || Pondering || Limits.Mate || board.Chess960) return false;
    BookCandidate moves[MAXBOOKMOVES];
    int n = 0;
    for (int i = 0, found = BookFile.Moves(board, moves, MAXBOOKMOVES); i < found; i++)
        if (Limits.Allows(LowestSquare(moves[i].From) * 64 + LowestSquare(moves[i].To)))
            moves[n++] = moves[i];
    const int k = ChooseBookMove(moves, n, Limits.BookBest, NextRandom(&LevelSeed));
    if (k < 0) return false;
    *from = moves[k].From;
    *to = moves[k].To;
    *promo = moves[k].Promotion;
    BookMove = 1;
    BookPly = Limits.GamePly;
    PVTable[0][0] = {static_cast<u16>(MoveCode(*from, *to)), *promo};
    PVLength = 1;
    u32 total = 0;
    for (int i = 0; i < n; i++)
        total += moves[i].Weight;
    char text[8];
    MoveText(text, LowestSquare(*from), LowestSquare(*to), *promo);
    Output->BookFileMove(text, moves[k].Weight, total);
    return true;
}

int SearchRoutines::ProgressiveDeepening(ChessBoard board, const SearchLimits &limits, u64 *from,
                                         u64 *to, char *promo)
{
    Table->Prepare();
    // 1. Reset and keys; the root is on the move history already, as the game's last position.
    const int maxDepth = limits.Depth > 0 ? limits.Depth : MAXDEPTH;
    NewSearch(board, limits, false);
    PreviousValue = 0;
    RootLegalMoves = 0;
    CompletedIteration = 0;

    // 1b. A move of the book file is played at once.
    if (PlayFromBookFile(board, from, to, promo)) {
        char line[MOVESTRING_MAX];
        LineText(line, 1);
        SearchResult result;
        result.Progress = ProgressNow(0, 0, line);
        result.BookMove = true;
        result.Shown = true;
        Output->SearchDone(result);
        return 0;
    }

    // 2. The budget.
    Budget = PlanBudget(Limits, NPS, BookPly);
    if (FixedDepth) {
        PlyReached = Limits.Depth;
        if (Limits.Depth < 1) return 0;
    } else {
        if (Budget.FromClock) Output->BudgetSet(Budget.ClockShareMs, Budget.ClockLeftMs);
        PollCountdown = InitMoveTimer();
    }
    NPSCalibrated = Calibration::None;

    // 3. The helpers search the same root meanwhile, until the wall-clock limit at the latest.
    if (Pool) {
        PublishDeadline();
        Pool->Start(*this, board);
    }

    // 4. The iterations. The result: its depth, and whether its line was the last reported.
    const int lines =
        Limits.MultiPV > 1 ? (Limits.MultiPV < MAXMULTIPV ? Limits.MultiPV : MAXMULTIPV) : 1;
    int v = 0, lastValue = 0, d = 1, resultDepth = 0;
    ScoreBound resultBound = ScoreBound::Exact, lastBound = ScoreBound::Exact;
    bool shown = false;
    char line[MOVESTRING_MAX];
    for (;; d++) {
        // 4a. Between iterations: the requests, then the soft budget, once the speed has been
        // measured and, for a root move failing low, doubled.
        TakeRequests();
        if (!Analyzing && !Pondering) {
            if (BudgetNodes() > Budget.NodesPerMove && !FixedDepth) {
                if (NPSCalibrated == Calibration::None) {
                    MeasureSpeed(false);
                    NPSCalibrated = Calibration::Measured;
                }
                if (BudgetNodes() > Budget.NodesPerMove) {
                    if (NPSCalibrated == Calibration::Measured && FailingLow && !TimerExtended &&
                        !Limits.MoveTime) {
                        ExtendBudget();
                        NPSCalibrated = Calibration::Extended;
                    } else {
                        TimeUp = SearchAborted = AbortNow = 1;
                    }
                }
            }
        } else if (Analyzing && d > 1) {
            const i32 elapsed = Since(SearchStartTime);
            if (elapsed > 0)
                NPS = Clamp32(Nodes() * 1000 / elapsed > 1000 ? Nodes() * 1000 / elapsed : 1000);
            Output->AnalysisSpeed(NPS, MoveTime);
        }
        const i64 spent = AllNodes() - BudgetBaseAllNodes;
        if (d > 1 && !Pondering &&
            ((Limits.Nodes && spent >= Limits.Nodes) ||
             (Limits.SoftNodes && spent >= Limits.SoftNodes)))
            break;
        // With the stop flags set the root returns at once and the last move stands.
        if (TimeUp && AbortNow && d > 1) break;

        // 4b. The root search.
        board.SearchPlyLimit = PlyLimit(d);
        BestChanges = 255;
        FailingLow = 0;
        v = lines > 1
                ? SearchRootLines(board.SideToMove, board, d, from, to, promo, board.CastleFlags)
                : SearchTreeRoot(board.SideToMove, board, -MATEVALUE, MATEVALUE, d, from, to, promo,
                                 board.CastleFlags);
        PreviousValue = v;
        if (BookMove) {
            Output->BookMoveFound();
            shown = true;
            break;
        }
        MoveTime = static_cast<i32>(Nodes() / (NPS > 0 ? NPS : 1));

        // 4c. Stopped inside the iteration: the best move searched in full stands if it is at
        // least the old best move, otherwise the last iteration's result does.
        // The line is shown again with the figures of the whole search.
        const bool cut = LastRoot == RootEnd::Cut || LastRoot == RootEnd::CutEmpty;
        if (cut && CompletedIteration) {
            shown = false;
            if (LastRoot == RootEnd::CutEmpty) {
                v = lastValue;
                resultBound = lastBound;
            } else {
                resultDepth = d;
                resultBound = ScoreBound::Lower;
            }
            if (lines > 1) {
                ReportLines();
                shown = true;
            }
            break;
        }
        // A stop that waited for the first move takes effect now.
        CompletedIteration = 1;
        if (DeferredAbort == DeferredStop::Requested) SearchAborted = AbortNow = TimeUp = 1;
        if (DeferredAbort == DeferredStop::Budget) TimeUp = AbortNow = 1;
        DeferredAbort = DeferredStop::None;
        resultDepth = d;
        // The budget may have ended the move loop early: the root is worth at least the best.
        resultBound = LastRoot == RootEnd::Shortened ? ScoreBound::Lower : ScoreBound::Exact;
        if (lines > 1 && LineCount > 0) {
            ReportLines();
        } else {
            LineText(line, d + 1);
            SearchProgress p = ProgressNow(d, v, line);
            p.Bound = resultBound;
            Output->IterationDone(p);
        }
        shown = true;
        lastValue = v;
        lastBound = resultBound;

        // 4d. The stop tests: from outside, the clock, the budget.
        if (SearchAborted) break;
        if (AbortNow && TimeUp) break;
        if (!FixedDepth && !Pondering) {
            if (Limits.MoveTime) {
                if (Since(BudgetStartTime) > Limits.MoveTime) break;
            } else if (!Analyzing) {
                if (d == 1) EasyMove = SecondBestValue < v - EASYMOVEMARGIN ? 1 : 0;
                if (d > 10 && BestChanges == 0 && FailingLow == 0 && EasyMove) break;
                if (BudgetNodes() >= Budget.NodesPerMove) {
                    PlyReached = d;
                    break;
                }
            }
        }
        // 4e. A proven result ends the search (with several lines, once every line is proven);
        // asked for a mate within some moves, a longer one is not enough: a shorter one may yet
        // be found.
        auto proven = [](int score) {
            return score > DECISIVE || (score >= -MATEVALUE && score <= -DECISIVE - 1);
        };
        bool decisive = proven(v);
        for (int k = 1; k < LineCount && decisive; k++)
            decisive = proven(Lines[k].Score);
        const bool win = v > DECISIVE && v <= MATEVALUE;
        const bool longerMate = Limits.Mate && win && (MATEVALUE - v + 1) / 2 > Limits.Mate;
        const bool waiting = Pondering || Analyzing;
        if (((decisive && !longerMate) || RootLegalMoves == 1) ||
            (waiting && v == 0 && d > DRAWN_ANALYSIS_DEPTH))
            break;
        if (d + 1 > maxDepth) break;
    }

    // 5. The helpers stop; a level plays one of its best lines; the move is reported and the
    // caller plays it.
    if (Pool) Pool->Stop();
    if (Limits.Strength && LineCount > 1 && !BookMove) {
        // The lines of the first line's iteration.
        i32 scores[MAXMULTIPV];
        int count = 0;
        while (count < LineCount && Lines[count].Depth == Lines[0].Depth) {
            scores[count] = Lines[count].Score;
            count++;
        }
        const int k = ChooseLine(scores, count, Limits.Strength, &LevelSeed);
        // The move played is shown last, whichever line it is.
        shown = false;
        if (k > 0) {
            PutLine(Lines[k]);
            const PVEntry m = Lines[k].Moves[0];
            *from = SquareMask(m.code >> 6);
            *to = SquareMask(m.code & 63);
            *promo = m.promotion;
            v = Lines[k].Score;
            resultDepth = Lines[k].Depth;
            resultBound = Lines[k].Bound;
        }
    }
    Status.Nodes.store(Nodes(), std::memory_order_relaxed);
    LineText(line, d + 1);
    SearchResult result;
    result.Progress = ProgressNow(resultDepth, v, line);
    result.Progress.Bound = resultBound;
    result.Aborted = SearchAborted != 0;
    result.BookMove = BookMove != 0;
    result.Shown = shown;
    result.PlyReached = PlyReached;
    result.NPS = NPS;
    Output->SearchDone(result);
    return v;
}

SearchProgress SearchRoutines::ProgressNow(int depth, int score, const char *line) const
{
    SearchProgress p;
    p.Depth = depth;
    p.Score = score;
    p.Nodes = AllNodes();
    p.MoveTime = MoveTime;
    p.ElapsedMs = Since(SearchStartTime);
    p.SelDepth = SelDepth;
    p.Line = line;
    p.Analysis = Analyzing != 0;
    p.HashFull = Table->HashFull();
    return p;
}

void SearchRoutines::PutLine(const RootLine &line)
{
    for (int k = 0; k < line.Length; k++)
        PVTable[0][k] = line.Moves[k];
    PVLength = line.Length;
}

void SearchRoutines::ReportLines()
{
    char line[MOVESTRING_MAX];
    for (int k = 0; k < LineCount; k++) {
        PutLine(Lines[k]);
        LineText(line, 1);
        SearchProgress p = ProgressNow(Lines[k].Depth, Lines[k].Score, line);
        p.Bound = Lines[k].Bound;
        p.MultiPV = k + 1;
        Output->IterationDone(p);
    }
    if (LineCount > 0) PutLine(Lines[0]);
}

void SearchRoutines::HelperDeepening(ChessBoard board, const SearchLimits &limits, int firstDepth)
{
    NewSearch(board, limits, false);
    CompletedIteration = 1;
    Budget = TimeBudget();
    ReportCountdown = 0;
    for (int d = firstDepth; d < MAXDEPTH; d++) {
        board.SearchPlyLimit = PlyLimit(d);
        u64 from = 0, to = 0;
        char promo = 0;
        SearchTreeRoot(board.SideToMove, board, -MATEVALUE, MATEVALUE, d, &from, &to, &promo,
                       board.CastleFlags);
        if (SearchAborted) break;
    }
    if (NodeReport) NodeReport->store(Nodes(), std::memory_order_relaxed);
}

i64 SearchRoutines::AllNodes() const
{
    return Nodes() + (Pool ? Pool->Nodes() : 0);
}

int SearchRoutines::SearchExactDepth(ChessBoard board, const SearchLimits &limits, u64 *from,
                                     u64 *to, char *promo)
{
    NewSearch(board, limits, true);
    CompletedIteration = 1;
    Budget = TimeBudget();
    const int d = limits.Depth > 0 ? limits.Depth : MAXPLY;
    board.SearchPlyLimit = 2 * d < MAXSEARCHPLY ? 2 * d : MAXSEARCHPLY;
    PlyReached = limits.Depth;
    return SearchTreeRoot(board.SideToMove, board, -MATEVALUE, MATEVALUE, d, from, to, promo,
                          board.CastleFlags);
}
