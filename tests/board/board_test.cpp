#include <gtest/gtest.h>

#include "board/board.h"

TEST(Board, StartPositionCounts)
{
    ChessBoard b;
    b.InitRep();
    b.InitPieceCounts();
    EXPECT_EQ(b.QuickPieceCount(), 14);
    EXPECT_EQ(b.QuickPawnCount(1), 8);
}
