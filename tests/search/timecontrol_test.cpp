// Time control: the time and node budgets of a move, the poll's budget rules, the wall-clock
// limit, the deferred stop, and short searches on a tiny clock.

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "board/setup.h"
#include "common/capture.h"
#include "common/legal.h"
#include "search/compmov.h"
#include "search/hashtab.h"
#include "board/movhist.h"
#include "shell/bench.h"
#include "core/platform.h"
#include "core/status.h"
#include "common/quiet_status.h"

using mg::IsLegal;
using mg::Position;

namespace {

// Clock settings of a UCI game at move 16 with no increment; everything comes back afterwards.
class TimeControl : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedStatus_ = MainStatus;
        savedBoard_ = MainBoard;
        QuietSearchStatus(true, 31);
        Search.BookPly = 0;
        Search.InSearch = 0;
        Search.CompletedIteration = 0;
        Search.DeferredAbort = 0;
        Search.InitValues();
        MoveList.Init();
    }
    void TearDown() override
    {
        MainStatus = savedStatus_;
        MainBoard = savedBoard_;
        Search.InSearch = 0;
        Search.CompletedIteration = 0;
        Search.DeferredAbort = 0;
        Search.InputClosed = 0;
        Search.FailingLow = 0;
        Search.InitValues();
        Search.InteriorNodes = Search.QuiesceNodes = Search.LeafNodes = 0;
        MoveList.Init();
    }

    // Budget of a move from the current settings; console lines are collected.
    std::string Budget()
    {
        CapturedStdout out;
        Search.SetBudget();
        return out.Text();
    }

    // Poll state of a search past its first iteration: budget set, speed measured, nodes searched.
    static void InProgress(i64 nodes, i64 nodesPerMove, i32 emergency, i32 timePerMove)
    {
        Search.InteriorNodes = nodes;
        Search.QuiesceNodes = 0;
        Search.NodesPerMove = nodesPerMove;
        MainStatus.EmergencyTimeThreshold = emergency;
        MainStatus.TimePerMove = timePerMove;
        Search.NPSCalibrated = 1;
        Search.FailingLow = 0;
        Search.CompletedIteration = 1;
        Search.DeferredAbort = 0;
        MainStatus.UCIMode = 0;
        Search.TimerExtended = 0;
        Search.InitValues();
    }

private:
    Status savedStatus_;
    ChessBoard savedBoard_;
};

// --- the budget of a move ---

TEST_F(TimeControl, ThirtiethOfTheClockInUciMode)
{
    MainStatus.TimeLeft = 60000;
    EXPECT_EQ(Budget(), "");
    EXPECT_EQ(MainStatus.TimePerMove, 2000);
    EXPECT_EQ(Search.NodesPerMove, 1200000);
    EXPECT_EQ(MainStatus.EmergencyTimeThreshold, 2400000);
    EXPECT_EQ(Search.PollCountdown, 600000);
    // The wall clock allows twice the time per move.
    EXPECT_EQ(Search.HardLimitMs, 4000);
}

// Hand-worked budgets: the clock settings of a move and the time it is given.
struct BudgetCase {
    const char* why;
    int uci, gamePly, bookPly, movesToGo;
    i32 timeLeft, timeInc, timePerMove;
};

const BudgetCase kBudgets[] = {
    {"ply divisible by ten, full clock: seven quarters of 90000/30", 1, 20, 0, 0, 90000, 0, 5250},
    {"ply divisible by nine, full clock", 1, 27, 0, 0, 90000, 0, 5250},
    {"no bonus with 60000 or less left", 1, 20, 0, 0, 60000, 0, 2000},
    {"emergency 2000 + 2 * 166 fits in 5000; no bonus below 10000", 1, 31, 0, 0, 5000, 2, 166},
    {"833 + 1000 bonus, capped by half the emergency time 2666", 1, 31, 0, 0, 25000, 1, 1333},
    {"emergency 20000 + 800 past the clock: 300 * 20, bonus 500 * 20", 1, 31, 0, 0, 12000, 20, 3000},
    {"late game without increment takes a fortieth", 1, 121, 0, 0, 40000, 0, 1000},
    {"late game with increment: a thirtieth and the bonus", 1, 121, 0, 0, 40000, 1, 2333},
    {"two moves to go", 1, 31, 0, 2, 10000, 0, 2375},
    {"five moves to go", 1, 31, 0, 5, 10000, 0, 1900},
    {"four moves to go", 1, 31, 0, 4, 10000, 0, 2375},
    {"console opening moves get more", 0, 5, 0, 0, 60000, 0, 3000},
    {"console: up to eight plies after the last book move", 0, 17, 10, 0, 60000, 0, 3000},
    {"console: the extra time ends after eight plies", 0, 19, 10, 0, 60000, 0, 2000},
};

