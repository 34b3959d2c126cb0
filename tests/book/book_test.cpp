// Opening book: the search tree over the table, and the root probe with its trace.

#include <gtest/gtest.h>

#include "core/status.h"

#include <cstring>
#include <string>

#include "board/setup.h"
#include "book/book.h"
#include "board/hashcode.h"
#include "movegen/movegen.h"

namespace {

// Tests write a few entries; the fixture empties the table and rebuilds the tree afterwards,
// as the engine has it.
class Book : public ::testing::Test {
protected:
    void SetUp() override { Restore(); }
    void TearDown() override { Restore(); }

    static void Restore()
    {
        std::memset(OpeningBook, 0, 64 * sizeof(BookEntry));
        std::memset(BookValue, 0, 64 * sizeof(i32));
        MainStatus.Trace = 0;
        MainStatus.xboard = 0;
        buildbook();
    }

    static void Put(int i, u64 upper, u64 lower, i32 value = 0)
    {
        OpeningBook[i] = {upper, lower};
        BookValue[i] = value;
    }
};

// Hash pair of the position after a move on a board, as the probe computes it.
void PairAfter(ChessBoard board, char side, char castle, const char* from, const char* to,
               u64* upper, u64* lower)
{
    const int f = (from[0] - 'a') + 8 * (from[1] - '1'), t = (to[0] - 'a') + 8 * (to[1] - '1');
    char mask;
    board.MakeMove(SquareMask(f), SquareMask(t), NOPROMOTION, &mask);
    genhashcode(side ? 0 : 1, castle & mask, upper, lower, &board);
}

// Index of a move in the full list of the board.
int ListIndex(ChessBoard board, char side, char castle, const char* from, const char* to)
{
    const int f = (from[0] - 'a') + 8 * (from[1] - '1'), t = (to[0] - 'a') + 8 * (to[1] - '1');
    MoveGen g;
    const int n = g.GenerateAllMoves(side, &board, castle);
    for (int i = 0; i < n; i++)
        if (g.From[i] == SquareMask(f) && g.To[i] == SquareMask(t)) return i;
    return -1;
}

ChessBoard StartBoard()
{
    SetupBoard("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    return MainBoard;
}

}  // namespace

TEST_F(Book, EmptyTableIsOneNodeForThePairZeroZero)
{
    EXPECT_EQ(booksize, 0);
    const treenode* root = BookTreeRoot();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->index, 0);
    EXPECT_EQ(root->left, nullptr);
    EXPECT_EQ(root->right, nullptr);
    EXPECT_EQ(BookTreeSearch(root, 0, 0), 0);
    u64 upper, lower;
    PairAfter(StartBoard(), 0, 15, "e2", "e4", &upper, &lower);
    EXPECT_EQ(BookTreeSearch(root, upper, lower), -1);
}

TEST_F(Book, TreeFindsEveryInsertedPairAndNothingElse)
{
    // Keys in no particular order, two sharing an upper code, one sharing a lower code.
    Put(0, 50, 5);
    Put(1, 20, 9);
    Put(2, 80, 1);
    Put(3, 20, 3);  // same upper as entry 1: the lower code decides
    Put(4, 65, 9);  // same lower as entry 1
    Put(5, 10, 10);
    Put(6, 90, 0);
    const treenode* last = buildbooktree(7);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->index, 6);
    const treenode* root = BookTreeRoot();
    const u64 pairs[7][2] = {{50, 5}, {20, 9}, {80, 1}, {20, 3}, {65, 9}, {10, 10}, {90, 0}};
    for (int i = 0; i < 7; i++) EXPECT_EQ(BookTreeSearch(root, pairs[i][0], pairs[i][1]), i) << i;
    EXPECT_EQ(BookTreeSearch(root, 20, 4), -1);
    EXPECT_EQ(BookTreeSearch(root, 5, 5), -1);
    EXPECT_EQ(BookTreeSearch(root, 50, 6), -1);
    EXPECT_EQ(BookTreeSearch(root, 100, 100), -1);
    EXPECT_EQ(BookTreeSearch(nullptr, 50, 5), -1);
    // The tree order: smaller keys on the left.
    ASSERT_NE(root->left, nullptr);
    EXPECT_EQ(root->left->index, 1);
    EXPECT_EQ(root->left->left->index, 3);
    ASSERT_NE(root->right, nullptr);
    EXPECT_EQ(root->right->index, 2);
}

