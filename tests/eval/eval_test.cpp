// The evaluation: colour symmetry over random games, the pawn hash against recomputation, and
// whole evaluations worked out by hand.

#include <gtest/gtest.h>

#include "common/reference.h"
#include "eval/poseval.h"
#include "movegen/see.h"

namespace {

// Counts, pawn key and the mating-material flags brought up to date, as the search has them.
ChessBoard Ready(ChessBoard b)
{
    b.RecountAll();
    b.FiftyMoveCount = 0;
    b.CheckDraw(0);
    return b;
}

int Eval(ChessBoard &b, char side, int alpha = -110000, int beta = 110000)
{
    return PE.PosEval(side, alpha, beta, &b, 0);
}

// Ranks flipped and colours swapped: the same position seen from the other side.
ChessBoard Mirror(const ChessBoard &b)
{
    auto f = [](u64 x) { return __builtin_bswap64(x); };
    ChessBoard m = b;
    m.WhitePawns = f(b.BlackPawns), m.BlackPawns = f(b.WhitePawns);
    m.WhiteKnights = f(b.BlackKnights), m.BlackKnights = f(b.WhiteKnights);
    m.WhiteBishops = f(b.BlackBishops), m.BlackBishops = f(b.WhiteBishops);
    m.WhiteRooks = f(b.BlackRooks), m.BlackRooks = f(b.WhiteRooks);
    m.WhiteQueens = f(b.BlackQueens), m.BlackQueens = f(b.WhiteQueens);
    m.WhiteKing = f(b.BlackKing), m.BlackKing = f(b.WhiteKing);
    m.WhitePieces = f(b.BlackPieces), m.BlackPieces = f(b.WhitePieces),
    m.AllPieces = f(b.AllPieces);
    m.SideToMove = static_cast<char>(!b.SideToMove);
    m.CastleFlags = static_cast<char>(((b.CastleFlags & 3) << 2) | ((b.CastleFlags >> 2) & 3));
    m.LastFrom = f(b.LastFrom), m.LastTo = f(b.LastTo);
    return Ready(m);
}

const char *const POSITIONS[] = {
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 0",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - 0 0",
    "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - - 0 0",
    "2r2rk1/1bqnbpp1/1p1ppn1p/pP6/N1P1P3/P2B1N1P/1B2QPP1/R2R2K1 b - - 0 0",
    "8/2k5/8/1P1P4/8/8/5p2/4K3 w - - 0 1",
    "6k1/5ppp/8/8/8/8/1b3PPP/1B4K1 w - - 0 1",
    "2kr3r/ppp2ppp/2n5/8/8/2N5/PPP2PPP/2KR3R w - - 0 1",
    "8/p7/P7/8/k7/8/8/K7 w - - 0 1",
    "r1b1k2r/ppppnppp/2n2q2/2b5/3NP3/2P1B3/PP3PPP/RN1QKB1R w KQkq - 0 1",
};

// White's view of a position equals Black's view of its mirror, for the full window and for a
// narrow window that may end the evaluation early.
TEST(EvalSymmetry, MirroredPositionsScoreAlikeInRandomGames)
{
    std::mt19937 rng(2024);
    int positions = 0;
    auto check = [&](const ChessBoard &board) {
        ChessBoard b = Ready(board), m = Mirror(b);
        const int white = Eval(b, 0);
        EXPECT_EQ(white, Eval(m, 1));
        EXPECT_EQ(Eval(b, 1), Eval(m, 0));
        const int centre = static_cast<int>(rng() % 6001) - 3000 + white;
        const int alpha = centre - static_cast<int>(rng() % 3000), beta = centre + 1;
        EXPECT_EQ(Eval(b, 0, alpha, beta), Eval(m, 1, alpha, beta));
        positions++;
    };
    for (const char *fen : POSITIONS)
        check(ref::FromFen(fen).board);
    ref::RandomGames(8, 160, [&](const ref::Position &p, const ref::Move *) {
        check(p.board);
        return !HasFailure();
    });
    EXPECT_GT(positions, 3000);
}

// The stored structure gives the score a fresh computation gives under another key.
TEST(PawnHash, StoredStructureMatchesRecomputation)
{
    PE.ClearPawnHash();
    int recomputed = 0;
    ref::RandomGames(4, 120, [&](const ref::Position &p, const ref::Move *) {
        ChessBoard b = Ready(p.board);
        for (char side : {char(0), char(1)}) {
            const int first = Eval(b, side);
            EXPECT_EQ(Eval(b, side), first);
            ChessBoard fresh = b;
            fresh.PawnHashCode ^= side ? 0x7f4a7c15u : 0x9e3779b9u;
            const int misses = PE.PawnMisses;
            EXPECT_EQ(Eval(fresh, side), first);
            recomputed += PE.PawnMisses - misses;
        }
        return !HasFailure();
    });
    EXPECT_GT(recomputed, 1000);
}

// White Kd4, Ra1 against Kd8: material 5000; king squares MG -400 - (-210), EG 80 - (-50),
// mop-up -80 * 4; phase 22 blends to 103; undefended kings and rook -100 + 50; the rook's 14
// squares (MG 180, EG 360) and open file (320, 140) blend to 500; mating material +800; the
// total 6033 is rounded down to tens.
// White Kb1, Pa5 against Kh8: the pawn 800 + 200, the unstoppable passer and the race +5700,
// structure and kings worked the same way, mating material +800: 8459, rounded 8450.
TEST(PosEval, WholeEvaluationsWorkedByHand)
{
    const struct {
        const char *fen;
        int white;
    } cases[] = {
        {"3k4/8/8/8/3K4/8/8/R7 w - - 0 1", 6030},
        {"7k/8/8/P7/8/8/8/1K6 w - - 0 1", 8450},
        {"k7/8/8/8/8/2K5/8/8 w - - 0 1", 262},       // bare kings: the ending table difference
        {"k5nn/8/8/8/4K3/8/8/2B5 w - - 0 1", -2107}, // B against NN: three quarters of -3250
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0},
    };
    for (const auto &c : cases) {
        ChessBoard b = Ready(ref::FromFen(c.fen).board);
        EXPECT_EQ(Eval(b, 0), c.white) << c.fen;
        EXPECT_EQ(Eval(b, 1), -c.white) << c.fen;
    }
}

