// Whole evaluations worked out by hand, the shortcuts and lazy exits, and the display line.

#include <gtest/gtest.h>

#include "core/status.h"
#include "shell/reports.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "common/process.h"
#include "eval/eval_fixture.h"
#include "movegen/see.h"

namespace {

// Everything a function prints on standard output.
template <typename F>
std::string CaptureStdout(F f)
{
    std::fflush(stdout);
    char name[] = "/tmp/vorn_eval_XXXXXX";
    const int fd = mkstemp(name);
    std::FILE* tmp = fdopen(fd, "w+");
    const int saved = dup(1);
    dup2(fd, 1);
    f();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    std::string text;
    std::rewind(tmp);
    for (int c; (c = std::fgetc(tmp)) != EOF;) text += static_cast<char>(c);
    std::fclose(tmp);
    std::remove(name);
    return text;
}

}  // namespace

TEST(PosEval, BareKingsTakeTheEndingTableDifference)
{
    // Pawnless, equal material: KingEnding[c3] - KingEnding[a8] = 12 - (-250) = 262, unrounded.
    ChessBoard b = EvalBoard("k7/8/8/8/8/2K5/8/8 w - - 0 1");
    EXPECT_EQ(FullEval(b, 0), 262);
    EXPECT_EQ(FullEval(b, 1), -262);
}

TEST(PosEval, BishopAgainstTwoKnightsKeepsThreeQuartersOfTheBalance)
{
    // B = (1 - 2) * 3250 = -3250; kings e4 (80) and a8 (-250).
    // White: 80 - (-250) + (3 * -3250) / 4 = 330 - 2437 = -2107. Black: -330 + 2437 = 2107.
    ChessBoard b = EvalBoard("k5nn/8/8/8/4K3/8/8/2B5 w - - 0 1");
    EXPECT_EQ(FullEval(b, 0), -2107);
    EXPECT_EQ(FullEval(b, 1), 2107);
}

TEST(PosEval, TwoBishopsAgainstKnightTakeTheFullEvaluation)
{
    // The shortcut would not look at the pawn structure; the full evaluation does.
    ChessBoard b = EvalBoard("k6n/8/8/8/4K3/8/8/2B2B2 w - - 0 1");
    const int attempts = Phashattempts;
    const int v = FullEval(b, 0);
    EXPECT_EQ(Phashattempts, attempts + 1);
    EXPECT_EQ(v % 10, 0);
    // With a knight more instead the shortcut answers: no pawn evaluation.
    ChessBoard n = EvalBoard("k6n/8/8/8/4K3/8/8/2B2N2 w - - 0 1");
    FullEval(n, 0);
    EXPECT_EQ(Phashattempts, attempts + 1);
}

// White Kd4, Ra1 against Kd8, worked through every step:
//  1. B = 5000; pieces 1 and 0.         4. Phase = 24 - 2 = 22.       5. score = 5000.
//  6. no pawns: Ws = Bs = -30, passers 0: +0.
//  7. MG += WKingSquare[d4] - BKingSquare[d8] = -400 - (-210) = -190;
//     EG += KingEnding[d4] - KingEnding[d8] = 80 - (-50) = 130; mop-up -80 * 4 = -320: 4680.
//  8. (22 * 130 + 2 * -190) / 24 = 2480 / 24 = 103: 4783.
// 10-17. no pawn race (a rook is on the board), no bishops, traps, attacking force, rooks on
//     the seventh (Majorson7[0] = 0) or adjustments: 4783.
// 20. no minor or rook attack on d4 e4 d5 e5: MG = 0.
// 21. Kd4 and Ra1 undefended -100, Kd8 undefended +50: 4733.
// 22. rook a1: 14 squares, RookMobility[14] = 180 -> MG 180, EG 360; open a-file MG 320, EG 140.
// 23. (22 * 500 + 2 * 500) / 24 = 500: 5233.   24. White can mate: +800 = 6033.   27. 6030.
TEST(PosEval, RookAgainstBareKingWorkedByHand)
{
    ChessBoard b = EvalBoard("3k4/8/8/8/3K4/8/8/R7 w - - 0 1");
    EXPECT_EQ(FullEval(b, 0), 6030);
    EXPECT_EQ(PE.Phase, 22);
    EXPECT_EQ(FullEval(b, 1), -6030);
}