TEST_F(TimeControl, HandWorkedBudgets)
{
    for (const BudgetCase& c : kBudgets) {
        MainStatus.UCIMode = static_cast<u8>(c.uci);
        MainStatus.GamePly = c.gamePly;
        Search.BookPly = c.bookPly;
        MainStatus.MovesPerSession = c.movesToGo;
        MainStatus.TimeLeft = c.timeLeft;
        MainStatus.TimeInc = c.timeInc;
        Budget();
        EXPECT_EQ(MainStatus.TimePerMove, c.timePerMove) << c.why;
        EXPECT_EQ(Search.NodesPerMove, 600LL * c.timePerMove) << c.why;
    }
}

TEST_F(TimeControl, SmallClockEmergencyIsTwiceTheNodeBudget)
{
    MainStatus.TimeLeft = 5000;
    MainStatus.TimeInc = 2;
    Budget();
    EXPECT_EQ(MainStatus.EmergencyTimeThreshold, 2 * 600 * 166);
}

TEST_F(TimeControl, ConsoleModeSaysItsBudget)
{
    MainStatus.UCIMode = 0;
    MainStatus.GamePly = 5;
    MainStatus.TimeLeft = 60000;
    EXPECT_EQ(Budget(), "Time Per Move = 3000\nTime Left = 60000\nDefaultMovesPerSession = 50\n");
}

TEST_F(TimeControl, FixedTimePerMove)
{
    MainStatus.ST = 1000;
    MainStatus.TimeLeft = 60000;
    Budget();
    EXPECT_EQ(MainStatus.TimePerMove, 1000);
    EXPECT_EQ(Search.NodesPerMove, 600000);
    // The move must leave before the time given: a margin of a twentieth.
    EXPECT_EQ(Search.HardLimitMs, 950);
}

TEST_F(TimeControl, FixedDepthHasNoBudget)
{
    MainStatus.FD = 7;
    MainStatus.TimeLeft = 60000;
    MainStatus.TimePerMove = 1234;
    Budget();
    EXPECT_EQ(MainStatus.PlyReached, 7);
    EXPECT_EQ(MainStatus.TimePerMove, 1234);
    EXPECT_EQ(Search.HardLimitMs, 0);
}

TEST_F(TimeControl, WallClockLimitLeavesASafetyMargin)
{
    // Never so late that the interface's clock could run out.
    MainStatus.TimeLeft = 100;
    Budget();
    EXPECT_GT(Search.HardLimitMs, 0);
    EXPECT_LE(Search.HardLimitMs, 80);
    EXPECT_LE(Search.HardLimitMs, 2 * MainStatus.TimePerMove);
    // One move to go would allot almost half the clock; the limit keeps its margin.
    MainStatus.TimeLeft = 3000;
    MainStatus.MovesPerSession = 1;
    Budget();
    EXPECT_LE(Search.HardLimitMs, 3000 - 300);
    EXPECT_GT(Search.HardLimitMs, 0);
    // Analysis has no limit.
    MainStatus.AnalyzeMode = 1;
    Budget();
    EXPECT_EQ(Search.HardLimitMs, 0);
    EXPECT_EQ(Search.PollCountdown, 1200000 >> 3);
}

// --- the poll's budget rules ---