// Chess960 start position 0 (BBQNNRKR): the king on g1 shuts in the h1 rook behind its pawns
// only once castling can no longer free it. With every right the position is level; a side
// without its rights carries the trapped-rook penalty, 1670 in both phases.
TEST(PosEval, CastlingFreesTheRookBesideTheKing)
{
    ChessBoard b =
        Ready(ref::FromFen("bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w HFhf - 0 1").board);
    const struct {
        char castle;
        int white;
    } cases[] = {{15, 0}, {12, -1670}, {3, 1670}, {WQSIDE | BKSIDE | BQSIDE, -1670}, {0, 0}};
    for (const auto &c : cases)
        EXPECT_EQ(PE.PosEval(0, -110000, 110000, &b, c.castle), c.white) << int(c.castle);
}

// Overlapping piece sets, missing or extra kings, pawns on the first and last ranks and counts
// that disagree with the bitboards: nothing may read past a table or overflow (the sanitizer
// build watches), and the score stays finite.
TEST(PosEval, ArbitraryBitboardsEvaluateWithoutFault)
{
    std::mt19937_64 rng(31);
    for (int i = 0; i < 3000; i++) {
        ChessBoard b = ref::FromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1").board;
        for (auto *s : {&b.WhitePawns, &b.WhiteBishops, &b.WhiteKnights, &b.WhiteRooks,
                        &b.WhiteQueens, &b.WhiteKing, &b.BlackPawns, &b.BlackBishops,
                        &b.BlackKnights, &b.BlackRooks, &b.BlackQueens, &b.BlackKing})
            *s = rng() & rng() & (i % 3 ? rng() : ~u64{0});
        b.WhitePieces = b.WhitePawns | b.WhiteBishops | b.WhiteKnights | b.WhiteRooks |
                        b.WhiteQueens | b.WhiteKing;
        b.BlackPieces = b.BlackPawns | b.BlackBishops | b.BlackKnights | b.BlackRooks |
                        b.BlackQueens | b.BlackKing;
        b.AllPieces = b.WhitePieces | b.BlackPieces;
        if (i % 2)
            b = Ready(b);
        else
            b.PawnHashCode = static_cast<u32>(rng());
        const int v = Eval(b, static_cast<char>(i & 1), static_cast<int>(rng() % 220001) - 110000);
        EXPECT_LE(std::abs(v), 10000000);
        see.StaticExchangeEvaluation(static_cast<char>(rng() & 1), u64{1} << (rng() % 64),
                                     u64{1} << (rng() % 64), &b);
    }
}

} // namespace
