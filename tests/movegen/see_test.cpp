// Static exchange evaluation: hand-worked exchanges and a comparison with a plain recursive
// swap-off played on real board copies.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "eval/eval_fixture.h"
#include "movegen/see.h"

namespace {

u64 At(const char* sq) { return u64{1} << ((sq[1] - '1') * 8 + (sq[0] - 'a')); }

// Exchange on the square of to after the piece on from captures there.
int Exchange(const char* fen, const char* from, const char* to)
{
    ChessBoard b = EvalBoard(fen);
    const char colour = (At(to) & b.WhitePieces) ? 0 : 1;
    return see.StaticExchangeEvaluation(colour, At(from), At(to), &b);
}

int PieceValue(const ChessBoard& b, int sq)
{
    const u64 m = u64{1} << sq;
    if (m & (b.WhitePawns | b.BlackPawns)) return 800;
    if (m & (b.WhiteKnights | b.BlackKnights | b.WhiteBishops | b.BlackBishops)) return 3250;
    if (m & (b.WhiteRooks | b.BlackRooks)) return 5000;
    if (m & (b.WhiteQueens | b.BlackQueens)) return 9750;
    if (m & (b.WhiteKing | b.BlackKing)) return 1000000;
    return 0;
}

// Moves the piece on from to t on a copy (t's occupant removed), ignoring every other rule.
ChessBoard Capture(const ChessBoard& b, int from, int t)
{
    ChessBoard c = b;
    const u64 f = u64{1} << from, m = u64{1} << t;
    u64* boards[12] = {&c.WhitePawns, &c.WhiteBishops, &c.WhiteKnights, &c.WhiteRooks,
                       &c.WhiteQueens, &c.WhiteKing, &c.BlackPawns, &c.BlackBishops,
                       &c.BlackKnights, &c.BlackRooks, &c.BlackQueens, &c.BlackKing};
    for (u64* p : boards) *p &= ~m;
    for (u64* p : boards)
        if (*p & f) *p ^= f | m;
    c.WhitePieces = c.WhitePawns | c.WhiteBishops | c.WhiteKnights | c.WhiteRooks |
                    c.WhiteQueens | c.WhiteKing;
    c.BlackPieces = c.BlackPawns | c.BlackBishops | c.BlackKnights | c.BlackRooks |
                    c.BlackQueens | c.BlackKing;
    c.AllPieces = c.WhitePieces | c.BlackPieces;
    return c;
}

// Square of the least valuable piece of colour attacking t on b, lowest square on ties; -1.
int LeastValuableAttacker(const ChessBoard& b, int t, char colour)
{
    const u64 s = u64{1} << t, occ = b.AllPieces;
    const u64 fileA = 0x0101010101010101ULL, fileH = 0x8080808080808080ULL;
    const u64 pawnSources = colour ? (((s & ~fileH) << 9) | ((s & ~fileA) << 7))
                                   : (((s & ~fileH) >> 7) | ((s & ~fileA) >> 9));
    const u64 kinds[6] = {
        pawnSources & (colour ? b.BlackPawns : b.WhitePawns),
        KnightTable[t] & (colour ? b.BlackKnights : b.WhiteKnights),
        BishopAttacksFrom(t, occ) & (colour ? b.BlackBishops : b.WhiteBishops),
        RookAttacksFrom(t, occ) & (colour ? b.BlackRooks : b.WhiteRooks),
        QueenAttacksFrom(t, occ) & (colour ? b.BlackQueens : b.WhiteQueens),
        KingTable[t] & (colour ? b.BlackKing : b.WhiteKing)};
    for (u64 k : kinds)
        if (k) return __builtin_ctzll(k);
    return -1;
}

// What colour can still win on t, where the piece standing there is worth victim to it.
int SwapOff(const ChessBoard& b, int t, char colour, int victim)
{
    const int a = LeastValuableAttacker(b, t, colour);
    if (a < 0) return 0;
    const int attacker = PieceValue(b, a);
    return std::max(0, victim - SwapOff(Capture(b, a, t), t, colour ^ 1, attacker));
}

int ReferenceSee(const ChessBoard& b, int from, int t)
{
    const char mover = ((u64{1} << from) & b.WhitePieces) ? 0 : 1;
    return PieceValue(b, t) - SwapOff(Capture(b, from, t), t, mover ^ 1, PieceValue(b, from));
}

}  // namespace

