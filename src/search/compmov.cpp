#include "search/compmov.h"

#include <cstdio>
#include <cstring>

#include "hash/hashcode.h"
#include "search/hashtab.h"
#include "search/movhist.h"
#include "shell/humanmov.h"
#include "shell/platform.h"
#include "shell/protocol.h"
#include "shell/status.h"

SearchRoutines Search;

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

i32 Clamp32(i64 v) { return static_cast<i32>(v > kInt32Max ? kInt32Max : (v < -kInt32Max ? -kInt32Max : v)); }

i64 ClampRange(i64 v, i64 lo, i64 hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Elapsed milliseconds of the current search.
i32 Elapsed() { return ClockMs() - MainStatus.SearchStartTime; }
// Elapsed milliseconds on the engine's own clock (which starts again at a ponder hit).
i32 ClockElapsed() { return ClockMs() - Search.HardLimitStart; }

// A ponder or infinite search (UCI "go infinite", xboard "analyze") never ends by itself: it
// waits for its release.
bool MustWait()
{
    return MainStatus.Pondering || (MainStatus.AnalyzeMode && (MainStatus.UCIMode || MainStatus.xboard));
}

// Text of the root line: the best move and its continuation.
void LineText(char* buf, int score, int pv)
{
    const PVEntry& root = Search.PVTable[0][0];
    // No move (a root without legal moves): an empty line, never "a1a1".
    if ((root.code >> 6) == (root.code & 63)) {
        buf[0] = '\n';
        buf[1] = '\0';
        return;
    }
    fillmovestring(buf, score, static_cast<char>(root.code >> 6), static_cast<char>(root.code & 63),
                   root.promotion, pv);
}

}  // namespace

void SearchRoutines::ClearHistory()
{
    HistoryMax = 0;
    for (auto& row : History)
        for (auto& h : row) h = 0;
}

void SearchRoutines::AddHistory(char side, int moveCode, int depth)
{
    i32* row = History[side ? 1 : 0];
    i32& h = row[moveCode & 4095];
    h += depth * depth;
    if (h > HistoryMax) HistoryMax = h;
    if (h > 65536) {
        HistoryMax >>= 1;
        for (int i = 0; i < 4096; i++) row[i] >>= 1;
    }
}

int SearchRoutines::ValueCapturedPiece(char mover, u64 square, const ChessBoard* board) const
{
    const ChessBoard& b = *board;
    if (mover == 0) {
        if (!(square & b.BlackPieces)) return 0;
        if (square & b.BlackPawns) return 800;
        if (square & (b.BlackKnights | b.BlackBishops)) return 3250;
        if (square & b.BlackRooks) return 5000;
        if (square & b.BlackQueens) return 9750;
        if (square & b.BlackKing) return 1000000;
        return 0;
    }
    if (!(square & b.WhitePieces)) return 0;
    if (square & b.WhitePawns) return 800;
    if (square & (b.WhiteKnights | b.WhiteBishops)) return 3250;
    if (square & b.WhiteRooks) return 5000;
    if (square & b.WhiteQueens) return 9750;
    if (square & b.WhiteKing) return 1000000;
    return 0;
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
    return MainStatus.AnalyzeMode ? (MainStatus.NPS >> 3) : (MainStatus.NPS >> 1);
}


