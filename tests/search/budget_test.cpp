// The time budget of a move, worked by hand: increments in milliseconds, the interface's move
// overhead, and the wall-clock limit that grows with a fail-low extension.

#include <gtest/gtest.h>

#include "core/status.h"
#include "search/search.h"

namespace {

class Budget : public ::testing::Test {
  protected:
    void SetUp() override
    {
        saved_ = MainStatus;
        Status &st = MainStatus;
        st.UCIMode = 1; // no bonus time for the first moves out of the book
        st.xboard = st.AnalyzeMode = st.Pondering = 0;
        st.FD = 0;
        st.ST = 0;
        st.MovesToGo = 0;
        st.GamePly = 41; // a ply with no bonus time
    }
    void TearDown() override { MainStatus = saved_; }

    // The budget of a move with the clock and increment in milliseconds.
    static void Set(i32 left, i32 inc, i32 overhead = 0)
    {
        MainStatus.TimeLeft = left;
        MainStatus.TimeInc = inc;
        MainStatus.MoveOverhead = overhead;
        Search.SetBudget();
    }

    Status saved_;
};

TEST_F(Budget, WholeSecondIncrementsKeepTheirBudgetAndFractionsCount)
{
    // 30 s and 2 s a move: 30000 / 30 = 1000, plus the increment, 3000; the emergency time,
    // 2000 + 2 * 1000 = 4000, is within a second of it, so the move gets half of that.
    Set(30000, 2000);
    EXPECT_EQ(MainStatus.TimePerMove, 2000);
    EXPECT_EQ(Search.HardLimitMs, 4000);
    // 10 s and 0.1 s a move is not sudden death.
    Set(10000, 0);
    const i32 suddenDeath = MainStatus.TimePerMove;
    Set(10000, 100);
    EXPECT_GT(MainStatus.TimePerMove, suddenDeath);
}

TEST_F(Budget, MoveOverheadIsKeptOffTheClock)
{
    // 60 s less 30 s in transit is a 30 s clock: 1000 ms, and the limit at twice that.
    Set(60000, 0, 30000);
    EXPECT_EQ(MainStatus.TimePerMove, 1000);
    EXPECT_EQ(Search.HardLimitMs, 2000);
    EXPECT_EQ(MainStatus.TimeLeft, 60000) << "the clock itself is left as the interface gave it";
}

TEST_F(Budget, TheWallClockLimitGrowsWithAFailLowExtension)
{
    Set(60000, 0);
    EXPECT_EQ(MainStatus.TimePerMove, 2000);
    EXPECT_EQ(Search.HardLimitMs, 4000);
    Search.TimeUp = 0;
    Search.ExtendBudget();
    EXPECT_EQ(MainStatus.TimePerMove, 4000);
    EXPECT_EQ(Search.HardLimitMs, 8000);
    // Never within the safety margin of the clock.
    Set(5000, 0);
    Search.ExtendBudget();
    Search.ExtendBudget();
    EXPECT_LE(Search.HardLimitMs, 5000 - 500);
}

} // namespace
