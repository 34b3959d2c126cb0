// Perft: the counts of perft.tsv, the fast count against the full walk, the report and the
// trace printed by the real binary.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "common/process.h"
#include "movegen/perft.h"
#include "movegen/positions.h"

using mg::FromFen;
using mg::Position;

namespace {

// Counts through the walk every move takes (generate, make, test the king), never shortened.
PerfT FullWalk(const Position& p, int depth)
{
    PerfT t;
    t.PerformanceTest(p.side, depth, p.board, p.castle);
    return t;
}

PerfT Counted(const Position& p, int depth)
{
    PerfT t;
    t.Count(p.side, depth, p.board, p.castle);
    return t;
}

// The moves the literal walk finds legal at depth 1.
int LegalCount(const Position& p) { return static_cast<int>(mg::LegalMoves(p).size()); }

class PerftTable : public ::testing::TestWithParam<mg::PerftCase> {};

}  // namespace

// The quick lines of perft.tsv (at most a million nodes); the rest run in the slow suite.
TEST_P(PerftTable, CountsMatchTheTable)
{
    const mg::PerftCase& c = GetParam();
    const PerfT t = Counted(FromFen(c.fen), c.depth);
    EXPECT_EQ(t.LeafNodes, c.leaves) << c.fen << " depth " << c.depth;
    EXPECT_EQ(t.TotalNodes, c.total) << c.fen << " depth " << c.depth;
}

INSTANTIATE_TEST_SUITE_P(QuickLines, PerftTable,
                         ::testing::ValuesIn(mg::LoadPerftCases(0, 1000000)));

TEST(Perft, TableHasEveryLineOnce)
{
    // Guards against a truncated or misread data file: quick and slow lines together.
    EXPECT_EQ(mg::LoadPerftCases(0, ~0ULL).size(), 37u);
    EXPECT_GE(mg::LoadPerftCases(0, 1000000).size(), 20u);
}

TEST(Perft, DepthZeroCountsOneLeafAndNoMove)
{
    const Position p = FromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    const PerfT t = Counted(p, 0);
    EXPECT_EQ(t.TotalNodes, 0u);
    EXPECT_EQ(t.LeafNodes, 1u);
}

TEST(Perft, FastCountEqualsTheFullWalkOnTheTablePositions)
{
    for (const auto& c : mg::LoadPerftCases(0, ~0ULL)) {
        if (c.depth > 3 || c.total > 120000) continue;
        const Position p = FromFen(c.fen);
        const PerfT fast = Counted(p, c.depth), full = FullWalk(p, c.depth);
        EXPECT_EQ(fast.LeafNodes, full.LeafNodes) << c.fen << " depth " << c.depth;
        EXPECT_EQ(fast.TotalNodes, full.TotalNodes) << c.fen << " depth " << c.depth;
    }
}

TEST(Perft, LegalMoveCountEqualsTheGeneratedLegalMovesInRandomGames)
{
    // Thousands of positions with pins, checks, castling, en passant and promotions.
    int positions = 0, inCheck = 0, withEnPassant = 0;
    for (const Position& p : mg::RandomGamePositions(12, 160)) {
        ASSERT_TRUE(PerftFastPathApplies(p.side, p.board, p.castle));
        const int expected = LegalCount(p);
        ASSERT_EQ(CountLegalMoves(p.side, p.board, p.castle), expected);
        positions++;
        inCheck += mg::KingAttacked(p.board, p.side);
        for (const auto& m : mg::LegalMoves(p)) {
            const int step = __builtin_ctzll(m.to) - __builtin_ctzll(m.from);
            withEnPassant += (m.from & (p.board.WhitePawns | p.board.BlackPawns)) &&
                             !(m.to & p.board.AllPieces) && step % 8 != 0;
        }
    }
    EXPECT_GT(positions, 5000);
    EXPECT_GT(inCheck, 300);
    EXPECT_GT(withEnPassant, 5);
}

TEST(Perft, EnPassantThatWouldExposeTheKingIsNotCounted)
{
    // After c7-c5 the pawn on b5 may not take: both pawns leave the fifth rank and the rook
    // on h5 would see the king on a5. The count must agree with the full walk.
    Position p = FromFen("8/2p5/8/KP5r/8/8/8/4k3 b - - 0 1");
    char mask;
    p.board.MakeMove(SquareMask(50), SquareMask(34), NOPROMOTION, &mask);
    p.side = 0;
    EXPECT_EQ(CountLegalMoves(0, p.board, p.castle), LegalCount(p));
    for (const auto& m : mg::LegalMoves(p))
        EXPECT_NE(mg::MoveText(m.from, m.to, m.promotion), "b5c6");
}

TEST(Perft, FollowsTheEvasionListWhereEnPassantWouldBlockACheck)
{
    // The en passant capture d5xe6 would block the bishop's check but is not an evasion the
    // generator offers; the count leaves it out just as the full walk does.
    const Position p = FromFen("2b1k3/8/8/3Pp3/8/7K/8/8 w - e6 0 1");
    ASSERT_TRUE(PerftFastPathApplies(p.side, p.board, p.castle));
    EXPECT_EQ(CountLegalMoves(p.side, p.board, p.castle), LegalCount(p));
    const PerfT fast = Counted(p, 3), full = FullWalk(p, 3);
    EXPECT_EQ(fast.LeafNodes, full.LeafNodes);
    EXPECT_EQ(fast.TotalNodes, full.TotalNodes);
}

