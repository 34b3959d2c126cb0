// Attack masks and check detection against the shift-by-shift ray reference, over every square
// and many random occupancies, plus the hand-worked edge cases.

#include <gtest/gtest.h>

#include <random>

#include "board/board.h"
#include "board/setup.h"
#include "board/reference.h"

namespace {

using ref::Bit;
using ref::M;

constexpr int kBoards = 300;

// Random boards of several densities, the empty board first; the seed is fixed.
std::vector<ChessBoard> SampleBoards()
{
    std::mt19937_64 rng(20240611);
    std::vector<ChessBoard> boards;
    boards.push_back(ref::FromPieces({}));
    const int fills[] = {5, 15, 30, 50, 80, 100};
    for (int i = 0; i < kBoards; i++) boards.push_back(ref::RandomBoard(rng, fills[i % 6]));
    return boards;
}

const std::vector<ChessBoard>& Boards()
{
    static const std::vector<ChessBoard> boards = SampleBoards();
    return boards;
}

ChessBoard FenBoard(const char* fen)
{
    SetupBoard(fen);
    return MainBoard;
}

TEST(Attacks, KnightAndKingMatchGuardedShifts)
{
    const ChessBoard& b = Boards()[0];
    for (int sq = 0; sq < 64; sq++) {
        EXPECT_EQ(b.KnightMask(Bit(sq)), ref::Knight(Bit(sq))) << "square " << sq;
        EXPECT_EQ(b.KingMask(Bit(sq)), ref::King(Bit(sq))) << "square " << sq;
    }
    EXPECT_EQ(b.KnightMask(0), 0u);
    EXPECT_EQ(b.KingMask(0), 0u);
}

TEST(Attacks, SlidersMatchRaySteppingOnRandomOccupancies)
{
    for (const ChessBoard& b : Boards()) {
        for (int sq = 0; sq < 64; sq++) {
            const u64 s = Bit(sq);
            ASSERT_EQ(b.BishopMask(s), ref::Bishop(s, b.AllPieces)) << "square " << sq;
            ASSERT_EQ(b.RookMask(s), ref::Rook(s, b.AllPieces)) << "square " << sq;
        }
        ASSERT_EQ(b.BishopMask(0), 0u);
        ASSERT_EQ(b.RookMask(0), 0u);
    }
}

TEST(Attacks, CheckMasksKeepOnlyTheRaysThroughTheTarget)
{
    std::mt19937_64 rng(7);
    for (const ChessBoard& b : Boards()) {
        for (int sq = 0; sq < 64; sq++) {
            const u64 s = Bit(sq);
            // One target square, a random set of squares, and no target at all.
            const u64 targets[3] = {Bit(static_cast<int>(rng() % 64)), rng() & rng(), 0};
            for (u64 t : targets) {
                ASSERT_EQ(b.BishopCheckMask(s, t), ref::CheckRays(ref::kDiagonals, s, t, b.AllPieces))
                    << "square " << sq << " target " << t;
                ASSERT_EQ(b.RookCheckMask(s, t), ref::CheckRays(ref::kOrthogonals, s, t, b.AllPieces))
                    << "square " << sq << " target " << t;
            }
        }
        ASSERT_EQ(b.BishopCheckMask(0, ~0ULL), 0u);
        ASSERT_EQ(b.RookCheckMask(0, ~0ULL), 0u);
    }
}

TEST(Attacks, RookAttackCountMatchesCountingAlongTheRays)
{
    for (const ChessBoard& b : Boards())
        for (int sq = 0; sq < 64; sq++)
            ASSERT_EQ(b.RookAttackCount(Bit(sq)), ref::RookCount(b, Bit(sq))) << "square " << sq;
}

TEST(Attacks, VerticalFillsMatchSteppingEachGenerator)
{
    std::mt19937_64 rng(99);
    const ChessBoard& b = Boards()[0];
    for (int i = 0; i < 2000; i++) {
        u64 gen = rng() & rng() & rng();
        u64 empty = (i % 4 == 0) ? ~0ULL : rng() | rng();
        if (i % 7 == 0) gen = Bit(static_cast<int>(rng() % 64));
        ASSERT_EQ(b.SouthAttacks(gen, empty), ref::South(gen, empty)) << gen << " " << empty;
        ASSERT_EQ(b.NorthAttacks(gen, empty), ref::North(gen, empty)) << gen << " " << empty;
    }
    EXPECT_EQ(b.SouthAttacks(0, ~0ULL), 0u);
    EXPECT_EQ(b.NorthAttacks(0, ~0ULL), 0u);
}

TEST(Attacks, IsAttackedAndInCheckMatchTheFiveTests)
{
    for (const ChessBoard& b : Boards()) {
        for (int sq = 0; sq < 64; sq++) {
            for (char c : {char(0), char(1), char(5)}) {
                const bool expected = ref::Attacked(b, Bit(sq), c);
                ASSERT_EQ(b.IsAttacked(Bit(sq), c), expected) << "square " << sq << " colour " << int(c);
                ASSERT_EQ(b.InCheck(Bit(sq), c), expected) << "square " << sq << " colour " << int(c);
            }
        }
    }
}

TEST(Attacks, KnightAndKingCorners)
{
    const ChessBoard& b = Boards()[0];
    EXPECT_EQ(b.KnightMask(M("a1")), M("b3") | M("c2"));
    EXPECT_EQ(b.KnightMask(M("h8")), M("g6") | M("f7"));
    EXPECT_EQ(b.KingMask(M("a1")), M("a2") | M("b1") | M("b2"));
    EXPECT_EQ(b.KingMask(M("h8")), M("h7") | M("g8") | M("g7"));
}

TEST(Attacks, RookFromTheCorner)
{
    ChessBoard b = ref::FromPieces({});
    const u64 fileA = 0x0101010101010101ULL, rank1 = 0xFF;
    EXPECT_EQ(b.RookMask(M("a1")), (fileA | rank1) & ~M("a1"));
    EXPECT_EQ(SimpleBitCount(b.RookMask(M("a1"))), 14);
    b.AllPieces = M("a4");
    EXPECT_EQ(b.RookMask(M("a1")) & fileA, M("a2") | M("a3") | M("a4"));
}

TEST(Attacks, BishopOnD4OfTheStartPosition)
{
    ChessBoard b = FenBoard("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    const u64 expected = M("c3") | M("b2") | M("e3") | M("f2") | M("c5") | M("b6") | M("a7") |
                         M("e5") | M("f6") | M("g7");
    EXPECT_EQ(b.BishopMask(M("d4")), expected);
}

TEST(Attacks, StartPositionAttacksAndCheck)
{
    ChessBoard b = FenBoard("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_FALSE(b.IsAttacked(M("f3"), 0));
    EXPECT_TRUE(b.IsAttacked(M("f6"), 0));
    EXPECT_TRUE(b.IsAttacked(M("f3"), 1));
    EXPECT_FALSE(b.InCheck(b.WhiteKing, 0));
    EXPECT_FALSE(b.InCheck(b.BlackKing, 1));
}

TEST(Attacks, PawnAttacksDoNotWrapAroundTheBoardEdge)
{
    // A black pawn on h5 attacks g4 only; a white pawn on a4 attacks b5 only.
    ChessBoard b = FenBoard("4k3/8/8/7p/P7/8/8/4K3 w - - 0 1");
    EXPECT_TRUE(b.IsAttacked(M("g4"), 0));
    EXPECT_FALSE(b.IsAttacked(M("a5"), 0));  // a5 << 7 is h5: the file guard must stop it
    EXPECT_TRUE(b.IsAttacked(M("b5"), 1));
    EXPECT_FALSE(b.IsAttacked(M("h4"), 1));  // h4 >> 7 is a4
}

TEST(Attacks, RookAttackCountOfALoneRookAndOfAQueenAmongPieces)
{
    ChessBoard b = FenBoard("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    // The king on e1 ends the east ray and is not counted: b1 c1 d1 plus a2..a8.
    EXPECT_EQ(b.RookAttackCount(M("a1")), 10);
    b = FenBoard("8/8/8/8/8/8/8/R7 w - - 0 1");
    EXPECT_EQ(b.RookAttackCount(M("a1")), 14);
    // A black queen on d4: the white pawns on d2 and f4 count, its own knight on b4 does not.
    b = FenBoard("8/8/8/3P4/1n1q1P2/8/8/8 b - - 0 1");
    EXPECT_EQ(b.RookAttackCount(M("d4")), 1 /*c4*/ + 2 /*e4 f4*/ + 1 /*d5*/ + 3 /*d3 d2 d1*/);
}

}  // namespace
