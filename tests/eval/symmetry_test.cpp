// Colour symmetry of the evaluation and the pawn hash against recomputation, over random games
// and a list of varied positions.

#include <gtest/gtest.h>

#include <random>

#include "eval/eval_fixture.h"

namespace {

const char* const kPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 0",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - 0 0",
    "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - - 0 0",
    "r3r1k1/ppqb1ppp/8/4p1NQ/8/2P5/PP3PPP/R3R1K1 b - - 0 0",
    "2r2rk1/1bqnbpp1/1p1ppn1p/pP6/N1P1P3/P2B1N1P/1B2QPP1/R2R2K1 b - - 0 0",
    "r1bqk2r/pp2bppp/2p5/3pP3/P2Q1P2/2N1B3/1PP3PP/R4RK1 b kq - 0 0",
    "8/2k5/8/1P1P4/8/8/5p2/4K3 w - - 0 1",
    "8/8/1k6/8/8/6K1/1B6/2b5 w - - 0 1",
    "6k1/5ppp/8/8/8/8/1b3PPP/1B4K1 w - - 0 1",
    "r4rk1/1b3ppp/pn6/1p6/4P3/1BN2N2/PP3PPP/R4RK1 w - - 0 1",
    "4k3/8/8/8/8/8/8/4K2R w K - 0 1",
    "2kr3r/ppp2ppp/2n5/8/8/2N5/PPP2PPP/2KR3R w - - 0 1",
    "8/5k2/8/8/8/8/2K5/1B1N4 w - - 0 1",
    "8/p7/P7/8/k7/8/8/K7 w - - 0 1",
    "r1b1k2r/ppppnppp/2n2q2/2b5/3NP3/2P1B3/PP3PPP/RN1QKB1R w KQkq - 0 1",
};

// White's view of a position equals Black's view of its mirror, for full and narrow windows.
void ExpectMirrorSymmetric(ChessBoard& b, std::mt19937& rng)
{
    ChessBoard m = MirrorBoard(b);
    const int white = FullEval(b, 0);
    const int black = FullEval(b, 1);
    ASSERT_EQ(white, FullEval(m, 1));
    ASSERT_EQ(black, FullEval(m, 0));
    // A window around a random centre may end the evaluation early; it must end alike.
    const int centre = static_cast<int>(rng() % 6001) - 3000 + white;
    const int alpha = centre - static_cast<int>(rng() % 3000), beta = centre + 1;
    ASSERT_EQ(PE.PosEval(0, alpha, beta, &b, 0), PE.PosEval(1, alpha, beta, &m, 0));
}

// The stored structure gives the score that a fresh computation gives.
void ExpectHashAgreesWithRecomputation(ChessBoard& b)
{
    for (char side = 0; side < 2; side++) {
        const int first = FullEval(b, side);
        ASSERT_TRUE(InPawnHash(b.PawnHashCode, b.WhitePawns | b.BlackPawns) ||
                    (b.WhitePawnCount == 0 && b.BlackPawnCount == 0));
        ASSERT_EQ(FullEval(b, side), first);  // a hit
        // Under another key the structure is computed anew (unless a repeated position of
        // the game stored that key already).
        ChessBoard fresh = b;
        fresh.PawnHashCode ^= side ? 0x7f4a7c15u : 0x9e3779b9u;
        const bool stored = InPawnHash(fresh.PawnHashCode, fresh.WhitePawns | fresh.BlackPawns);
        const int misses = Phashmisses;
        ASSERT_EQ(FullEval(fresh, side), first);
        ASSERT_TRUE(stored || Phashmisses == misses + 1 ||
                    (b.WhitePawnCount == 0 && b.BlackPawnCount == 0));
    }
}

}  // namespace

TEST(EvalSymmetry, MirroredPositionsScoreAlike)
{
    std::mt19937 rng(7);
    for (const char* fen : kPositions) {
        ChessBoard b = EvalBoard(fen);
        SCOPED_TRACE(fen);
        ExpectMirrorSymmetric(b, rng);
    }
}

TEST(EvalSymmetry, RandomGamesScoreAlikeWhenMirrored)
{
    std::mt19937 rng(2024);
    int positions = 0;
    for (int game = 0; game < 60; game++) {
        ChessBoard b = EvalBoard(kPositions[game % 7]);
        for (int ply = 0; ply < 160; ply++) {
            if (!PlayRandomMove(b, rng)) break;
            PrepareForEval(b);
            ASSERT_NO_FATAL_FAILURE(ExpectMirrorSymmetric(b, rng))
                << "game " << game << " ply " << ply;
            positions++;
        }
    }
    EXPECT_GT(positions, 3000);
}

TEST(PawnHash, StoredStructureMatchesRecomputation)
{
    std::mt19937 rng(99);
    ClearPawnHash();
    for (const char* fen : kPositions) {
        ChessBoard b = EvalBoard(fen);
        SCOPED_TRACE(fen);
        ExpectHashAgreesWithRecomputation(b);
    }
    for (int game = 0; game < 20; game++) {
        ChessBoard b = EvalBoard(kPositions[game % 7]);
        for (int ply = 0; ply < 120; ply++) {
            if (!PlayRandomMove(b, rng)) break;
            PrepareForEval(b);
            ASSERT_NO_FATAL_FAILURE(ExpectHashAgreesWithRecomputation(b));
        }
    }
    // A whole emptied table gives the same scores again.
    for (const char* fen : kPositions) {
        ChessBoard b = EvalBoard(fen);
        const int warm = FullEval(b, 0);
        ClearPawnHash();
        EXPECT_EQ(FullEval(b, 0), warm) << fen;
    }
}