TEST(See, DirectionTableSteps)
{
    // From d4 (27): d8 above, a4 left, h8 up-right, a7 up-left, g1 down-right, a1 down-left.
    EXPECT_EQ(see.Direction[27][59], 8);
    EXPECT_EQ(see.Direction[27][3], -8);
    EXPECT_EQ(see.Direction[27][24], -1);
    EXPECT_EQ(see.Direction[27][31], 1);
    EXPECT_EQ(see.Direction[27][63], 9);
    EXPECT_EQ(see.Direction[27][48], 7);
    EXPECT_EQ(see.Direction[27][6], -7);
    EXPECT_EQ(see.Direction[27][0], -9);
    EXPECT_EQ(see.Direction[27][27], 0);
    EXPECT_EQ(see.Direction[27][44], 0);  // e6: a knight's step
    EXPECT_EQ(see.Direction[7][8], 0);    // h1 and a2 are not on a diagonal
}

TEST(See, PawnTakesUndefendedQueen)
{
    EXPECT_EQ(Exchange("4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1", "e4", "d5"), 9750);
}

TEST(See, QueenTakesPawnDefendedByPawn)
{
    EXPECT_EQ(Exchange("4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 1", "d1", "d5"), 800 - 9750);
}

TEST(See, RookBehindTheCapturerJoinsIn)
{
    EXPECT_EQ(Exchange("3rk3/8/8/3r4/8/8/3R4/3RK3 w - - 0 1", "d2", "d5"), 5000);
    EXPECT_EQ(Exchange("3rk3/8/8/3r4/8/8/3R4/4K3 w - - 0 1", "d2", "d5"), 0);
}

TEST(See, RooksDoubledOnTheRankCountAsTwo)
{
    EXPECT_EQ(Exchange("4k3/8/8/r2r1R1R/8/8/8/4K3 w - - 0 1", "f5", "d5"), 5000);
    EXPECT_EQ(Exchange("4k3/8/8/r2r1R2/8/8/8/4K3 w - - 0 1", "f5", "d5"), 0);
}

TEST(See, KingRecaptureIntoAnXrayDoesNotOverflow)
{
    // Qd3xd5, Ke6 may not take back because of the rook on d1: the gains pass 1000000.
    EXPECT_EQ(Exchange("8/8/4k3/3p4/8/3Q4/8/3R2K1 w - - 0 1", "d3", "d5"), 800);
    EXPECT_EQ(Exchange("8/8/4k3/3p4/8/3Q4/8/6K1 w - - 0 1", "d3", "d5"), 800 - 9750);
}

TEST(See, SquareAttacksDefencesFindsBothColours)
{
    ChessBoard b = EvalBoard("4k3/8/2p5/3p4/4P3/8/8/3QK3 w - - 0 1");
    see.Board = &b;
    EXPECT_EQ(see.SquareAttacksDefences(At("d5")), At("c6") | At("e4") | At("d1"));
    EXPECT_EQ(see.LVP(0, At("e4") | At("d1")), 28);
    EXPECT_EQ(see.LVP(1, At("e4") | At("d1")), -1);
}

TEST(See, AgreesWithASwapOffOnRealBoards)
{
    std::mt19937 rng(5);
    int compared = 0;
    for (int game = 0; game < 40; game++) {
        SetupBoard("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 1");
        ChessBoard b = MainBoard;
        PrepareForEval(b);
        for (int ply = 0; ply < 100; ply++) {
            for (const TestMove& mv : LegalMoves(b)) {
                if (!(mv.to & b.AllPieces)) continue;
                const int from = __builtin_ctzll(mv.from), t = __builtin_ctzll(mv.to);
                const char colour = (mv.to & b.WhitePieces) ? 0 : 1;
                ASSERT_EQ(see.StaticExchangeEvaluation(colour, mv.from, mv.to, &b),
                          ReferenceSee(b, from, t))
                    << "from " << from << " to " << t;
                compared++;
            }
            if (!PlayRandomMove(b, rng)) break;
        }
    }
    EXPECT_GT(compared, 1000);
}
