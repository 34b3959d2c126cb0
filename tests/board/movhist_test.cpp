#include <gtest/gtest.h>

#include <string>

#include "board/movhist.h"

namespace {

constexpr u64 kUpperP = 0x1111222233334444ull;
constexpr u64 kLowerP = 0x5555666677778888ull;
const std::string kTooMany = "MAJOR ERROR: NumMoves > 590 in InsertHashCodeMoveHistor \n";

// A stack of positions numbered 1..count, position k = (k, 1000 + k).
void PushNumbered(MoveHistory& h, int count)
{
    for (int k = 1; k <= count; k++) h.InsertHashCodeMoveHistory(k, 1000 + k);
}

TEST(MoveHistory, SingleEntryIsNoRepetition)
{
    MoveHistory h;
    h.Init();
    h.InsertHashCodeMoveHistory(kUpperP, kLowerP);
    EXPECT_EQ(h.ThreeFoldRepDetection(5, kUpperP, kLowerP), 0);
}

TEST(MoveHistory, SameSideFourPliesEarlierIsCounted)
{
    MoveHistory h;
    h.Init();
    h.InsertHashCodeMoveHistory(kUpperP, kLowerP);
    PushNumbered(h, 3);
    h.InsertHashCodeMoveHistory(kUpperP, kLowerP);
    EXPECT_EQ(h.ThreeFoldRepDetection(5, kUpperP, kLowerP), 1);
    // A window of four reaches the position four plies back: the one right after the last
    // irreversible move when the window is the fifty-move count.
    EXPECT_EQ(h.ThreeFoldRepDetection(4, kUpperP, kLowerP), 1);
    EXPECT_EQ(h.ThreeFoldRepDetection(3, kUpperP, kLowerP), 0);
    h.InsertHashCodeMoveHistory(1, 1);
    h.InsertHashCodeMoveHistory(kUpperP, kLowerP);
    EXPECT_EQ(h.ThreeFoldRepDetection(7, kUpperP, kLowerP), 2);
}

TEST(MoveHistory, OtherSideToMoveIsNotCounted)
{
    MoveHistory h;
    h.Init();
    h.InsertHashCodeMoveHistory(kUpperP, kLowerP);
    PushNumbered(h, 2);
    h.InsertHashCodeMoveHistory(kUpperP, kLowerP);
    EXPECT_EQ(h.ThreeFoldRepDetection(10, kUpperP, kLowerP), 0);
}

TEST(MoveHistory, BothHalvesMustMatch)
{
    MoveHistory h;
    h.Init();
    h.InsertHashCodeMoveHistory(kUpperP, kLowerP ^ 1);
    h.InsertHashCodeMoveHistory(1, 1);
    h.InsertHashCodeMoveHistory(kUpperP ^ 1, kLowerP);
    h.InsertHashCodeMoveHistory(2, 2);
    h.InsertHashCodeMoveHistory(kUpperP, kLowerP);
    EXPECT_EQ(h.ThreeFoldRepDetection(5, kUpperP, kLowerP), 0);
}

TEST(MoveHistory, WindowLargerThanStackScansToTheBottom)
{
    MoveHistory h;
    h.Init();
    h.InsertHashCodeMoveHistory(kUpperP, kLowerP);  // index 0
    PushNumbered(h, 5);
    h.InsertHashCodeMoveHistory(kUpperP, kLowerP);  // index 6
    EXPECT_EQ(h.ThreeFoldRepDetection(100, kUpperP, kLowerP), 1);
    EXPECT_EQ(h.ThreeFoldRepDetection(7, kUpperP, kLowerP), 1);
    EXPECT_EQ(h.ThreeFoldRepDetection(6, kUpperP, kLowerP), 1);
    EXPECT_EQ(h.ThreeFoldRepDetection(5, kUpperP, kLowerP), 0);
}

TEST(MoveHistory, EmptyWindowGivesMinusOne)
{
    MoveHistory h;
    h.Init();
    h.InsertHashCodeMoveHistory(kUpperP, kLowerP);
    EXPECT_EQ(h.ThreeFoldRepDetection(0, kUpperP, kLowerP), -1);
    EXPECT_EQ(h.ThreeFoldRepDetection(-2147483647 - 1, kUpperP, kLowerP), -1);
    // A top that is not the tested position leaves nothing to count either.
    EXPECT_EQ(h.ThreeFoldRepDetection(1, 9, 9), -1);
}

TEST(MoveHistory, CountSaturatesInsteadOfWrapping)
{
    MoveHistory h;
    h.Init();
    testing::internal::CaptureStdout();
    for (int i = 0; i < MAXHISTORY / 2; i++) {
        h.InsertHashCodeMoveHistory(kUpperP, kLowerP);
        h.InsertHashCodeMoveHistory(1, 1);
    }
    testing::internal::GetCapturedStdout();
    h.RetractMove();  // 300 copies of the top position, the top included
    EXPECT_EQ(h.ThreeFoldRepDetection(MAXHISTORY, kUpperP, kLowerP), 127);
}

TEST(MoveHistory, WarnsOnEveryInsertionPast590)
{
    MoveHistory h;
    h.Init();
    testing::internal::CaptureStdout();
    PushNumbered(h, 590);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    testing::internal::CaptureStdout();
    h.InsertHashCodeMoveHistory(7, 7);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kTooMany);
    testing::internal::CaptureStdout();
    h.InsertMoveHistory(8, 8);
    h.InsertHashCodeMoveHistory(9, 9);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kTooMany + kTooMany);
    EXPECT_EQ(h.NumMoves, 593);
    EXPECT_EQ(h.Entries[592].upper, 9u);
}

TEST(MoveHistory, FullStackRefusesInsertion)
{
    MoveHistory h;
    h.Init();
    testing::internal::CaptureStdout();
    PushNumbered(h, MAXHISTORY);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(h.NumMoves, MAXHISTORY);
    testing::internal::CaptureStdout();
    h.InsertHashCodeMoveHistory(kUpperP, kLowerP);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kTooMany);
    EXPECT_EQ(h.NumMoves, MAXHISTORY);
    EXPECT_EQ(h.Entries[MAXHISTORY - 1].upper, static_cast<u64>(MAXHISTORY));
    EXPECT_EQ(h.ThreeFoldRepDetection(MAXHISTORY, MAXHISTORY, 1000 + MAXHISTORY), 0);
    // The search retracts every position it pushed: a refused one leaves the stack alone.
    h.RetractMove();
    EXPECT_EQ(h.NumMoves, MAXHISTORY);
    h.RetractMove();
    EXPECT_EQ(h.NumMoves, MAXHISTORY - 1);
}

TEST(MoveHistory, RetractStopsAtEmpty)
{
    MoveHistory h;
    h.Init();
    PushNumbered(h, 2);
    h.RetractMove();
    EXPECT_EQ(h.NumMoves, 1);
    EXPECT_EQ(h.ThreeFoldRepDetection(1, 1, 1001), 0);
    h.RetractMove();
    h.RetractMove();
    EXPECT_EQ(h.NumMoves, 0);
    h.InsertHashCodeMoveHistory(kUpperP, kLowerP);
    EXPECT_EQ(h.NumMoves, 1);
    EXPECT_EQ(h.Entries[0].upper, kUpperP);
}

}  // namespace