void SearchRoutines::SetBudget()
{
    Status& st = MainStatus;
    HardLimitMs = 0;
    if (st.FD) {
        st.PlyReached = st.FD;
    } else {
        // 1-3. Time for this move in milliseconds.
        i64 tpm;
        if (st.ST) {
            tpm = st.ST;
            WriteLogFile(" TimePeMove after ST = %d \n", tpm);
            WriteLogFile(" EmergencyTimeThreshold after ST = %d \n", st.EmergencyTimeThreshold);
        } else if (st.MovesPerSession) {
            tpm = (static_cast<i64>(st.TimeLeft) * 95 / st.MovesPerSession) / 100;
            if (st.MovesPerSession < 4) tpm /= 2;
        } else {
            tpm = st.TimeLeft / 30;
            if (st.GamePly > 120 && st.TimeInc <= 0) tpm = st.TimeLeft / 40;
            if (!st.UCIMode && st.GamePly <= BookPly + 7)
                tpm = 3 * tpm / 2;
            else if ((st.GamePly % 10 == 0 || st.GamePly % 9 == 0) && st.TimeLeft > 60000)
                tpm = (7 * tpm) >> 2;
            WriteLogFile(" TimePerMove Before Inc = %d \n", tpm);
            const i64 inc = st.TimeInc > 0 ? st.TimeInc : 0;
            i64 emergency = 1000 * inc + 2 * tpm;
            if (emergency > st.TimeLeft) {
                WriteLogFile("EmergencyTimeThreshold = %d > TimeLeft %d\n", emergency, st.TimeLeft);
                emergency = 300 * static_cast<i64>(st.TimeInc);
            }
            WriteLogFile(" EmergencyTimeThreshold = %d \n", emergency);
            if (st.TimeInc > 0) {
                if (st.TimeLeft > 20000) tpm += 1000 * static_cast<i64>(st.TimeInc);
                else if (st.TimeLeft > 10000) tpm += 500 * static_cast<i64>(st.TimeInc);
            }
            WriteLogFile(" TimePerMove After Inc = %d \n", tpm);
            if (emergency <= tpm + 1000) {
                tpm = emergency / 2;
                WriteLogFile(" Inc = %d \n", tpm);
            }
            WriteLogFile(" Inc = %d \n", st.TimeInc);
            WriteLogFile(" EmergencyTimeThreshold after comparing to Inc = %d \n", emergency);
            if (!st.xboard && !st.UCIMode) {
                std::printf("Time Per Move = %d\n", Clamp32(tpm));
                std::printf("Time Left = %d\n", st.TimeLeft);
                std::printf("DefaultMovesPerSession = %d\n", st.DefaultMovesPerSession);
            }
        }
        // An overdrawn clock gives no time, not a negative budget that would stop the first
        // iteration before it has a move.
        st.TimePerMove = Clamp32(tpm > 0 ? tpm : 0);

        // 4. Node budget at the current speed estimate.
        PollCountdown = InitMoveTimer();
        NodesPerMove = static_cast<i64>(st.NPS / 2000) * st.TimePerMove;
        st.EmergencyTimeThreshold = Clamp32(2 * NodesPerMove);

        // The wall-clock limit: never past the time given by "movetime", never later than the
        // emergency time, and never so late that the interface's clock could run out.
        if (!st.AnalyzeMode) {
            if (st.ST) {
                const i64 margin = ClampRange(st.ST / 20, kMoveTimeMarginMin, kMoveTimeMarginMax);
                HardLimitMs = Clamp32(st.ST - margin > 1 ? st.ST - margin : 1);
            } else if (st.TimeLeft > 0) {
                const i64 safety = ClampRange(st.TimeLeft / 10, kClockSafetyMin, kClockSafetyMax);
                i64 hard = 2 * static_cast<i64>(st.TimePerMove);
                if (hard > st.TimeLeft - safety) hard = st.TimeLeft - safety;
                HardLimitMs = Clamp32(hard > 1 ? hard : 1);
            }
        }
    }
    // 5.
    WriteLogFile(" Initial Nodes Per Second = %d\n", st.NPS);
    WriteLogFile(" Initial NodesPeMove  = %d   Emergency Threshold = %d\n", NodesPerMove,
                 st.EmergencyTimeThreshold);
    WriteLogFile("Current TimerPerMove is %d\n", st.TimePerMove);
    NPSCalibrated = 0;
}

void SearchRoutines::MeasureSpeed(const char* logText, bool announce)
{
    Status& st = MainStatus;
    const i64 n = Nodes();
    const i32 elapsed = Elapsed();
    WriteLogFile(logText, elapsed / 1000.0);
    if (elapsed <= 0) return;
    WriteLogFile("Current TimerPerMove is %d\n", st.TimePerMove);
    WriteLogFile("Previous NPS was %d\n", st.NPS);
    WriteLogFile("Previous NodesPerMove was %d\n", NodesPerMove);
    WriteLogFile("Nodes for the first 7 ply %ld\n", n);
    const i64 nps = n * 1000 / elapsed;
    st.NPS = Clamp32(nps > 1000 ? nps : 1000);
    NodesPerMove = static_cast<i64>(st.NPS / 1000) * st.TimePerMove;
    if (announce) {
        std::printf("info nps %d time %g\n", st.NPS, static_cast<double>(elapsed));
        std::fflush(stdout);
    }
    WriteLogFile(" Dynamic Nodes Per Second = %d\n", st.NPS);
    st.EmergencyTimeThreshold = Clamp32(2 * NodesPerMove);
    WriteLogFile(" NodesPeMove after Dynamic Adjustment = %d   Emergency Threshold = %d\n",
                 NodesPerMove, st.EmergencyTimeThreshold);
}

