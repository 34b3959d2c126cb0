// Perft: the deep lines of perft.tsv (more than a million nodes), and the full walk against
// the fast count on every line up to six million nodes.

#include <gtest/gtest.h>

#include "movegen/perft.h"
#include "movegen/positions.h"

namespace {

class DeepPerftTable : public ::testing::TestWithParam<mg::PerftCase> {};

}  // namespace

TEST_P(DeepPerftTable, CountsMatchTheTable)
{
    const mg::PerftCase& c = GetParam();
    const mg::Position p = mg::FromFen(c.fen);
    PerfT t;
    t.Count(p.side, c.depth, p.board, p.castle);
    EXPECT_EQ(t.LeafNodes, c.leaves) << c.fen << " depth " << c.depth;
    EXPECT_EQ(t.TotalNodes, c.total) << c.fen << " depth " << c.depth;
}

INSTANTIATE_TEST_SUITE_P(DeepLines, DeepPerftTable,
                         ::testing::ValuesIn(mg::LoadPerftCases(1000001, ~0ULL)));

TEST(PerftSlow, FastCountEqualsTheFullWalkToSixMillionNodes)
{
    for (const auto& c : mg::LoadPerftCases(120001, 6000000)) {
        const mg::Position p = mg::FromFen(c.fen);
        PerfT fast, full;
        fast.Count(p.side, c.depth, p.board, p.castle);
        full.PerformanceTest(p.side, c.depth, p.board, p.castle);
        EXPECT_EQ(fast.LeafNodes, full.LeafNodes) << c.fen << " depth " << c.depth;
        EXPECT_EQ(fast.TotalNodes, full.TotalNodes) << c.fen << " depth " << c.depth;
    }
}
