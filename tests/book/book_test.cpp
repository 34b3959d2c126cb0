// Opening book: the tree over the table finds every entry, and the root probe picks the move
// whose position has the lowest value.

#include <gtest/gtest.h>

#include "board/hashcode.h"
#include "book/book.h"
#include "common/reference.h"
#include "core/status.h"
#include "movegen/movegen.h"

namespace {

class Book : public ::testing::Test {
  protected:
    void SetUp() override { Restore(); }
    void TearDown() override { Restore(); }
    static void Restore()
    {
        std::memset(OpeningBook, 0, 64 * sizeof(BookEntry));
        std::memset(BookValue, 0, 64 * sizeof(i32));
        MainStatus.Trace = MainStatus.xboard = 0;
        buildbook();
    }
};

TEST_F(Book, TreeFindsEveryInsertedPairAndNothingElse)
{
    const u64 pairs[8][2] = {{50, 5}, {20, 9},  {80, 1}, {20, 3},
                             {65, 9}, {10, 10}, {90, 0}, {20, 9}};
    for (int i = 0; i < 8; i++)
        OpeningBook[i] = {pairs[i][0], pairs[i][1]};
    buildbooktree(8);
    for (int i = 0; i < 7; i++)
        EXPECT_EQ(BookTreeSearch(BookTreeRoot(), pairs[i][0], pairs[i][1]), i);
    for (const auto &[u, l] : {std::pair<u64, u64>{20, 4}, {5, 5}, {50, 6}, {100, 100}})
        EXPECT_EQ(BookTreeSearch(BookTreeRoot(), u, l), -1) << u << " " << l;
}

// After the king steps the book position is the one without White's rights; of the moves in
// the book the one of lowest value is chosen, the earlier one in the list on a tie.
TEST_F(Book, InBookPicksTheLowestValueAfterTheSurvivingRights)
{
    const ref::Position p = ref::FromFen("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1");
    MoveGen g;
    ChessBoard b = p.board;
    const int n = g.GenerateAllMoves(0, &b, p.castle);
    const int values[3] = {40, -7, -7};
    int listed[3], entries = 1;
    for (int i = 0, k = 0; i < n && k < 3; i++) {
        if (!(g.From[i] & b.WhiteKing)) continue;
        const ref::Position q =
            ref::Played(p, {__builtin_ctzll(g.From[i]), __builtin_ctzll(g.To[i]), NOPROMOTION});
        genhashcode(1, q.castle, &OpeningBook[entries].upper, &OpeningBook[entries].lower,
                    &q.board);
        BookValue[entries++] = values[k];
        listed[k++] = i;
    }
    buildbooktree(entries);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(InBook(0, p.castle, p.board), listed[1]);
    ::testing::internal::GetCapturedStdout();
}

} // namespace