namespace {

// Reads one word that has arrived and hands it to the protocol; true when it stops the search.
bool ReadCommandWord()
{
    char word[256];
    if (ReadWord(word, sizeof word) < 0) {
        // End of input: a timed or fixed-depth search finishes; a waiting search stops.
        Search.InputClosed = 1;
        if (MustWait()) {
            Search.AbortSearch();
            return true;
        }
        return false;
    }
    if (ProtocolWord(word) == 2) {
        std::printf(" Search Aborted due to receiveing following string: %s\n", word);
        Search.AbortSearch();
        return true;
    }
    if (!MainStatus.UCIMode) std::fflush(stdout);
    return false;
}

bool InputDetected()
{
    if (!MainStatus.xboard && !MainStatus.UCIMode) return false;
    if (Search.InputClosed) return false;
    // A stop waiting for the first move leaves the words after it for the protocol.
    if (Search.DeferredAbort == 1) return false;
    return InputReady();
}

}  // namespace

bool SearchRoutines::WatchClock()
{
    ClockCountdown = kClockInterval;
    if (SearchAborted || AbortNow) return true;
    if (InputDetected() && ReadCommandWord()) return SearchAborted || AbortNow;
    if (HardLimitMs && !MainStatus.Pondering && !MainStatus.FD && ClockElapsed() >= HardLimitMs) {
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
    Status& st = MainStatus;
    // Twice the time for a root move that is failing low; four times if the soft limit had
    // already been passed.
    const int factor = TimeUp ? 4 : 2;
    st.TimePerMove = Clamp32(factor * static_cast<i64>(st.TimePerMove));
    NodesPerMove *= factor;
    st.EmergencyTimeThreshold = Clamp32(factor * static_cast<i64>(st.EmergencyTimeThreshold));
    TimerExtended = 1;
    TimeUp = 0;
    WriteLogFile("Timer Extended - Failing Low\n");
}

bool SearchRoutines::Poll(int ply)
{
    Status& st = MainStatus;
    PollPly = ply;
    // 1-2. Input, or the analysis status line.
    if (InputDetected()) {
        if (ReadCommandWord()) return SearchAborted || AbortNow;
    } else if (RootDepth > 7 && st.AnalyzeMode == 1 && st.xboard == 1) {
        std::printf("stat01: %d %lld %d %d %d\n", Elapsed() / 10, static_cast<long long>(Nodes()),
                    RootDepth, RootMoveCount - RootMoveNumber, RootMoveCount);
        std::fflush(stdout);
    }
    // 3-4. Analysis and pondering have no budget.
    if (st.AnalyzeMode) {
        PollCountdown = st.NPS >> 3;
        return false;
    }
    if (st.Pondering) {
        PollCountdown = st.NPS >> 1;
        return false;
    }
    // 5. Node budget. A stop before the first iteration has produced a move waits for it,
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
            MeasureSpeed("Time Consumption for first half of search was %f \n", true);
            NPSCalibrated = 1;
            if ((Nodes() > NodesPerMove || SearchAborted == 1) && budgetExceeded()) return true;
        }
    } else {
        if ((n > NodesPerMove || SearchAborted == 1) && budgetExceeded()) return true;
        if ((n >= st.EmergencyTimeThreshold || SearchAborted == 1) && stopNow()) return true;
    }
    // 6.
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
        const int r = ProtocolWord(word);
        if (r == 2 || !MustWait()) {
            std::printf(" Search Aborted due to receiveing following string: %s\n", word);
            break;
        }
        if (!MainStatus.UCIMode) std::fflush(stdout);
    }
    SearchAborted = 1;
    AbortNow = 1;
    TimeUp = 1;
}