// White Kb1, Pa5 against Kh8; Phase 24:
//  5. score = 800 + (200 * 24) / 24 = 1000.
//  6. a5: square 0; isolated (mg, eg -90; no Black pawn on the file -50), passed (+50): Ws = 0;
//     Bs = -30 (no pawns): +30. Passer table Passers[4] = 270; the Black king (distance 7 from
//     a8) cannot catch it: +150 = 420. Proximity k = 81: 81 * (7 - 7) + (81 * (7 - 4)) / 2 = 121.
//     MG = -90 + 420 * 13 / 10 = 456; EG = -90 + 121 + 420 * 19 / 10 = 829. score 1030.
//  7. MG += 210 - 180 = 30 -> 486; EG += -150 - (-250) = 100 -> 929.
//  8. (24 * 929) / 24 = 929: 1959.   10. only White has a runner: +5700 = 7659.
// 21. both kings undefended: -50 + 50.   24. only White can mate: +800 = 8459.   27. 8450.
TEST(PosEval, UnstoppablePawnWorkedByHand)
{
    ChessBoard b = EvalBoard("7k/8/8/P7/8/8/8/1K6 w - - 0 1");
    EXPECT_EQ(FullEval(b, 0), 8450);
    EXPECT_EQ(FullEval(b, 1), -8450);
}