TEST_F(Book, DuplicatePairKeepsTheFirstEntry)
{
    Put(0, 7, 7);
    Put(1, 30, 3, 11);
    Put(2, 30, 3, 22);
    Put(3, 1, 1);
    const treenode* last = buildbooktree(4);
    EXPECT_EQ(last->index, 3);  // entry 2 got no node
    EXPECT_EQ(BookTreeSearch(BookTreeRoot(), 30, 3), 1);
}

TEST_F(Book, RebuildingDropsTheOldTree)
{
    Put(0, 40, 4);
    Put(1, 60, 6);
    buildbooktree(2);
    EXPECT_EQ(BookTreeSearch(BookTreeRoot(), 60, 6), 1);
    buildbooktree(1);  // entry 0 only
    EXPECT_EQ(BookTreeSearch(BookTreeRoot(), 60, 6), -1);
    EXPECT_EQ(BookTreeSearch(BookTreeRoot(), 40, 4), 0);
}

TEST_F(Book, InBookWithTheEmptyTableFindsNothing)
{
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(InBook(0, 15, StartBoard()), -100);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Look through the Opening Book\n");

    MainStatus.xboard = 1;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(InBook(0, 15, StartBoard()), -100);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST_F(Book, InBookPicksTheLowestValueAndKeepsTheEarlierMoveOnTies)
{
    const ChessBoard b = StartBoard();
    u64 u, l;
    Put(0, 1, 1);  // a filler that matches no position
    PairAfter(b, 0, 15, "e2", "e4", &u, &l);
    Put(1, u, l, 40);
    PairAfter(b, 0, 15, "d2", "d4", &u, &l);
    Put(2, u, l, -7);
    PairAfter(b, 0, 15, "g1", "f3", &u, &l);
    Put(3, u, l, -7);
    buildbooktree(4);
    ::testing::internal::CaptureStdout();
    const int i = InBook(0, 15, b);
    ::testing::internal::GetCapturedStdout();
    // g1f3 comes before d2d4 in the list, so it wins the tie.
    ASSERT_LT(ListIndex(b, 0, 15, "g1", "f3"), ListIndex(b, 0, 15, "d2", "d4"));
    EXPECT_EQ(i, ListIndex(b, 0, 15, "g1", "f3"));
}

TEST_F(Book, InBookFollowsTheSurvivingCastlingRights)
{
    // After the king steps, the book position is the one without white's rights; a probe that
    // kept them would miss it.
    SetupBoard("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1");
    const ChessBoard b = MainBoard;
    u64 u, l;
    PairAfter(b, 0, 3, "e1", "e2", &u, &l);
    Put(1, u, l, 5);
    buildbooktree(2);
    ::testing::internal::CaptureStdout();
    const int i = InBook(0, 3, b);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(i, ListIndex(b, 0, 3, "e1", "e2"));
}

TEST_F(Book, TraceListsEveryMoveWithItsBookValue)
{
    // Lone kings: a1 has three moves; the one to b2 is in the book with value 12.
    SetupBoard("7k/8/8/8/8/8/8/K7 w - - 0 1");
    const ChessBoard b = MainBoard;
    u64 u, l;
    PairAfter(b, 0, 0, "a1", "b2", &u, &l);
    Put(1, u, l, 12);
    buildbooktree(2);
    MainStatus.Trace = 1;
    ::testing::internal::CaptureStdout();
    const int i = InBook(0, 0, b);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(i, 2);
    EXPECT_EQ(out, "Look through the Opening Book\n"
                   "  { a1b1 \n  Not in Book: 0 a1b1 \n}\n"
                   "  { a1a2 \n  Not in Book: 0 a1a2 \n}\n"
                   "  { a1b2 \n  12 a1b2 \n}\n");
}