void SearchRoutines::StartSearch(ChessBoard& board, bool pushRoot)
{
    Status& st = MainStatus;
    st.MoveTime = 0;
    InteriorNodes = LeafNodes = QuiesceNodes = 0;
    BookMove = 0;
    InitValues();
    DeferredAbort = 0;
    InputClosed = 0;
    InSearch = 1;
    ClockCountdown = kClockInterval;
    board.InitPieceCounts();
    std::memset(PVTable, 0, sizeof PVTable);
    for (auto& k : Killers) k[0] = k[1];
    st.SearchStartTime = ClockMs();
    board.PawnHashCode = PawnKeyOf(board);
    board.InitPieceKeys();
    if (pushRoot) {
        u64 upper, lower;
        genhashcode(board.SideToMove, board.CastleFlags, &upper, &lower, &board);
        MoveList.InsertMoveHistory(upper, lower);
    }
}

int SearchRoutines::ProgressiveDeepening(ChessBoard board, char depth, u64* from, u64* to, char* promo)
{
    Status& st = MainStatus;
    PositionCache.Prepare();
    // 1-2. Reset, keys, and in xboard mode the root on the position stack.
    const int maxDepth = depth > 0 ? depth : 100;
    StartSearch(board, st.xboard != 0);
    PreviousValue = 0;
    RootLegalMoves = 0;
    CompletedIteration = 0;
    HardLimitStart = st.SearchStartTime;

    // 3. Budget.
    SetBudget();
    if (st.FD && st.FD < 1) {
        InSearch = 0;
        return 0;
    }

    // 4. Iterations.
    int v = 0, lastValue = 0, d = 1;
    for (;; d++) {
        // 4.1 Between iterations: the soft budget. NPSCalibrated is 2 once the budget has
        // been doubled for a root move that fails low.
        if (!st.AnalyzeMode && !st.Pondering) {
            if (Nodes() > NodesPerMove && st.FD == 0) {
                if (NPSCalibrated == 0) {
                    MeasureSpeed("Time Consumption for first 7 ply was %f \n", false);
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
            const i32 elapsed = Elapsed();
            if (elapsed > 0) st.NPS = Clamp32(Nodes() * 1000 / elapsed > 1000 ? Nodes() * 1000 / elapsed : 1000);
            std::printf("info nps %d\n", st.NPS);
            std::printf("info time %d\n", st.MoveTime * 1000);
            std::fflush(stdout);
        }
        // With the stop flags set the root returns at once and the last move stands.
        if (TimeUp && AbortNow && d > 1) break;

        // 4.2
        const int limit = d <= 6 ? 2 * d : 4 * d;
        board.SearchPlyLimit = limit < MAXSEARCHPLY ? limit : MAXSEARCHPLY;
        BestChanges = 255;
        FailingLow = 0;

        // 4.3
        v = SearchTreeRoot(MainBoard.SideToMove, board, -MATEVALUE, MATEVALUE, d, from, to, promo,
                           MainBoard.CastleFlags);
        PreviousValue = v;

        // 4.4 Book move.
        if (BookMove) {
            std::printf("tellics kibitz Opening Book Move\n");
            std::fflush(stdout);
            WriteLogFile("Opening Book Move\n");
            break;
        }

        // 4.5
        st.MoveTime = static_cast<i32>(Nodes() / (st.NPS > 0 ? st.NPS : 1));
        char line[1024];
        LineText(line, v, d + 1);
        if (st.MoveTime > 3) {
            WriteLogFile("Move Time: %d milliseconds", st.MoveTime);
            WriteLogFile(" %d  %d %d  %d %s", d, v, st.MoveTime, Nodes(), line);
        }

        // 4.6 An aborted iteration keeps the previous one's result.
        if (AbortNow && CompletedIteration) {
            WriteLogFile("New v from PreviousBestValue %d\n", lastValue);
            v = lastValue;
        } else {
            CompletedIteration = 1;
            lastValue = v;
            if (DeferredAbort == 1) {
            SearchAborted = AbortNow = TimeUp = 1;
        }
            if (DeferredAbort == 2) TimeUp = AbortNow = 1;
            DeferredAbort = 0;
        }

        // 4.7 Per-iteration output.
        if (st.Post == 1 && st.MoveTime > 3) {
            std::printf("%d %d %d %lld %s", d, v / 10, st.MoveTime, static_cast<long long>(Nodes()), line);
            std::fflush(stdout);
        }
        if (st.AnalyzeMode) {
            if (st.UCIMode)
                std::printf("info depth %d score cp %d time %d nodes %lld%s%s", d, v / 10,
                            st.MoveTime * 1000, static_cast<long long>(Nodes()),
                            line[0] == '\n' ? "" : " pv", line);
            else
                std::printf("%d %d %d %lld %s", d, v / 10, st.MoveTime, static_cast<long long>(Nodes()), line);
            std::fflush(stdout);
        }

        // 4.8 Stop tests.
        if (SearchAborted) {
            if (MustWait()) PonderWait();
            break;
        }
        if (AbortNow && TimeUp) break;  // the wall clock or the emergency limit
        if (!st.FD && !st.Pondering) {
            if (st.ST) {
                if (Elapsed() > st.ST) break;
            } else if (!st.AnalyzeMode) {
                if (d == 1 && SecondBestValue < v - 2949) EasyMove = 1;
                if (d == 1 && !(SecondBestValue < v - 2949)) EasyMove = 0;
                if (d > 10 && BestChanges == 0 && FailingLow == 0 && EasyMove) break;
                if (Nodes() >= NodesPerMove) {
                    st.PlyReached = d;
                    break;
                }
            }
        }
        const bool decisive = v > 109899 || (v >= -110000 && v <= -109900);
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

    // 5. Finish: play the move on the game position.
    InSearch = 0;
    if (v != STALEMATEVALUE && v != -MATEVALUE && *from && *to && *from != *to) {
        char mask = 15;
        MainBoard.MakeMove(*from, *to, *promo, &mask);
        MainBoard.CastleFlags = static_cast<char>(MainBoard.CastleFlags & mask);
    }
    char line[1024];
    LineText(line, v, d + 1);
    if (st.Post == 1 && !SearchAborted && !st.UCIMode) {
        std::printf("%d %d %d %lld %s", d, v / 10, st.MoveTime, static_cast<long long>(Nodes()), line);
        std::fflush(stdout);
    }
    if (st.UCIMode) {
        std::printf("info depth %d score cp %d time %d nodes %lld%s%s", d, v / 10, st.MoveTime * 1000,
                    static_cast<long long>(Nodes()), line[0] == '\n' ? "" : " pv", line);
        std::fflush(stdout);
    }
    if (st.Kibitz == 1 && !st.UCIMode) {
        if (BookMove) {
            std::printf("tellics kibitz Book Move\n");
        } else {
            if (st.MoveTime == 0) st.MoveTime = 1;
            std::printf("tellics kibitz ply=%d v=%d centipawns millisecs=%d Nodes=%lld nps=%d %s\n",
                        st.PlyReached, v / 10, st.MoveTime, static_cast<long long>(Nodes()), st.NPS, line);
        }
        std::fflush(stdout);
    }
    return v;
}

int SearchRoutines::SearchExactDepth(ChessBoard board, char depth, u64* from, u64* to, char* promo)
{
    Status& st = MainStatus;
    StartSearch(board, true);
    CompletedIteration = 1;
    HardLimitMs = 0;
    const int d = depth > 0 ? depth : 200;
    board.SearchPlyLimit = 2 * d < MAXSEARCHPLY ? 2 * d : MAXSEARCHPLY;
    st.PlyReached = st.FD;
    const int v = SearchTreeRoot(board.SideToMove, board, -MATEVALUE, MATEVALUE, d, from, to, promo,
                                 board.CastleFlags);
    InSearch = 0;
    if (st.MoveTime > 8000) {
        char line[1024];
        LineText(line, v, d + 1);
        WriteLogFile("Move Time: %d milliseconds", st.MoveTime);
        WriteLogFile(" %d  %d %d  %d %s", d, v, st.MoveTime, Nodes(), line);
    }
    return v;
}