TEST(PosEval, StartPositionIsBalancedAtPhaseOne)
{
    ChessBoard b = EvalBoard("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(FullEval(b, 0), 0);
    EXPECT_EQ(PE.Phase, 1);  // 24 - 24 = 0, raised to 1
}

TEST(PosEval, FirstLazyExitReturnsThePartialScoreUnrounded)
{
    // The rook ending above stands at 4783 after the first blend (step 9).
    ChessBoard b = EvalBoard("3k4/8/8/8/3K4/8/8/R7 w - - 0 1");
    EXPECT_EQ(PE.PosEval(0, 4783 + 6001, 110000, &b, 0), 4783);
    EXPECT_EQ(PE.PosEval(0, -110000, 4783 - 6001, &b, 0), 4783);
    EXPECT_EQ(PE.PosEval(1, -4783 + 6001, 110000, &b, 0), -4783);
}

TEST(PosEval, SecondLazyExitComesAfterThePawnRace)
{
    // The pawn ending stands at 1959 after step 9 and 7659 after step 16.
    ChessBoard b = EvalBoard("7k/8/8/P7/8/8/8/1K6 w - - 0 1");
    EXPECT_EQ(PE.PosEval(0, -110000, 7659 - 2001, &b, 0), 7659);
    EXPECT_EQ(PE.PosEval(0, -110000, 7659 - 2000, &b, 0), 8450);
    // A window far above the first partial score stops at step 9 already; on the margin
    // itself the evaluation goes on, and 7659 is then near enough to go on to the end.
    EXPECT_EQ(PE.PosEval(0, 1959 + 6001, 110000, &b, 0), 1959);
    EXPECT_EQ(PE.PosEval(0, 1959 + 6000, 110000, &b, 0), 8450);
}

TEST(PosEval, ExtremeMaterialExitsLazilyEvenWithTheFullWindow)
{
    // Thirteen queens (nine are not enough: 87750 stays within the margin of the window).
    // Phase 1. Kings c3 and a8: MG = -100 - 180 = -280, EG = 12 + 250 = 262,
    // blend (262 + 23 * -280) / 24 = -6178 / 24 = -257; mop-up -80 * 5 = -400.
    // s = 13 * 9750 - 400 - 257 = 126093 > 110000 + 6000: returned unrounded.
    ChessBoard b = EvalBoard("k7/8/QQQQQQQQ/QQQQQ3/8/2K5/8/8 w - - 0 1");
    EXPECT_EQ(FullEval(b, 0), 126093);
    EXPECT_EQ(FullEval(b, 1), -126093);
}

TEST(PosEval, FullEvaluationsAreMultiplesOfTen)
{
    const char* fens[] = {
        "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
        "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 1",
        "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - - 0 1",
    };
    for (const char* fen : fens) {
        ChessBoard b = EvalBoard(fen);
        EXPECT_EQ(FullEval(b, 0) % 10, 0) << fen;
        EXPECT_EQ(FullEval(b, 1), -FullEval(b, 0)) << fen;
    }
}

TEST(MaterialOnly, CountsPiecesAndPawnsAtFixedValues)
{
    ChessBoard b = EvalBoard("r3k3/pp6/8/8/8/8/PPP5/1N1QK3 w - - 0 1");
    // White Q + N + 3P = 9750 + 3250 + 2400; Black R + 2P = 5000 + 1600.
    EXPECT_EQ(PE.MaterialOnly(0, 0, b), 15400 - 6600);
    EXPECT_EQ(PE.MaterialOnly(1, 0, b), 6600 - 15400);
    EXPECT_EQ(PE.SideMaterialValue(0, &b), 13000);
    EXPECT_EQ(PE.SideMaterialValue(1, &b), 5000);
}

TEST(Display, EvaluationLineShowsTheTrueEvaluationForWhite)
{
    // Stale counts, key and flags on the displayed board do not matter; Black to move neither.
    ChessBoard b = EvalBoard("3k4/8/8/8/3K4/8/8/R7 b - - 0 1");
    ChessBoard stale = b;
    stale.WhiteRookCount = 0;
    stale.PawnHashCode = 12345;
    stale.MatingMaterialFlag = 0;
    const std::string text = CaptureStdout([&] { ShowBoard(stale); });
    EXPECT_NE(text.find("   A B C D E F G H\n\n PosEval from White view 6030\n"), std::string::npos)
        << text;
    MainStatus.PEV = 1;
    const std::string quiet = CaptureStdout([&] { ShowBoard(stale); });
    MainStatus.PEV = 0;
    EXPECT_EQ(quiet.find("PosEval"), std::string::npos);
}

TEST(Display, BinaryShowsTheStartPositionEvaluation)
{
    ChessBoard start = EvalBoard("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    const std::string line =
        "\n PosEval from White view " + std::to_string(FullEval(start, 0)) + "\n";
    const RunResult r = RunVorn({}, "quit\n", 20000);
    EXPECT_NE(r.output.find("   A B C D E F G H\n" + line), std::string::npos) << r.output;
}

TEST(PosEval, ArbitraryBitboardsEvaluateWithoutFault)
{
    // Overlapping piece sets, missing or extra kings, pawns on the first and last ranks,
    // counts that disagree with the bitboards: nothing may index past a table or overflow.
    std::mt19937_64 rng(31);
    for (int i = 0; i < 3000; i++) {
        ChessBoard b = EvalBoard("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
        u64* sets[12] = {&b.WhitePawns, &b.WhiteBishops, &b.WhiteKnights, &b.WhiteRooks,
                         &b.WhiteQueens, &b.WhiteKing, &b.BlackPawns, &b.BlackBishops,
                         &b.BlackKnights, &b.BlackRooks, &b.BlackQueens, &b.BlackKing};
        for (u64* s : sets) *s = rng() & rng() & (i % 3 ? rng() : ~u64{0});
        b.WhitePieces = b.WhitePawns | b.WhiteBishops | b.WhiteKnights | b.WhiteRooks |
                        b.WhiteQueens | b.WhiteKing;
        b.BlackPieces = b.BlackPawns | b.BlackBishops | b.BlackKnights | b.BlackRooks |
                        b.BlackQueens | b.BlackKing;
        b.AllPieces = b.WhitePieces | b.BlackPieces;
        if (i % 2) PrepareForEval(b);
        else b.PawnHashCode = static_cast<u32>(rng());
        const int alpha = static_cast<int>(rng() % 220001) - 110000;
        const int v = PE.PosEval(static_cast<char>(i & 1), alpha, 110000, &b, 0);
        EXPECT_GE(v, -10000000);
        EXPECT_LE(v, 10000000);
        const u64 from = u64{1} << (rng() % 64), to = u64{1} << (rng() % 64);
        see.StaticExchangeEvaluation(static_cast<char>(rng() & 1), from, to, &b);
    }
}