TEST_F(TimeControl, SoftLimitFinishesTheIterationEmergencyLimitUnwinds)
{
    InProgress(1500, 1000, 2000, 100);
    EXPECT_FALSE(Search.Poll(5));
    EXPECT_EQ(Search.TimeUp, 1);
    EXPECT_EQ(Search.AbortNow, 0);
    EXPECT_EQ(Search.PollCountdown, 600000);
    Search.InteriorNodes = 2000;
    EXPECT_TRUE(Search.Poll(5));
    EXPECT_EQ(Search.AbortNow, 1);
    EXPECT_EQ(Search.PollPly, 5);
}

TEST_F(TimeControl, BudgetStopWaitsForTheFirstIteration)
{
    InProgress(2500, 1000, 2000, 100);
    Search.CompletedIteration = 0;
    EXPECT_FALSE(Search.Poll(4));
    EXPECT_EQ(Search.AbortNow, 0);
    EXPECT_EQ(Search.DeferredAbort, 2);
    MainStatus.ST = 100;
    Search.DeferredAbort = 0;
    EXPECT_FALSE(Search.Poll(4));
    EXPECT_EQ(Search.AbortNow, 0);
    EXPECT_EQ(Search.TimeUp, 1);
    EXPECT_EQ(Search.DeferredAbort, 2);
}

TEST_F(TimeControl, FailingLowDoublesTheBudgetOnce)
{
    InProgress(1500, 1000, 2000, 100);
    Search.FailingLow = 1;
    EXPECT_FALSE(Search.Poll(3));
    EXPECT_EQ(MainStatus.TimePerMove, 200);
    EXPECT_EQ(Search.NodesPerMove, 2000);
    EXPECT_EQ(MainStatus.EmergencyTimeThreshold, 4000);
    EXPECT_EQ(Search.TimerExtended, 1);
    EXPECT_EQ(Search.TimeUp, 0);
    // Spent again: no second extension.
    Search.InteriorNodes = 2500;
    EXPECT_FALSE(Search.Poll(3));
    EXPECT_EQ(Search.NodesPerMove, 2000);
    EXPECT_EQ(Search.TimeUp, 1);
}

TEST_F(TimeControl, FailingLowAfterTheSoftLimitDoublesTwice)
{
    InProgress(1500, 1000, 2000, 100);
    Search.FailingLow = 1;
    Search.TimeUp = 1;
    EXPECT_FALSE(Search.Poll(3));
    EXPECT_EQ(MainStatus.TimePerMove, 400);
    EXPECT_EQ(Search.NodesPerMove, 4000);
    EXPECT_EQ(MainStatus.EmergencyTimeThreshold, 8000);
    EXPECT_EQ(Search.TimeUp, 0);
}

TEST_F(TimeControl, FixedTimeEndsAtTheBudgetWithoutExtension)
{
    InProgress(1500, 1000, 2000, 100);
    MainStatus.ST = 100;
    Search.FailingLow = 1;
    EXPECT_TRUE(Search.Poll(3));
    EXPECT_EQ(Search.AbortNow, 1);
    EXPECT_EQ(Search.TimeUp, 1);
    EXPECT_EQ(Search.TimerExtended, 0);
}

TEST_F(TimeControl, FirstSpentBudgetMeasuresTheSpeedInMilliseconds)
{
    InProgress(600000, 1000, 2000, 100);
    Search.NPSCalibrated = 0;
    MainStatus.SearchStartTime = ClockMs() - 400;
    CapturedStdout out;
    Search.Poll(2);
    const std::string text = out.Text();
    EXPECT_EQ(Search.NPSCalibrated, 1);
    // 600000 nodes in 400 ms (a little more by the time the poll reads the clock).
    EXPECT_LE(MainStatus.NPS, 1500000);
    EXPECT_GT(MainStatus.NPS, 600000);
    EXPECT_EQ(Search.NodesPerMove, static_cast<i64>(MainStatus.NPS / 1000) * 100);
    EXPECT_EQ(MainStatus.EmergencyTimeThreshold, 2 * Search.NodesPerMove);
    EXPECT_EQ(text.rfind("info nps " + std::to_string(MainStatus.NPS) + " time ", 0), 0u) << text;
}

