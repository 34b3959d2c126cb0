#include "shell/bench.h"

#include <cstdio>

#include "board/movehistory.h"
#include "board/setup.h"
#include "core/platform.h"
#include "core/status.h"
#include "eval/poseval.h"
#include "search/hashtab.h"
#include "search/search.h"

const char *const BENCH_POSITIONS[6] = {
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 0",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - 0 0",
    "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - - 0 0",
    "r3r1k1/ppqb1ppp/8/4p1NQ/8/2P5/PP3PPP/R3R1K1 b - - 0 0",
    "2r2rk1/1bqnbpp1/1p1ppn1p/pP6/N1P1P3/P2B1N1P/1B2QPP1/R2R2K1 b - - 0 0",
    "r1bqk2r/pp2bppp/2p5/3pP3/P2Q1P2/2N1B3/1PP3PP/R4RK1 b kq - 0 0",
};

namespace {

// Depth of each benchmark search when neither a depth nor a time is given on the command line:
// a fixed depth makes the node counts a signature of the search.
constexpr i32 DEFAULT_BENCH_DEPTH = 12;

// The limits of each search: -fd, or -st, or else the default depth. The benchmark uses no book.
SearchLimits BenchLimits()
{
    const Status &st = MainStatus;
    SearchLimits l;
    l.FixedDepth = st.FD > 0 || (st.ST == 0 && st.TimeLeft == 0);
    l.Depth = st.FD > 0 ? st.FD : (l.FixedDepth ? DEFAULT_BENCH_DEPTH : 0);
    l.MoveTime = st.ST;
    l.Time = st.TimeLeft;
    l.GamePly = st.GamePly;
    l.Trace = st.Trace == 1;
    return l;
}

struct Totals {
    i64 interior = 0;
    i64 leaf = 0;
    i64 quiesce = 0;
};

// Searches one position cold and adds its node counts.
void RunPosition(int index, bool exactDepth, Totals *totals)
{
    MainHistory.Init();
    SetupBoard(BENCH_POSITIONS[index]);
    MainSearch.ClearHistory();
    ChessBoard copy = MainBoard;
    u64 from = 0, to = 0;
    char promo = 0;
    const SearchLimits limits = BenchLimits();
    if (exactDepth) {
        MainSearch.SearchExactDepth(copy, limits, &from, &to, &promo);
    } else {
        const int v = MainSearch.ProgressiveDeepening(copy, limits, &from, &to, &promo);
        // The move found is played, as in a game. The set-up of the next position keeps the
        // fifty-move count it leaves, and the benchmark's node counts, its signature, depend on it.
        if (v != STALEMATEVALUE && v != -MATEVALUE && from && to && from != to)
            PlayGameMove(MainBoard, from, to, promo, nullptr);
    }
    totals->interior += MainSearch.InteriorNodes;
    totals->leaf += MainSearch.LeafNodes;
    totals->quiesce += MainSearch.QuiesceNodes;
    PositionCache.ClearTranspositionTables();
}

void Report(const Totals &t, i32 elapsed)
{
    if (elapsed <= 0) elapsed = 1;
    const i64 total = t.interior + t.quiesce;
    std::printf("    Time Interior Nodes Quiesce Nodes Total Nodes        NPS\n");
    std::printf("%8d%12lld%14lld%14lld%12lld\n", elapsed, static_cast<long long>(t.interior),
                static_cast<long long>(t.quiesce), static_cast<long long>(total),
                static_cast<long long>(total / elapsed * 1000));
    std::printf("Leaf Interior Nodes searched = %lld\n", static_cast<long long>(t.leaf));
    TranspositionTables &tt = PositionCache;
    std::printf("Transposition Table Hits %d  Misses  %d", tt.hits, tt.misses);
    if (tt.hits == 0 && tt.misses == 0) tt.misses = 1;
    std::printf("  Ratio = %lld\n", static_cast<long long>(tt.hits) * 100 /
                                        (static_cast<long long>(tt.hits) + tt.misses));
    const double rate = PE.PawnAttempts ? PE.PawnMisses * 100.0 / PE.PawnAttempts : 0.0;
    std::printf("Pawn misses %d Pawn attempts %d Pawn miss rate = %g\n", PE.PawnMisses,
                PE.PawnAttempts, rate);
    std::fflush(stdout);
}

} // namespace

void Bench(bool summary)
{
    PositionCache.Prepare();
    MainSearch.InteriorNodes = MainSearch.QuiesceNodes = 0;
    std::printf("Running benchmark ");
    std::fflush(stdout);
    const i32 start = ClockMs();
    Totals totals;
    for (int i = 0; i < 6; i++) {
        std::printf(i < 5 ? "%d " : "%d\n", i + 1);
        std::fflush(stdout);
        RunPosition(i, false, &totals);
    }
    const i32 elapsed = ClockMs() - start;
    Report(totals, elapsed);
    if (summary) {
        const i64 nodes = totals.interior + totals.quiesce;
        std::printf("%lld nodes %lld nps\n", static_cast<long long>(nodes),
                    static_cast<long long>(nodes * 1000 / (elapsed > 0 ? elapsed : 1)));
        std::fflush(stdout);
    }
}

void Bench2()
{
    PositionCache.Prepare();
    for (int pass = 0; pass < 2; pass++) {
        MainSearch.InteriorNodes = MainSearch.QuiesceNodes = 0;
        std::printf("Running benchmark \n");
        std::printf(pass == 0 ? "Progressive Deepening\n" : "Search Exact Depth\n");
        std::fflush(stdout);
        const i32 start = ClockMs();
        Totals totals;
        RunPosition(4, pass == 1, &totals);
        Report(totals, ClockMs() - start);
    }
}
