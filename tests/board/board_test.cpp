// The position record: start position, clearing, queries, counts, bit utilities and the diagram.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>

#include "board/board.h"
#include "board/reference.h"
#include "common/capture.h"

namespace {

using ref::Bit;
using ref::M;

ChessBoard StartBoard()
{
    ChessBoard b;
    std::memset(&b, 0, sizeof b);
    b.InitRep();
    b.InitPieceCounts();
    return b;
}

TEST(Board, InitRepSetsTheStartPosition)
{
    ChessBoard b = StartBoard();
    EXPECT_EQ(b.WhitePawns, 0xFF00u);
    EXPECT_EQ(b.WhiteRooks, M("a1") | M("h1"));
    EXPECT_EQ(b.WhiteKnights, M("b1") | M("g1"));
    EXPECT_EQ(b.WhiteBishops, M("c1") | M("f1"));
    EXPECT_EQ(b.WhiteQueens, M("d1"));
    EXPECT_EQ(b.WhiteKing, M("e1"));
    EXPECT_EQ(b.BlackPawns, 0x00FF000000000000u);
    EXPECT_EQ(b.BlackRooks, M("a8") | M("h8"));
    EXPECT_EQ(b.BlackKnights, M("b8") | M("g8"));
    EXPECT_EQ(b.BlackBishops, M("c8") | M("f8"));
    EXPECT_EQ(b.BlackQueens, M("d8"));
    EXPECT_EQ(b.BlackKing, M("e8"));
    EXPECT_EQ(b.WhitePieces, 0xFFFFu);
    EXPECT_EQ(b.BlackPieces, 0xFFFF000000000000u);
    EXPECT_EQ(b.AllPieces, 0xFFFF00000000FFFFu);
    EXPECT_EQ(b.SideToMove, 0);
    EXPECT_EQ(b.CastleFlags, 15);
    EXPECT_EQ(b.LastFrom, 0u);
    EXPECT_EQ(b.LastTo, 0u);
    EXPECT_EQ(b.MaxDepth, 56);
    EXPECT_EQ(b.QuickPieceCount(), 14);
    EXPECT_EQ(b.QuickPawnCount(1), 8);
    EXPECT_EQ(b.QuickPawnCount(0), 8);
}

TEST(Board, InitRepLeavesCountsAndKeysAlone)
{
    ChessBoard b;
    std::memset(&b, 0, sizeof b);
    b.FiftyMoveCount = 17;
    b.PawnHashCode = 1234;
    b.WhitePieceTotal = 3;
    b.InitRep();
    EXPECT_EQ(b.FiftyMoveCount, 17);
    EXPECT_EQ(b.PawnHashCode, 1234u);
    EXPECT_EQ(b.WhitePieceTotal, 3);
    EXPECT_EQ(b.WhitePawnCount, 0);
}

TEST(Board, ClearFieldEmptiesTheBoardButKeepsSideAndClock)
{
    ChessBoard b = StartBoard();
    b.SideToMove = 1;
    b.FiftyMoveCount = 9;
    b.PawnHashCode = 77;
    b.LastFrom = M("e2");
    b.LastTo = M("e4");
    b.WhitePieceTotal = b.BlackPieceTotal = 15;
    b.ClearField();
    for (u64 p : ref::Pieces(b)) EXPECT_EQ(p, 0u);
    EXPECT_EQ(b.WhitePieces | b.BlackPieces | b.AllPieces | b.LastFrom | b.LastTo, 0u);
    EXPECT_EQ(b.CastleFlags, 0);
    EXPECT_EQ(b.WhitePieceTotal + b.BlackPieceTotal, 0);
    EXPECT_EQ(b.QuickPieceCount() + b.QuickPawnCount(0) + b.QuickPawnCount(1), 0);
    EXPECT_EQ(b.SideToMove, 1);
    EXPECT_EQ(b.FiftyMoveCount, 9);
    EXPECT_EQ(b.MaxDepth, 56);
    EXPECT_EQ(b.PawnHashCode, 77u);
}

TEST(Board, PieceQueriesTreatAnyNonZeroColourAsBlack)
{
    ChessBoard b = StartBoard();
    EXPECT_EQ(b.PieceColor(M("e1")), 0);
    EXPECT_EQ(b.PieceColor(M("e8")), 1);
    EXPECT_EQ(b.PieceColor(M("e4")), 1);  // empty squares count as black
    EXPECT_TRUE(b.IsKnight(0, M("g1")));
    EXPECT_TRUE(b.IsKnight(7, M("g8")));
    EXPECT_FALSE(b.IsKnight(0, M("g8")));
    EXPECT_TRUE(b.IsPawn(1, M("a7")));
    EXPECT_TRUE(b.IsBishop(0, M("c1")));
    EXPECT_TRUE(b.IsRook(2, M("h8")));
    EXPECT_TRUE(b.IsQueen(0, M("d1")));
    EXPECT_TRUE(b.IsKing(1, M("e8")));
    EXPECT_FALSE(b.IsKing(1, M("e1")));
    EXPECT_TRUE(b.IsEmptySquare(M("e4")));
    EXPECT_FALSE(b.IsEmptySquare(M("e2")));
    EXPECT_TRUE(b.PawnOn7th(1) == false && b.PawnOn7th(0) == false);
    b.WhitePawns |= M("c7");
    EXPECT_TRUE(b.PawnOn7th(0));
    b.BlackPawns |= M("h2");
    EXPECT_TRUE(b.PawnOn7th(1));
}

TEST(Board, InitPieceCountsMatchesPopulationCounts)
{
    std::mt19937_64 rng(3);
    for (int i = 0; i < 200; i++) {
        std::array<u64, 12> p{};
        for (auto& x : p) x = rng() & rng() & rng();
        ChessBoard b = ref::FromPieces(p);
        EXPECT_EQ(b.WhitePawnCount, __builtin_popcountll(p[0]));
        EXPECT_EQ(b.WhiteKnightCount, __builtin_popcountll(p[1]));
        EXPECT_EQ(b.WhiteBishopCount, __builtin_popcountll(p[2]));
        EXPECT_EQ(b.WhiteRookCount, __builtin_popcountll(p[3]));
        EXPECT_EQ(b.WhiteQueenCount, __builtin_popcountll(p[4]));
        EXPECT_EQ(b.BlackPawnCount, __builtin_popcountll(p[6]));
        EXPECT_EQ(b.BlackKnightCount, __builtin_popcountll(p[7]));
        EXPECT_EQ(b.BlackBishopCount, __builtin_popcountll(p[8]));
        EXPECT_EQ(b.BlackRookCount, __builtin_popcountll(p[9]));
        EXPECT_EQ(b.BlackQueenCount, __builtin_popcountll(p[10]));
    }
}

TEST(BitOps, ScansAndCountsAgreeWithLoops)
{
    EXPECT_EQ(RightMostBit(0), 1);
    EXPECT_EQ(RightMostBit(1), 1);
    EXPECT_EQ(RightMostBit(0x8000000000000000u), 64);
    EXPECT_EQ(MybitScanForward(0), 64);
    EXPECT_EQ(MyLog2(0), -1);
    EXPECT_EQ(MyLog2(1), 0);
    EXPECT_EQ(MyLog2(0x8000000000000000u), 63);
    EXPECT_EQ(SimpleBitCount(0), 0);
    std::mt19937_64 rng(11);
    for (int i = 0; i < 5000; i++) {
        u64 x = rng();
        if (i < 64) x = Bit(i);
        else if (i % 3 == 0) x &= rng() & rng();
        if (!x) continue;
        int low = 0, high = 63, count = 0;
        while (!(x & Bit(low))) low++;
        while (!(x & Bit(high))) high--;
        for (int s = 0; s < 64; s++) count += (x >> s) & 1;
        ASSERT_EQ(RightMostBit(x), low + 1) << x;
        ASSERT_EQ(MybitScanForward(x), low + 1) << x;
        ASSERT_EQ(LowestSquare(x), low) << x;
        ASSERT_EQ(MyLog2(x), high) << x;
        ASSERT_EQ(SimpleBitCount(x), count) << x;
    }
}

TEST(Display, StartPositionDiagram)
{
    ChessBoard b = StartBoard();
    EXPECT_EQ(CaptureStdout([&] { b.DisplayBoard(); }), kStartDiagram);
}

TEST(Display, BitboardUsesTheDiagramLayout)
{
    const std::string text = CaptureStdout([] { Displaybits(M("a1") | M("h8") | M("e4")); });
    EXPECT_EQ(text,
              "   A B C D E F G H\n\n"
              "8  - - - - - - - 1  8\n"
              "7  - - - - - - - -  7\n"
              "6  - - - - - - - -  6\n"
              "5  - - - - - - - -  5\n"
              "4  - - - - 1 - - -  4\n"
              "3  - - - - - - - -  3\n"
              "2  - - - - - - - -  2\n"
              "1  1 - - - - - - -  1\n\n"
              "   A B C D E F G H\n");
    EXPECT_EQ(CaptureStdout([] { DisplayBit(3, 8); DisplayBit(4, 8); }), "1 - ");
}

TEST(Display, InconsistentSquaresReportAndGoOn)
{
    ChessBoard b = ref::FromPieces({});
    b.WhitePieces = M("a1");
    b.BlackPieces = M("b1");
    b.AllPieces = M("a1") | M("b1") | M("c1");
    EXPECT_EQ(CaptureStdout([&] { b.DisplayPiece(0); }),
              "Major Error: DisplayPiece unknown White Piece\n ");
    EXPECT_EQ(CaptureStdout([&] { b.DisplayPiece(1); }),
              "Major Error: DisplayPiece unknown Black Piece\n ");
    EXPECT_EQ(CaptureStdout([&] { b.DisplayPiece(2); }),
              "Major Error: DisplayPiece has unknown Color\n ");
    EXPECT_EQ(CaptureStdout([&] { b.DisplayPiece(3); }), "- ");
}

}  // namespace
