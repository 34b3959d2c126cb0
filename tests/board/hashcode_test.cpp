// Zobrist keys: the generator's fixed sequence, the table layout and the hash-code pair.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "board/board.h"
#include "board/setup.h"
#include "board/hashcode.h"

namespace {

// The additive generator written out from its seed table, independent of the engine's copy.
class ReferenceGenerator {
public:
    ReferenceGenerator()
    {
        const u32 seed[55] = {
            1410651636u, 3012776752u, 3497475623u, 2892145026u, 1571949714u, 3253082284u, 3489895018u,
            387949491u,  2597396737u, 1981903553u, 3160251843u, 129444464u,  1851443344u, 4156445905u,
            224604922u,  1455067070u, 3953493484u, 1460937157u, 2528362617u, 317430674u,  3229354360u,
            117491133u,  832845075u,  1961600170u, 1321557429u, 747750121u,  545747446u,  810476036u,
            503334515u,  4088144633u, 2824216555u, 3738252341u, 3493754131u, 3672533954u, 29494241u,
            1180928407u, 4213624418u, 33062851u,   3221315737u, 1145213552u, 2957984897u, 4078668503u,
            2262661702u, 65478801u,   2527208841u, 1960622036u, 315685891u,  1196037864u, 804614524u,
            1421733266u, 2017105031u, 3882325900u, 810735053u,  384606609u,  2393861397u};
        std::memcpy(y_, seed, sizeof y_);
    }
    // Lags 24 and 55 over the table, walking down from the top.
    u32 Next()
    {
        const u32 r = y_[j_] + y_[k_];
        y_[k_] = r;
        j_ = j_ == 0 ? 54 : j_ - 1;
        k_ = k_ == 0 ? 54 : k_ - 1;
        return r;
    }
    u64 Key()
    {
        const u64 hi = Next();
        return (hi << 32) | Next();
    }

private:
    u32 y_[55];
    int j_ = 23, k_ = 54;
};

u64 Pair(const char* fen, char side, int castle, u64* lower)
{
    SetupBoard(fen);
    u64 upper = 0;
    genhashcode(side, castle, &upper, lower, &MainBoard);
    return upper;
}

TEST(Keys, GeneratorStartsWithTheKnownNumbers)
{
    ReferenceGenerator g;
    EXPECT_EQ(g.Next(), 60494271u);
    EXPECT_EQ(g.Next(), 1217451684u);
    EXPECT_EQ(g.Next(), 928226186u);
}

TEST(Keys, TablesTakeTheSequenceInOrder)
{
    // The engine's generator was used up by the tables at start-up; the first key shows the
    // first two numbers, and every later key follows from the reference sequence.
    EXPECT_EQ(UPStable[0][0], (u64{60494271} << 32) + 1217451684u);
    EXPECT_EQ(LPStable[0][0] >> 32, 928226186u);
    ReferenceGenerator g;
    for (int kind = 0; kind < 12; kind++) {
        for (int sq = 0; sq < 64; sq++) {
            ASSERT_EQ(UPStable[kind][sq], g.Key()) << kind << " " << sq;
            ASSERT_EQ(LPStable[kind][sq], g.Key()) << kind << " " << sq;
        }
    }
    for (int i = 0; i < 16; i++) EXPECT_EQ(CastleCode[i], g.Key()) << i;
    EXPECT_EQ(BtoMove, g.Key());
    EXPECT_EQ(WtoMove, g.Key());
    // The engine's own generator continues the same sequence.
    EXPECT_EQ(BetterRandom32(), g.Next());
    EXPECT_EQ(BetterRandom32(), g.Next());
}

TEST(HashCode, EmptyBoardIsSideAndCastleKeys)
{
    u64 lower = 0;
    const u64 upper = Pair("8/8/8/8/8/8/8/8 w - -", 0, 0, &lower);
    EXPECT_EQ(upper, WtoMove ^ CastleCode[0]);
    EXPECT_EQ(lower, WtoMove ^ CastleCode[0]);
}

TEST(HashCode, SumsEveryPieceKeyOfBothTables)
{
    u64 lower = 0;
    const u64 upper = Pair("4k3/8/8/8/8/8/3Pq3/4K3 b K -", 1, 9, &lower);
    const int d2 = 11, e2 = 12, e1 = 4, e8 = 60;
    EXPECT_EQ(upper, UPStable[0][d2] ^ UPStable[10][e2] ^ UPStable[5][e1] ^ UPStable[11][e8] ^
                         BtoMove ^ CastleCode[9]);
    EXPECT_EQ(lower, LPStable[0][d2] ^ LPStable[10][e2] ^ LPStable[5][e1] ^ LPStable[11][e8] ^
                         BtoMove ^ CastleCode[9]);
}

TEST(HashCode, SideToMoveDiffersByBothSideKeys)
{
    const char* fen = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1";
    u64 lw = 0, lb = 0;
    const u64 uw = Pair(fen, 0, 15, &lw);
    const u64 ub = Pair(fen, 1, 15, &lb);
    EXPECT_EQ(uw ^ ub, WtoMove ^ BtoMove);
    EXPECT_EQ(lw ^ lb, WtoMove ^ BtoMove);
    // The board's own side and rights are not read.
    u64 l2 = 0;
    EXPECT_EQ(Pair("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w - - 0 1", 0, 15, &l2), uw);
    EXPECT_EQ(l2, lw);
}

TEST(HashCode, EnPassantRightsAreNotPartOfTheCode)
{
    u64 l1 = 0, l2 = 0;
    const u64 u1 = Pair("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", 0, 0, &l1);
    const u64 u2 = Pair("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1", 0, 0, &l2);
    EXPECT_EQ(u1, u2);
    EXPECT_EQ(l1, l2);
}

TEST(HashCode, CastleValuesGiveDistinctCodes)
{
    const char* fen = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    u64 upper[16], lower[16];
    for (int c = 0; c < 16; c++) {
        upper[c] = Pair(fen, 0, c, &lower[c]);
        EXPECT_EQ(upper[c] ^ upper[0], CastleCode[c] ^ CastleCode[0]);
        EXPECT_EQ(lower[c] ^ lower[0], CastleCode[c] ^ CastleCode[0]);
        for (int d = 0; d < c; d++) EXPECT_NE(upper[c], upper[d]);
    }
}

TEST(PawnKey, CoversPawnsAndKingsOnly)
{
    SetupBoard("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    u64 key = LPStable[5][4] ^ LPStable[11][60];
    for (int f = 0; f < 8; f++) key ^= LPStable[0][8 + f] ^ LPStable[6][48 + f];
    unsigned long k = 0;
    genpawnhashcode(1, MainBoard, &k);
    EXPECT_EQ(k, static_cast<u32>(key));
    EXPECT_EQ(PawnKeyOf(MainBoard), static_cast<u32>(key));
    // Pieces other than pawns and kings leave it unchanged.
    SetupBoard("4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1");
    EXPECT_EQ(PawnKeyOf(MainBoard), static_cast<u32>(key));
    EXPECT_EQ(PawnKey(WKING, 4), static_cast<u32>(LPStable[5][4]));
}

}  // namespace
