// The deep lines of perft.tsv (more than a million nodes), counted by the fast count.

#include <gtest/gtest.h>

#include "common/reference.h"
#include "movegen/perft.h"

TEST(PerftSlow, DeepCountsMatchTheTable)
{
    for (const auto &c : ref::PerftCases(1000001, ~0ULL)) {
        const ref::Position p = ref::FromFen(c.fen);
        PerfT t;
        t.Count(p.side, c.depth, p.board, p.castle);
        EXPECT_EQ(t.LeafNodes, c.leaves) << c.fen << " depth " << c.depth;
        EXPECT_EQ(t.TotalNodes, c.total) << c.fen << " depth " << c.depth;
    }
}