TEST_F(TimeControl, SpeedIsNotMeasuredOverNoTime)
{
    InProgress(600000, 1000, 2000, 100);
    Search.NPSCalibrated = 0;
    MainStatus.SearchStartTime = ClockMs() + 100000;
    CapturedStdout out;
    Search.Poll(2);
    EXPECT_EQ(MainStatus.NPS, 1200000);
    EXPECT_EQ(Search.NPSCalibrated, 1);
}

TEST_F(TimeControl, AnalysisAndPonderingHaveNoBudget)
{
    InProgress(1000000, 1000, 2000, 100);
    MainStatus.AnalyzeMode = 1;
    EXPECT_FALSE(Search.Poll(1));
    EXPECT_EQ(Search.PollCountdown, 1200000 >> 3);
    EXPECT_EQ(Search.TimeUp, 0);
    MainStatus.AnalyzeMode = 0;
    MainStatus.Pondering = 1;
    EXPECT_FALSE(Search.Poll(1));
    EXPECT_EQ(Search.PollCountdown, 1200000 >> 1);
    EXPECT_EQ(Search.TimeUp, 0);
    EXPECT_EQ(Search.AbortNow, 0);
}

// --- the wall clock and the deferred stop ---

TEST_F(TimeControl, WallClockLimitStopsOnceAMoveIsKnown)
{
    MainStatus.UCIMode = 0;
    Search.HardLimitMs = 50;
    Search.HardLimitStart = ClockMs() - 100;
    Search.CompletedIteration = 0;
    EXPECT_FALSE(Search.WatchClock());
    EXPECT_EQ(Search.AbortNow, 0);
    EXPECT_NE(Search.DeferredAbort, 0);
    Search.CompletedIteration = 1;
    EXPECT_TRUE(Search.WatchClock());
    EXPECT_EQ(Search.AbortNow, 1);
    EXPECT_EQ(Search.TimeUp, 1);
}

TEST_F(TimeControl, WallClockLimitWaitsWhilePonderingAndUnderFixedDepth)
{
    MainStatus.UCIMode = 0;
    Search.HardLimitMs = 50;
    Search.HardLimitStart = ClockMs() - 100;
    Search.CompletedIteration = 1;
    MainStatus.Pondering = 1;
    EXPECT_FALSE(Search.WatchClock());
    MainStatus.Pondering = 0;
    MainStatus.FD = 5;
    EXPECT_FALSE(Search.WatchClock());
    MainStatus.FD = 0;
    Search.HardLimitStart = ClockMs();
    EXPECT_FALSE(Search.WatchClock());
    EXPECT_EQ(Search.AbortNow, 0);
}

TEST_F(TimeControl, StopBeforeTheFirstMoveIsDeferred)
{
    Search.InSearch = 1;
    Search.CompletedIteration = 0;
    Search.AbortSearch();
    EXPECT_EQ(Search.SearchAborted, 0);
    EXPECT_EQ(Search.AbortNow, 0);
    EXPECT_EQ(Search.DeferredAbort, 1);
    Search.CompletedIteration = 1;
    Search.AbortSearch();
    EXPECT_EQ(Search.SearchAborted, 1);
    EXPECT_EQ(Search.AbortNow, 1);
    EXPECT_EQ(Search.TimeUp, 1);
}

// --- whole decisions ---

// The game position of a FEN, as the protocol layer leaves it before a decision.
Position Load(const char* fen)
{
    SetupBoard(fen);
    MainBoard.InitPieceCounts();
    return {MainBoard, MainBoard.SideToMove, MainBoard.CastleFlags};
}

struct Timed {
    int score;
    u64 from, to;
    char promotion;
    double ms;
};

// One decision by the driver, timed by the wall clock.
Timed Decide()
{
    Timed t{0, 0, 0, NOPROMOTION, 0};
    CapturedStdout out;
    const auto start = std::chrono::steady_clock::now();
    t.score = Search.ProgressiveDeepening(MainBoard, MainStatus.FD, &t.from, &t.to, &t.promotion);
    t.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return t;
}