TEST(Perft, MalformedPositionsTakeTheFullWalk)
{
    // A castling right without its king; a pawn on the last rank; an en passant square with a
    // piece on it; the side that just moved left in check; two white kings (put on by hand, a
    // FEN holds one). The fast count's assumptions fail and the full walk runs instead.
    std::vector<std::pair<std::string, Position>> cases;
    for (const char* fen : {"4k3/8/8/8/8/8/8/3K3R w K - 0 1", "P3k3/8/8/8/8/8/8/4K3 w - - 0 1",
                            "4k3/8/3n4/3pP3/8/8/8/4K3 w - d6 0 1",
                            "4k3/4R3/8/8/8/8/8/4K3 w - - 0 1"})
        cases.emplace_back(fen, FromFen(fen));
    Position twoKings = FromFen("4k3/8/8/8/8/8/8/K7 w - - 0 1");
    twoKings.board.WhiteKing |= SquareMask(7);
    twoKings.board.WhitePieces |= SquareMask(7);
    twoKings.board.AllPieces |= SquareMask(7);
    cases.emplace_back("two white kings", twoKings);

    for (const auto& [name, p] : cases) {
        EXPECT_FALSE(PerftFastPathApplies(p.side, p.board, p.castle)) << name;
        ::testing::internal::CaptureStdout();  // the king-count errors
        const PerfT fast = Counted(p, 2), full = FullWalk(p, 2);
        ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(fast.LeafNodes, full.LeafNodes) << name;
        EXPECT_EQ(fast.TotalNodes, full.TotalNodes) << name;
    }
}

namespace {

// The opening tag of one traced move: the move text ends its line, the count follows.
std::string OpenTag(const char* move, int nodes)
{
    return "<Move name=\"{  " + std::string(move) + " \nnodes " + std::to_string(nodes) + "\">\n";
}

std::string WritePositionFile(const std::string& name, const std::string& fen)
{
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << fen << "\n";
    return path;
}

}  // namespace

TEST(PerftBinary, ReportsTheStartPositionAtDepthThree)
{
    const RunResult r = RunVorn({"-perft", "-fd", "3"}, "");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.output, "Vorn \nStarting PerfT test \n"
                        "9322 Total Nodes at Depth = 3\n"
                        "8902 Leaf Nodes at Depth = 3\n");
}

TEST(PerftBinary, DepthZeroReportsOneLeaf)
{
    const RunResult r = RunVorn({"-perft", "-fd", "0"}, "");
    EXPECT_EQ(r.output, "Vorn \nStarting PerfT test \n"
                        "0 Total Nodes at Depth = 0\n"
                        "1 Leaf Nodes at Depth = 0\n");
}

TEST(PerftBinary, TracesEveryMoveAtDepthOne)
{
    // Worked out by hand: rook h1 (f1, g1, then up the file), castling, king, then the pawn
    // promoting on a8 (its promotion letter in lower case).
    const std::string file = WritePositionFile("h2_trace.fen", "4k3/P7/8/8/8/8/8/4K2R w K - 0 1");
    const RunResult r = RunVorn({"-perft", "-fd", "1", "-trace", "-lpf", file}, "");
    std::string expected = "Vorn \nStarting PerfT test \n<Trace name=\"Perft\">\n";
    const char* moves[] = {"h1f1", "h1g1", "h1h2", "h1h3", "h1h4", "h1h5", "h1h6", "h1h7",
                           "h1h8", "e1g1", "e1d1", "e1f1", "e1d2", "e1e2", "e1f2", "a7a8q"};
    int n = 0;
    for (const char* m : moves) {
        expected += OpenTag(m, ++n);
        expected += "</Move >\n} \n";
    }
    expected += "</Trace>\n16 Total Nodes at Depth = 1\n16 Leaf Nodes at Depth = 1\n";
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.output, expected);
}

TEST(PerftBinary, TraceNestsTheRepliesInsideTheirMove)
{
    // Two plies of kings only: each white move opens a tag that holds black's replies.
    const std::string file = WritePositionFile("h2_trace2.fen", "k7/8/8/8/8/8/8/7K w - - 0 1");
    const RunResult r = RunVorn({"-perft", "-fd", "2", "-trace", "-lpf", file}, "");
    std::string expected = "Vorn \nStarting PerfT test \n<Trace name=\"Perft\">\n";
    int n = 0;
    auto open = [&](const char* m) {
        expected += OpenTag(m, ++n);
    };
    const char* close = "</Move >\n} \n";
    for (const char* w : {"h1g1", "h1g2", "h1h2"}) {
        open(w);
        for (const char* b : {"a8a7", "a8b7", "a8b8"}) {
            open(b);
            expected += close;
        }
        expected += close;
    }
    expected += "</Trace>\n12 Total Nodes at Depth = 2\n9 Leaf Nodes at Depth = 2\n";
    EXPECT_EQ(r.output, expected);
}
