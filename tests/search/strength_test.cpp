// Playing levels: the nodes a level gets, the level the options ask for, and the choice among
// the best lines with a fixed seed.

#include <gtest/gtest.h>

#include "search/strength.h"

namespace {

TEST(Strength, LevelsFromTheOptions)
{
    EXPECT_EQ(LevelOf(false, 1500, 20), FULL_STRENGTH);
    EXPECT_EQ(LevelOf(true, 1500, 20), 1500);
    EXPECT_EQ(LevelOf(false, 1500, 0), MIN_STRENGTH);
    EXPECT_EQ(LevelOf(false, 1500, 10), (MIN_STRENGTH + FULL_STRENGTH) / 2);
    EXPECT_EQ(LevelOf(true, 1400, 10), 1400);
    // A search at a level is small and grows with it, by the same factor every point between
    // the measured levels: 3000 nodes at 1500 and 7000 at 1700 put 4583 at 1600.
    EXPECT_EQ(StrengthNodes(MIN_STRENGTH), 1500);
    EXPECT_EQ(StrengthNodes(1500), 3000);
    EXPECT_EQ(StrengthNodes(1600), 4583);
    for (i32 elo = MIN_STRENGTH; elo < FULL_STRENGTH; elo++)
        EXPECT_LT(StrengthNodes(elo), StrengthNodes(elo + 1)) << elo;
    SearchLimits l;
    LimitStrength(l, FULL_STRENGTH);
    EXPECT_EQ(l.Strength, 0);
    EXPECT_EQ(l.Nodes, 0);
    LimitStrength(l, 1500);
    EXPECT_EQ(l.Strength, 1500);
    EXPECT_EQ(l.SoftNodes, StrengthNodes(1500));
    EXPECT_GT(l.Nodes, l.SoftNodes);
    EXPECT_GE(l.MultiPV, STRENGTH_LINES);
    // An analysis keeps its nodes; only the move is chosen.
    SearchLimits analysis;
    analysis.Infinite = true;
    LimitStrength(analysis, 1500);
    EXPECT_EQ(analysis.Nodes, 0);
    EXPECT_EQ(analysis.SoftNodes, 0);
}

// Scores in tenths of a centipawn, best first.
TEST(Strength, ChoicesStayNearTheBestLineAndGrowWithTheLevelFalling)
{
    const i32 close[4] = {300, 250, 100, -2700};
    auto share = [&](i32 elo) {
        u64 seed = 12345;
        int counts[4] = {};
        for (int i = 0; i < 4000; i++)
            counts[ChooseLine(close, 4, elo, &seed)]++;
        EXPECT_EQ(counts[3], 0) << "a line three pawns behind is never played at " << elo;
        return 4000 - counts[0];
    };
    EXPECT_EQ(share(FULL_STRENGTH), 0);
    const int weakest = share(MIN_STRENGTH), middle = share(1700), strong = share(1850);
    EXPECT_GT(weakest, middle);
    EXPECT_GT(middle, strong);
    EXPECT_GT(weakest, 1000);
    // A winning mate in the first line is always played.
    const i32 mate[3] = {109999, 500, 400};
    u64 seed = 7;
    for (int i = 0; i < 100; i++)
        EXPECT_EQ(ChooseLine(mate, 3, MIN_STRENGTH, &seed), 0);
}

} // namespace
