#include "search/search.h"

#include <cstdio>
#include <cstring>

#include "board/hashcode.h"
#include "board/movetext.h"
#include "board/movhist.h"
#include "core/platform.h"
#include "core/status.h"
#include "eval/poseval.h"
#include "movegen/see.h"
#include "search/hashtab.h"
#include "search/threads.h"

SearchOutput QuietOutput;
SearchRoutines Search;

SearchRoutines::SearchRoutines()
    : Eval(&PE), Exchange(&see), Positions(&MoveList), Table(&PositionCache), Settings(&MainStatus),
      Output(&QuietOutput)
{
}

namespace {

// Nodes between two looks at the wall clock and standard input (a few milliseconds).
constexpr i32 kClockInterval = 4096;
// The time given by "movetime" or -st, less a margin for the reply to travel.
constexpr i32 kMoveTimeMarginMax = 100;
constexpr i32 kMoveTimeMarginMin = 10;
// The part of the clock that is never spent.
constexpr i32 kClockSafetyMin = 20;
constexpr i32 kClockSafetyMax = 1000;

constexpr i64 kInt32Max = 2147483647;

i32 Clamp32(i64 v)
{
    return static_cast<i32>(v > kInt32Max ? kInt32Max : (v < -kInt32Max ? -kInt32Max : v));
}

i64 ClampRange(i64 v, i64 lo, i64 hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// Elapsed milliseconds since start.
i32 Since(i32 start)
{
    return ClockMs() - start;
}

} // namespace

bool SearchRoutines::MustWait() const
{
    // A ponder or infinite search (UCI "go infinite", xboard "analyze") never ends by itself:
    // it waits for its release. The console reads no input, so its analysis ends.
    return Settings->Pondering || (Settings->AnalyzeMode && Output->ReadsInput());
}

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

void SearchRoutines::InitValues()
{
    TimerExtended = 0;
    AbortNow = 0;
    TimeUp = 0;
    SearchAborted = 0;
}

void SearchRoutines::AbortSearch()
{
    // Before the first iteration has produced a move the stop waits for it: a move is always sent.
    if (InSearch && !CompletedIteration) {
        DeferredAbort = 1;
        return;
    }
    SearchAborted = 1;
    AbortNow = 1;
    TimeUp = 1;
}

i64 SearchRoutines::InitMoveTimer() const
{
    return Settings->AnalyzeMode ? (Settings->NPS >> 3) : (Settings->NPS >> 1);
}

void SearchRoutines::SetBudget()
{
    Status &st = *Settings;
    HardLimitMs = 0;
    // The time an interface loses in transit is not the engine's to spend.
    const i32 overhead = st.MoveOverhead > 0 && !st.AnalyzeMode ? st.MoveOverhead : 0;
    const i32 timeLeft =
        st.TimeLeft > overhead ? st.TimeLeft - overhead : (st.TimeLeft > 0 ? 0 : st.TimeLeft);
    const i32 fixedTime = st.ST > overhead ? st.ST - overhead : (st.ST > 0 ? 1 : 0);
    if (st.FD) {
        st.PlyReached = st.FD;
    } else {
        // Time for this move in milliseconds: the fixed time, a share of the moves to the time
        // control, or a share of the clock with the increment added.
        i64 tpm;
        const i64 inc = st.TimeInc > 0 ? st.TimeInc : 0; // milliseconds
        if (fixedTime) {
            tpm = fixedTime;
        } else if (st.MovesToGo) {
            tpm = (static_cast<i64>(timeLeft) * 95 / st.MovesToGo) / 100;
            if (st.MovesToGo < 4) tpm /= 2;
        } else {
            tpm = timeLeft / 30;
            if (st.GamePly > 120 && inc <= 0) tpm = timeLeft / 40;
            if (!st.UCIMode && st.GamePly <= BookPly + 7)
                tpm = 3 * tpm / 2;
            else if ((st.GamePly % 10 == 0 || st.GamePly % 9 == 0) && timeLeft > 60000)
                tpm = (7 * tpm) >> 2;
            i64 emergency = inc + 2 * tpm;
            if (emergency > timeLeft) emergency = 300 * inc / 1000;
            if (inc > 0) {
                if (timeLeft > 20000)
                    tpm += inc;
                else if (timeLeft > 10000)
                    tpm += inc / 2;
            }
            if (emergency <= tpm + 1000) tpm = emergency / 2;
            Output->BudgetSet(Clamp32(tpm), timeLeft, st.DefaultMovesPerSession);
        }
        // An overdrawn clock gives no time, not a negative budget that would stop the first
        // iteration before it has a move.
        st.TimePerMove = Clamp32(tpm > 0 ? tpm : 0);

        // The node budget at the current speed estimate.
        PollCountdown = InitMoveTimer();
        NodesPerMove = static_cast<i64>(st.NPS / 2000) * st.TimePerMove;
        st.EmergencyTimeThreshold = Clamp32(2 * NodesPerMove);

        // The wall-clock limit: never past the time given by "movetime", never later than the
        // emergency time, and never so late that the interface's clock could run out.
        if (!st.AnalyzeMode) {
            if (fixedTime) {
                const i64 margin =
                    ClampRange(fixedTime / 20, kMoveTimeMarginMin, kMoveTimeMarginMax);
                HardLimitMs = Clamp32(fixedTime - margin > 1 ? fixedTime - margin : 1);
            } else if (timeLeft > 0) {
                HardLimitMs = ClockLimit(2 * static_cast<i64>(st.TimePerMove), timeLeft);
            }
        }
    }
    NPSCalibrated = 0;
}

i32 SearchRoutines::ClockLimit(i64 wanted, i32 timeLeft) const
{
    const i64 safety = ClampRange(timeLeft / 10, kClockSafetyMin, kClockSafetyMax);
    if (wanted > timeLeft - safety) wanted = timeLeft - safety;
    return Clamp32(wanted > 1 ? wanted : 1);
}

void SearchRoutines::MeasureSpeed(bool announce)
{
    Status &st = *Settings;
    const i64 n = Nodes();
    const i32 elapsed = Since(st.SearchStartTime);
    if (elapsed <= 0) return;
    const i64 nps = n * 1000 / elapsed;
    st.NPS = Clamp32(nps > 1000 ? nps : 1000);
    NodesPerMove = static_cast<i64>(st.NPS / 1000) * st.TimePerMove;
    if (announce) Output->SpeedMeasured(st.NPS, elapsed);
    st.EmergencyTimeThreshold = Clamp32(2 * NodesPerMove);
}

bool SearchRoutines::ReadCommandWord()
{
    char word[256];
    if (ReadWord(word, sizeof word) < 0) {
        // End of input: a timed or fixed-depth search finishes; a waiting search stops.
        InputClosed = 1;
        if (MustWait()) {
            AbortSearch();
            return true;
        }
        return false;
    }
    if (Output->Word(word) == 2) {
        Output->StoppedBy(word);
        AbortSearch();
        return true;
    }
    return false;
}

bool SearchRoutines::InputDetected() const
{
    if (!Output->ReadsInput()) return false;
    if (InputClosed) return false;
    // A stop waiting for the first move leaves the words after it for the protocol.
    if (DeferredAbort == 1) return false;
    return InputReady();
}

bool SearchRoutines::WatchClock()
{
    ClockCountdown = kClockInterval;
    if (SearchAborted || AbortNow) return true;
    if (InputDetected() && ReadCommandWord()) return SearchAborted || AbortNow;
    const bool overLimit = (HardLimitMs && !Settings->Pondering && !Settings->FD &&
                            Since(HardLimitStart) >= HardLimitMs) ||
                           (Settings->NodeLimit && AllNodes() >= Settings->NodeLimit);
    if (overLimit) {
        if (!CompletedIteration) {
            if (!DeferredAbort) DeferredAbort = 2;
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
    Status &st = *Settings;
    // Twice the time for a root move that is failing low; four times if the soft limit had
    // already been passed.
    const int factor = TimeUp ? 4 : 2;
    st.TimePerMove = Clamp32(factor * static_cast<i64>(st.TimePerMove));
    NodesPerMove *= factor;
    st.EmergencyTimeThreshold = Clamp32(factor * static_cast<i64>(st.EmergencyTimeThreshold));
    TimerExtended = 1;
    TimeUp = 0;
    // The wall-clock limit grows with the budget, within the same margin of the clock.
    if (HardLimitMs && !st.ST && !st.AnalyzeMode && st.TimeLeft > 0) {
        const i32 left = st.TimeLeft > st.MoveOverhead ? st.TimeLeft - st.MoveOverhead : 0;
        const i32 grown = ClockLimit(2 * static_cast<i64>(st.TimePerMove), left);
        if (grown > HardLimitMs) HardLimitMs = grown;
    }
}

bool SearchRoutines::Poll(int ply)
{
    Status &st = *Settings;
    PollPly = ply;
    // Input, or the analysis status line.
    if (InputDetected()) {
        if (ReadCommandWord()) return SearchAborted || AbortNow;
    } else if (RootDepth > 7 && st.AnalyzeMode == 1) {
        Output->AnalysisStatus(Since(st.SearchStartTime) / 10, AllNodes(), RootDepth,
                               RootMoveCount - RootMoveNumber, RootMoveCount);
    }
    // Analysis and pondering have no budget.
    if (st.AnalyzeMode) {
        PollCountdown = st.NPS >> 3;
        return false;
    }
    if (st.Pondering) {
        PollCountdown = st.NPS >> 1;
        return false;
    }
    // Node budget. A stop before the first iteration has produced a move waits for it,
    // as the wall clock's stop does.
    auto stopNow = [&]() -> bool {
        if (!CompletedIteration) {
            if (!DeferredAbort) DeferredAbort = 2;
            return false;
        }
        AbortNow = 1;
        return true;
    };
    auto budgetExceeded = [&]() -> bool {
        if (st.ST) {
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
    const i64 n = Nodes();
    if (!NPSCalibrated) {
        if (n > NodesPerMove || SearchAborted == 1) {
            MeasureSpeed(true);
            NPSCalibrated = 1;
            if ((Nodes() > NodesPerMove || SearchAborted == 1) && budgetExceeded()) return true;
        }
    } else {
        if ((n > NodesPerMove || SearchAborted == 1) && budgetExceeded()) return true;
        if ((n >= st.EmergencyTimeThreshold || SearchAborted == 1) && stopNow()) return true;
    }
    // The next poll.
    PollCountdown = InitMoveTimer();
    return false;
}

void SearchRoutines::PonderWait()
{
    // Only "stop", "ponderhit" (and "ucinewgame", "quit", or the end of input) release the move.
    char word[256];
    for (;;) {
        if (InputClosed) break;
        WaitForInput(-1);
        if (ReadWord(word, sizeof word) < 0) {
            InputClosed = 1;
            break;
        }
        const int r = Output->Word(word);
        if (r == 2 || !MustWait()) {
            Output->StoppedBy(word);
            break;
        }
    }
    SearchAborted = 1;
    AbortNow = 1;
    TimeUp = 1;
}

void SearchRoutines::NewSearch(ChessBoard &board, bool pushRoot)
{
    Status &st = *Settings;
    st.MoveTime = 0;
    InteriorNodes = LeafNodes = QuiesceNodes = 0;
    BookMove = 0;
    InitValues();
    DeferredAbort = 0;
    InputClosed = 0;
    InSearch = 1;
    ClockCountdown = kClockInterval;
    SelDepth = 0;
    EasyMove = 0;
    board.InitPieceCounts();
    std::memset(PVTable, 0, sizeof PVTable);
    for (auto &k : Killers)
        k[0] = k[1];
    st.SearchStartTime = ClockMs();
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

int SearchRoutines::ProgressiveDeepening(ChessBoard board, char depth, u64 *from, u64 *to,
                                         char *promo)
{
    Status &st = *Settings;
    Table->Prepare();
    // Reset and keys; the root is on the position stack already, as the game's last position.
    const int maxDepth = depth > 0 ? depth : 100;
    NewSearch(board, false);
    PreviousValue = 0;
    RootLegalMoves = 0;
    CompletedIteration = 0;
    HardLimitStart = st.SearchStartTime;

    // Budget.
    SetBudget();
    if (st.FD && st.FD < 1) {
        InSearch = 0;
        return 0;
    }

    // The helpers search the same root meanwhile.
    if (Pool) Pool->Start(*this, board);

    // Iterations.
    int v = 0, lastValue = 0, d = 1;
    char line[MOVESTRING_MAX];
    auto progress = [&](int depthNow, int score) {
        SearchProgress p;
        p.Depth = depthNow;
        p.Score = score;
        p.Nodes = AllNodes();
        p.MoveTime = st.MoveTime;
        p.ElapsedMs = Since(st.SearchStartTime);
        p.SelDepth = SelDepth;
        p.Line = line;
        return p;
    };
    for (;; d++) {
        // Between iterations: the soft budget. NPSCalibrated is 2 once the budget has
        // been doubled for a root move that fails low.
        if (!st.AnalyzeMode && !st.Pondering) {
            if (Nodes() > NodesPerMove && st.FD == 0) {
                if (NPSCalibrated == 0) {
                    MeasureSpeed(false);
                    NPSCalibrated = 1;
                }
                if (Nodes() > NodesPerMove) {
                    if (NPSCalibrated == 1 && FailingLow && !TimerExtended && st.ST == 0) {
                        ExtendBudget();
                        NPSCalibrated = 2;
                    } else {
                        TimeUp = SearchAborted = AbortNow = 1;
                    }
                }
            }
        } else if (st.AnalyzeMode && d > 1) {
            const i32 elapsed = Since(st.SearchStartTime);
            if (elapsed > 0)
                st.NPS = Clamp32(Nodes() * 1000 / elapsed > 1000 ? Nodes() * 1000 / elapsed : 1000);
            Output->AnalysisSpeed(st.NPS, st.MoveTime);
        }
        if (st.NodeLimit && d > 1 && AllNodes() >= st.NodeLimit) break;
        // With the stop flags set the root returns at once and the last move stands.
        if (TimeUp && AbortNow && d > 1) break;

        // The ply limit of the iteration.
        const int limit = d <= 6 ? 2 * d : 4 * d;
        board.SearchPlyLimit = limit < MAXSEARCHPLY ? limit : MAXSEARCHPLY;
        BestChanges = 255;
        FailingLow = 0;

        // The root search.
        v = SearchTreeRoot(board.SideToMove, board, -MATEVALUE, MATEVALUE, d, from, to, promo,
                           board.CastleFlags);
        PreviousValue = v;

        // Book move.
        if (BookMove) {
            Output->BookMoveFound();
            break;
        }

        // The time estimate and the line.
        st.MoveTime = static_cast<i32>(Nodes() / (st.NPS > 0 ? st.NPS : 1));
        LineText(line, d + 1);

        // An aborted iteration keeps the previous one's result.
        if (AbortNow && CompletedIteration) {
            v = lastValue;
        } else {
            CompletedIteration = 1;
            lastValue = v;
            if (DeferredAbort == 1) SearchAborted = AbortNow = TimeUp = 1;
            if (DeferredAbort == 2) TimeUp = AbortNow = 1;
            DeferredAbort = 0;
        }

        // Per-iteration output.
        Output->IterationDone(progress(d, v));

        // Stop tests.
        if (SearchAborted) {
            if (MustWait()) PonderWait();
            break;
        }
        if (AbortNow && TimeUp) break; // the wall clock or the emergency limit
        if (!st.FD && !st.Pondering) {
            if (st.ST) {
                if (Since(st.SearchStartTime) > st.ST) break;
            } else if (!st.AnalyzeMode) {
                if (d == 1) EasyMove = SecondBestValue < v - EASYMOVEMARGIN ? 1 : 0;
                if (d > 10 && BestChanges == 0 && FailingLow == 0 && EasyMove) break;
                if (Nodes() >= NodesPerMove) {
                    st.PlyReached = d;
                    break;
                }
            }
        }
        const bool decisive = v > DECISIVE || (v >= -MATEVALUE && v <= -DECISIVE - 1);
        if (st.MateLimit && v > DECISIVE && v <= MATEVALUE &&
            (MATEVALUE - v + 1) / 2 <= st.MateLimit)
            break;
        if (MustWait()) {
            if (decisive || RootLegalMoves == 1 || (v == 0 && d > 71) || (st.FD && st.FD == d) ||
                d + 1 > maxDepth) {
                PonderWait();
                break;
            }
        } else if (decisive || RootLegalMoves == 1) {
            break;
        }
        if ((st.FD && st.FD == d) || d + 1 > maxDepth) break;
    }

    // Finish: the helpers stop, and the move is reported; the caller plays it.
    if (Pool) Pool->Stop();
    InSearch = 0;
    LineText(line, d + 1);
    SearchResult result;
    result.Progress = progress(d, v);
    result.Aborted = SearchAborted != 0;
    result.BookMove = BookMove != 0;
    result.PlyReached = st.PlyReached;
    result.NPS = st.NPS;
    Output->SearchDone(result);
    return v;
}

void SearchRoutines::HelperDeepening(ChessBoard board, int firstDepth)
{
    NewSearch(board, false);
    CompletedIteration = 1;
    HardLimitMs = 0;
    ReportCountdown = 0;
    for (int d = firstDepth; d < 100; d++) {
        const int limit = d <= 6 ? 2 * d : 4 * d;
        board.SearchPlyLimit = limit < MAXSEARCHPLY ? limit : MAXSEARCHPLY;
        u64 from = 0, to = 0;
        char promo = 0;
        SearchTreeRoot(board.SideToMove, board, -MATEVALUE, MATEVALUE, d, &from, &to, &promo,
                       board.CastleFlags);
        if (SearchAborted) break;
    }
    InSearch = 0;
    if (NodeReport) NodeReport->store(Nodes(), std::memory_order_relaxed);
}

i64 SearchRoutines::AllNodes() const
{
    return Nodes() + (Pool ? Pool->Nodes() : 0);
}

int SearchRoutines::SearchExactDepth(ChessBoard board, char depth, u64 *from, u64 *to, char *promo)
{
    Status &st = *Settings;
    NewSearch(board, true);
    CompletedIteration = 1;
    HardLimitMs = 0;
    const int d = depth > 0 ? depth : 200;
    board.SearchPlyLimit = 2 * d < MAXSEARCHPLY ? 2 * d : MAXSEARCHPLY;
    st.PlyReached = st.FD;
    const int v = SearchTreeRoot(board.SideToMove, board, -MATEVALUE, MATEVALUE, d, from, to, promo,
                                 board.CastleFlags);
    InSearch = 0;
    return v;
}
