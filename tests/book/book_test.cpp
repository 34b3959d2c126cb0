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
        MainStatus.Trace = MainStatus.xboard = 0;
        buildbook();
    }
};

// The shipped book is empty: it holds no memory, has no tree and no move leads into it.
TEST_F(Book, AnEmptyBookHoldsNothingAndAnswersNotInBook)
{
    EXPECT_EQ(booksize, 0);
    EXPECT_EQ(OpeningBook, nullptr);
    EXPECT_EQ(BookValue, nullptr);
    EXPECT_EQ(BookTreeRoot(), nullptr);
    const ref::Position p =
        ref::FromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(InBook(0, p.castle, p.board), -100);
    ::testing::internal::GetCapturedStdout();
}

// The tree over the table finds each of a hundred entries, which outlive the growth of the
// book's memory, the first of two equal pairs, and no pair that is not in the book (an upper or
// a lower half alone matching).
TEST_F(Book, TreeFindsEveryEntryAndNothingElse)
{
    for (int i = 0; i < 100; i++)
        ASSERT_TRUE(AddBookEntry(u64(i * 37 % 100), u64(i), i));
    ASSERT_TRUE(AddBookEntry(37, 1, 100)); // the pair of entry 1 again
    buildbooktree(booksize);
    for (int i = 0; i < 100; i++) {
        const int k = BookTreeSearch(BookTreeRoot(), u64(i * 37 % 100), u64(i));
        ASSERT_EQ(k, i);
        EXPECT_EQ(BookValue[k], i);
    }
    for (const auto &[u, l] : {std::pair<u64, u64>{37, 2}, {5, 5}, {0, 1}, {100, 99}})
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
    int listed[3];
    for (int i = 0, k = 0; i < n && k < 3; i++) {
        if (!(g.From[i] & b.WhiteKing)) continue;
        const ref::Position q =
            ref::Played(p, {__builtin_ctzll(g.From[i]), __builtin_ctzll(g.To[i]), NOPROMOTION});
        u64 upper, lower;
        genhashcode(1, q.castle, &upper, &lower, &q.board);
        ASSERT_TRUE(AddBookEntry(upper, lower, values[k]));
        listed[k++] = i;
    }
    buildbooktree(booksize);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(InBook(0, p.castle, p.board), listed[1]);
    ::testing::internal::GetCapturedStdout();
}

} // namespace
