// The time budget of a move, worked by hand: the share of the clock, increments in
// milliseconds, the node budgets at the speed estimate, and the wall-clock limit, kept clear of
// the interface's move overhead, that grows with a fail-low extension but never reaches the
// clock.

#include <gtest/gtest.h>

#include "search/timeman.h"

namespace {

constexpr i32 SPEED = 1200000; // nodes per second: 600 a millisecond before it is measured

// A move on the clock at a ply with no bonus time (41 is no multiple of 9 or 10).
SearchLimits Clock(i32 left, i32 inc, i32 overhead = 0)
{
    SearchLimits l;
    l.Time = left;
    l.Increment = inc;
    l.MoveOverhead = overhead;
    l.GamePly = 41;
    return l;
}

TEST(Budget, ShareOfTheClockWithItsIncrementAndNodeBudgets)
{
    // 30 s and 2 s a move: 30000 / 30 = 1000, plus the increment, 3000; the emergency time,
    // 2000 + 2 * 1000 = 4000, is within a second of it, so the move gets half of that.
    TimeBudget b = PlanBudget(Clock(30000, 2000), SPEED, 0);
    EXPECT_EQ(b.TimePerMove, 2000);
    EXPECT_EQ(b.HardLimitMs, 4000);
    EXPECT_EQ(b.NodesPerMove, 600 * 2000);
    EXPECT_EQ(b.EmergencyNodes, 2 * 600 * 2000);
    EXPECT_TRUE(b.FromClock);
    // The speed measured: a thousandth of it per millisecond.
    Rescale(b, 3000000);
    EXPECT_EQ(b.NodesPerMove, 3000 * 2000);
    // 10 s and 0.1 s a move is not sudden death.
    EXPECT_GT(PlanBudget(Clock(10000, 100), SPEED, 0).TimePerMove,
              PlanBudget(Clock(10000, 0), SPEED, 0).TimePerMove);
    // The first seven plies out of the book get half as much again in the console and xboard.
    SearchLimits early = Clock(90000, 0);
    early.GamePly = 5;
    EXPECT_EQ(PlanBudget(early, SPEED, 0).TimePerMove, 3000);
    early.OpeningBonus = true;
    EXPECT_EQ(PlanBudget(early, SPEED, 0).TimePerMove, 4500);
}

TEST(Budget, FixedTimeInfiniteAndFixedDepth)
{
    SearchLimits l;
    l.MoveTime = 1000;
    // A twentieth of the time (10 to 100 ms) is left for the reply to travel.
    TimeBudget b = PlanBudget(l, SPEED, 0);
    EXPECT_EQ(b.TimePerMove, 1000);
    EXPECT_EQ(b.HardLimitMs, 950);
    EXPECT_FALSE(b.FromClock);
    l.MoveTime = 100;
    EXPECT_EQ(PlanBudget(l, SPEED, 0).HardLimitMs, 90);
    l.Infinite = true;
    EXPECT_EQ(PlanBudget(l, SPEED, 0).HardLimitMs, 0) << "analysis has no wall-clock limit";
    l.FixedDepth = true;
    l.Depth = 5;
    b = PlanBudget(l, SPEED, 0);
    EXPECT_EQ(b.TimePerMove, 0);
    EXPECT_EQ(b.NodesPerMove, 0);
}

TEST(Budget, TheWallClockLimitGrowsWithAFailLowExtension)
{
    // 60 s less 30 s in transit is a 30 s clock: 1000 ms, and the limit at twice that.
    TimeBudget b = PlanBudget(Clock(60000, 0, 30000), SPEED, 0);
    EXPECT_EQ(b.TimePerMove, 1000);
    EXPECT_EQ(b.HardLimitMs, 2000);
    const SearchLimits l = Clock(60000, 0);
    b = PlanBudget(l, SPEED, 0);
    EXPECT_EQ(b.TimePerMove, 2000);
    EXPECT_EQ(b.HardLimitMs, 4000);
    ExtendBudget(b, l, false);
    EXPECT_EQ(b.TimePerMove, 4000);
    EXPECT_EQ(b.HardLimitMs, 8000);
    ExtendBudget(b, l, true);
    EXPECT_EQ(b.TimePerMove, 16000);
    // Never within the safety margin of the clock.
    const SearchLimits shortClock = Clock(5000, 0);
    b = PlanBudget(shortClock, SPEED, 0);
    ExtendBudget(b, shortClock, false);
    ExtendBudget(b, shortClock, false);
    EXPECT_LE(b.HardLimitMs, 5000 - 500);
}

// With moves to go, a move never takes more than its share of the clock, and an overdrawn clock
// gives no time rather than a negative budget.
TEST(Budget, LeavesTimeForTheMovesToGo)
{
    for (bool bonus : {false, true}) {
        for (int togo = 1; togo <= 60; togo++) {
            for (i32 left : {1000, 30000, 300000, 5400000}) {
                SearchLimits l = Clock(left, 0);
                l.MovesToGo = togo;
                l.OpeningBonus = bonus;
                const TimeBudget b = PlanBudget(l, SPEED, 0);
                EXPECT_GT(b.TimePerMove, 0) << togo << " " << left;
                EXPECT_LE(static_cast<i64>(b.TimePerMove) * togo, left) << togo << " " << left;
                EXPECT_LT(b.HardLimitMs, left) << togo << " " << left;
            }
        }
    }
    for (i32 left : {-500, -1, 0})
        EXPECT_EQ(PlanBudget(Clock(left, 0), SPEED, 0).TimePerMove, 0) << left;
}

} // namespace