TEST_F(TimeControl, FixedDepthIgnoresEvenAnExhaustedBudget)
{
    MainStatus.UCIMode = 0;
    MainStatus.NPS = 2;
    MainStatus.TimeLeft = 100;
    MainStatus.FD = 4;
    const Position p = Load(kBenchPositions[4]);
    const Timed t = Decide();
    EXPECT_EQ(Search.RootDepth, 4);
    EXPECT_TRUE(IsLegal(p, t.from, t.to, t.promotion));
}

// A budget spent inside the first iteration still leaves a move to play.
TEST_F(TimeControl, BudgetSpentBeforeTheFirstMoveStillPlaysOne)
{
    for (const char* fen : kBenchPositions) {
        MainStatus.UCIMode = 0;
        MainStatus.NPS = 2;
        MainStatus.ST = 1;
        const Position p = Load(fen);
        const Timed t = Decide();
        EXPECT_TRUE(IsLegal(p, t.from, t.to, t.promotion)) << fen;
    }
}

// An interface may report a clock already overdrawn; the engine still answers with a move.
TEST_F(TimeControl, OverdrawnClockStillPlaysAMove)
{
    for (int left : {-500, -1, 0}) {
        MainStatus.TimeLeft = left;
        MainStatus.MovesPerSession = left == -500 ? 0 : 2;
        const Position p = Load(kBenchPositions[1]);
        const Timed t = Decide();
        EXPECT_TRUE(IsLegal(p, t.from, t.to, t.promotion)) << left;
    }
    MainStatus.MovesPerSession = 2;
    MainStatus.TimeLeft = -500;
    const Position p = Load(kBenchPositions[1]);
    const Timed t = Decide();
    EXPECT_TRUE(IsLegal(p, t.from, t.to, t.promotion));
}

// Twenty decisions on a clock of 100 ms with no increment, from varied positions: each returns
// a legal move, and returns in time by the wall clock. A machine busy with other work can delay
// a single search, so one that overruns is repeated twice before the test fails.
TEST_F(TimeControl, TinyClockAnswersInTimeWithALegalMove)
{
    std::vector<std::string> fens(kBenchPositions, kBenchPositions + 6);
    fens.push_back("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    fens.push_back("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    fens.push_back("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1");
    fens.push_back("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1");
    fens.push_back("rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8");
    fens.push_back("r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10");
    fens.push_back("8/8/4k3/8/2p5/8/B2K4/8 w - - 0 1");
    fens.push_back("4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1");
    fens.push_back("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    fens.push_back("2kr3r/pp1q1ppp/5n2/1Nb5/2Pp1B2/7Q/P4PPP/1R3RK1 w - - 0 1");
    fens.push_back("1k6/1b6/8/8/7R/8/8/4K2R b K - 0 1");
    fens.push_back("3k4/3p4/8/K1P4r/8/8/8/8 b - - 0 1");
    fens.push_back("8/P1k5/K7/8/8/8/8/8 w - - 0 1");
    fens.push_back("n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1");
    ASSERT_EQ(fens.size(), 20u);

    const int limitMs = 100 + 50;
    for (int mode = 0; mode < 2; mode++) {
        for (const std::string& fen : fens) {
            Timed t{};
            Position p{};
            for (int attempt = 0; attempt < 3; attempt++) {
                MainStatus.UCIMode = static_cast<u8>(mode);
                MainStatus.TimeLeft = 100;
                MainStatus.TimeInc = 0;
                MainStatus.TimePerMove = 0;
                MainStatus.ST = 0;
                MainStatus.FD = 0;
                MainStatus.NPS = 1200000;
                p = Load(fen.c_str());
                t = Decide();
                if (t.ms < limitMs) break;
            }
            EXPECT_LT(t.ms, limitMs) << fen;
            EXPECT_TRUE(IsLegal(p, t.from, t.to, t.promotion)) << fen;
        }
    }
}

}  // namespace
