// The evaluation terms one by one, on positions worked out by hand.

#include <gtest/gtest.h>

#include "eval/eval_fixture.h"

namespace {

// Runs a full evaluation of b (filling the attack maps, king squares and pawn fields that the
// terms read) and empties the two accumulators.
void Prime(ChessBoard& b, char side = 0)
{
    const int attempts = Phashattempts;
    FullEval(b, side);
    ASSERT_EQ(Phashattempts, attempts + 1) << "the position took a shortcut";
    PE.MiddleGameScore = PE.EndingScore = 0;
}

}  // namespace

// A term evaluated for White on a position worked out by hand: what it returns and what it adds
// to the middle-game and ending accumulators.
struct TermCase {
    const char* fen;
    int (PositionEvaluate::*term)(char);
    int returned, middleGame, ending;
};

const TermCase kTerms[] = {
    // Na1 hemmed in by its own pawns on b3 and c2: MG -400 - 160, EG -250 - 160.
    {"4k3/8/8/8/8/1P6/2P5/N3K3 w - - 0 1", &PositionEvaluate::KnightEval, 0, -560, -410},
    // Nd5: square 80, post 120, eight moves 112 (MG 312); ending 150 + 112 = 262.
    // (Pawns on a7 and h2 keep the position out of the pawnless shortcut.)
    {"4k3/p7/8/3N4/8/8/7P/4K3 w - - 0 1", &PositionEvaluate::KnightEval, 0, 312, 262},
    // A Black pawn on e6 attacks d5: the post is gone.
    {"4k3/p7/4p3/3N4/8/8/7P/4K3 w - - 0 1", &PositionEvaluate::KnightEval, 0, 192, 262},
    // Bc1 and Bf1 reach seven squares each (290); squares -200 each, ending -120 each; the pair
    // is returned.
    {"4k3/8/8/8/8/8/8/2B1KB2 w - - 0 1", &PositionEvaluate::BishopEval, 500, 2 * (-200 + 290),
     2 * (-120 + 290)},
    // Fianchetto: Bg2 behind g3 with f2 and h2: square 25, nine squares (f1 h1 h3 f3..a8) 330,
    // +200.
    {"4k3/8/8/8/8/6P1/5PBP/4K3 w - - 0 1", &PositionEvaluate::BishopEval, 0, 25 + 330 + 200,
     -50 + 330},
    // Ra1: a2..a8 and b1..d1, ten squares (175); the open file adds 320 and 140 to the
    // accumulators but not to the result.
    {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", &PositionEvaluate::RookEval, 0, 175 + 320, 2 * 175 + 140},
    // Black pawn a7 (a Black passer above the rook, so no bonus): a2..a7, b1..d1 = 9 (175);
    // the file has no White pawn: +50 returned.
    {"4k3/p7/8/8/8/8/8/R3K3 w - - 0 1", &PositionEvaluate::RookEval, 50, 175, 350},
    // White passer a5 in front of the rook: a2..a4, b1..d1 = 6 (170), +37 and +75.
    {"4k3/8/8/P7/8/8/8/R3K3 w - - 0 1", &PositionEvaluate::RookEval, 0, 170 + 37, 340 + 75},
    // Qe6 reaches e7 f7 d7 d6 f6 g6 h6 (seven: 270); all but h6 are covered by Black: one safe
    // square costs 3250 in the ending only.
    {"4k3/3ppp2/2P1Q3/3PPP2/8/8/8/K7 w - - 0 1", &PositionEvaluate::QueenEval, 0, 270, 540 - 3250},
    // A pawn on g7 covers h6 as well: no safe square, -6500.
    {"4k3/3pppp1/2P1Q3/3PPP2/8/8/8/K7 w - - 0 1", &PositionEvaluate::QueenEval, 0, 270, 540 - 6500},
    // a7 with kings c1 and h1. Ws: square 0, isolated -50 then passed +50; Bs -30: 30.
    // MG -90 (isolated). EG -90 + 184 * (7 - 7) + (184 * (7 - 6)) / 2 + 1100 = 1102.
    {"8/P7/8/8/8/8/8/2K4k w - - 0 1", &PositionEvaluate::PawnEval04, 30, -90, 1102},
    // d5, isolated and passed: 152 - 10 (d-file) - 50 (no Black pawn on the file) + 50
    // (passed); Bs -30: 172. MG -110 + 60 (centre); EG -110 + 81 * (3 - 7) + (81 * (7 - 4)) / 2.
    {"4k3/8/8/3P4/8/8/8/4K3 w - - 0 1", &PositionEvaluate::PawnEval04, 172, -50, -313},
    // b2 with the king on g1: no -5 edge rule; isolated on the b-file: MG -100.
    // EG -100 + 17 * (6 - 7) + (17 * (7 - 5)) / 2 = -100.
    {"4k3/8/8/8/8/8/1P6/6K1 w - - 0 1", &PositionEvaluate::PawnEval04, 30, -100, -100},
};

TEST(EvalTerms, HandWorkedPieceAndPawnTerms)
{
    for (const TermCase& c : kTerms) {
        ChessBoard b = EvalBoard(c.fen);
        Prime(b);
        EXPECT_EQ((PE.*c.term)(0), c.returned) << c.fen;
        EXPECT_EQ(PE.MiddleGameScore, c.middleGame) << c.fen;
        EXPECT_EQ(PE.EndingScore, c.ending) << c.fen;
    }
}

TEST(Traps, CornerKnightIsPenalisedOnce)
{
    ChessBoard b = EvalBoard("4k2N/5p1p/8/8/8/8/8/4K3 w - - 0 1");
    Prime(b);
    EXPECT_EQ(PE.Traps(0), -1219);
    ChessBoard m = MirrorBoard(b);
    Prime(m);
    EXPECT_EQ(PE.Traps(0), 1219);
}

TEST(Traps, ShutInBishopsArePenalisedOncePerPattern)
{
    // Bishops on a7 and b8 behind b6 and c7: one pattern, one penalty.
    ChessBoard b = EvalBoard("1B2k3/B1p5/1p6/8/8/8/8/4K3 w - - 0 1");
    Prime(b);
    EXPECT_EQ(PE.Traps(0), -1600);
}

TEST(Traps, RookShutInByItsKingOnlyAgainstHeavyPieces)
{
    ChessBoard b = EvalBoard("r5k1/8/8/8/8/8/5PPP/5KR1 w - - 0 1");
    Prime(b);
    EXPECT_EQ(PE.Traps(0), -1670);
    ChessBoard c = EvalBoard("6k1/8/8/8/8/8/5PPP/5KR1 w - - 0 1");
    Prime(c);
    EXPECT_EQ(PE.Traps(0), 0);
}

TEST(PawnEval, PasserOutsideTheKingsSquareScoresItsRankAndTheRace)
{
    // a7 with kings c1 and h1: Passers[6] 1100 + 150 (the king is out of the square).
    ChessBoard b = EvalBoard("8/P7/8/8/8/8/8/2K4k w - - 0 1");
    Prime(b);
    EXPECT_EQ(PE.WhitePasserScore, 1250);
}

TEST(PawnEval, DoubledPassersRecordTheAdvancedOneAtFifteenSixteenths)
{
    // a4 and a6: a6 recorded, two passers, one doubled pawn; 550 * 15 >> 4 = 515, +150.
    ChessBoard b = EvalBoard("8/8/P7/8/P7/8/8/2K4k w - - 0 1");
    Prime(b);
    EXPECT_EQ(PE.WhitePasserRanks[0], 5);
    EXPECT_EQ(PE.WhitePasserCount, 2);
    EXPECT_EQ(PE.WhiteDoubledPawns, 1);
    EXPECT_EQ(PE.WhitePasserScore, 515 + 150);
}

TEST(PawnEval, ConnectedPassersLookLeftFirst)
{
    // a3, b6, c5: b6 has a passer three ranks away on its left: Passers[5] = 550 (the
    // connected c5 on its right is not looked at); a3 sees b6 far on its right: Passers[2] = 80;
    // c5 sees b6 one rank away on its left: ConnectedPassers[4] = 320. All three outrun the
    // king on h1: 3 * 150.
    ChessBoard b = EvalBoard("8/8/1P6/2P5/8/P7/8/2K4k w - - 0 1");
    Prime(b);
    EXPECT_EQ(PE.WhitePasserScore, 550 + 80 + 320 + 450);
}

TEST(PawnEval, CandidateNeedsTheWholeFileFreeOfEnemyPawns)
{
    // c4 d4 against d6: c4 is a candidate (two helpers, one stopper): Passers[3] / 3 = 53.
    ChessBoard b = EvalBoard("4k3/8/3p4/8/2PP4/8/8/4K3 w - - 0 1");
    Prime(b);
    EXPECT_EQ(PE.WhitePasserScore, 53);
    // A Black pawn behind it on c2 spoils that.
    ChessBoard c = EvalBoard("4k3/8/3p4/8/2PP4/8/2p5/4K3 w - - 0 1");
    Prime(c);
    EXPECT_EQ(PE.WhitePasserScore, 0);
}

TEST(PawnEval, PhalanxCountsSquaresOfTwoChainsTwice)
{
    // d6 lies in two White chains: +40; e6 likewise: +40; f5: +20.
    ChessBoard b = EvalBoard("4k3/8/3PP3/5P2/8/8/8/4K3 w - - 0 1");
    Prime(b);
    EXPECT_EQ(PE.PawnPhalanx(), 100);
    ChessBoard m = MirrorBoard(b);
    Prime(m);
    EXPECT_EQ(PE.PawnPhalanx(), -100);
}

TEST(RuleofSquare, OnlyWhiteHasARunner)
{
    ChessBoard b = EvalBoard("7k/8/8/P7/8/8/8/1K6 w - - 0 1");
    Prime(b);
    EXPECT_EQ(PE.RuleofSquare(0), 5700);
}

TEST(RuleofSquare, StartingRankCountsSixMovesInTheRace)
{
    // a2 (six moves by the literal count) against h6 (five): Black queens first.
    ChessBoard b = EvalBoard("K6k/8/7p/8/8/8/P7/8 w - - 0 1");
    Prime(b);
    EXPECT_EQ(PE.RuleofSquare(0), -5700);
}

TEST(DoesPawnPromote, StartingRankPawnIsFiveMovesFromPromotion)
{
    // Black king g8 is six squares from a8: caught only when Black is to move.
    ChessBoard b = EvalBoard("6k1/8/8/8/8/8/P7/K7 w - - 0 1");
    Prime(b);
    EXPECT_TRUE(PE.DoesPawnPromote(0, 1, 56, 0));
    EXPECT_FALSE(PE.DoesPawnPromote(0, 1, 56, 1));
    ChessBoard c = EvalBoard("7k/8/8/8/8/8/P7/K7 w - - 0 1");
    Prime(c);
    EXPECT_TRUE(PE.DoesPawnPromote(0, 1, 56, 1));
}

TEST(PawnShield, ExamplesOfTheKingSideShelter)
{
    struct Case {
        const char* fen;
        int penalty, holes;
    } cases[] = {
        {"6k1/8/8/8/8/8/5PPP/6K1 w - - 0 1", 0, 0},      // f2 g2 h2
        {"6k1/8/8/8/8/8/5PNP/6K1 w - - 0 1", 350, 1},    // open g-file plugged by a knight
        {"6k1/8/8/6P1/8/8/5P1P/6K1 w - - 0 1", 210, 1},  // g5: (5 - 2) * 35, doubled
        {"6k1/8/8/8/8/8/PPP5/K7 w - - 0 1", 0, 0},       // a-file king: a, b and c
        {"6k1/8/8/8/8/8/PP6/K7 w - - 0 1", 350, 1},      // ... and the c-file is open
    };
    for (const Case& c : cases) {
        ChessBoard b = EvalBoard(c.fen);
        Prime(b);
        EXPECT_EQ(PE.PawnShield(0), c.penalty) << c.fen;
        EXPECT_EQ(PE.WhiteShieldHoles, c.holes) << c.fen;
        ChessBoard m = MirrorBoard(b);
        Prime(m, 1);
        EXPECT_EQ(PE.PawnShield(1), c.penalty) << c.fen;
        EXPECT_EQ(PE.BlackShieldHoles, c.holes) << c.fen;
    }
}

TEST(BitBoardRank, RanksOfSingleSquares)
{
    EXPECT_EQ(PE.BitBoardRank(u64{1}), 1);
    EXPECT_EQ(PE.BitBoardRank(u64{1} << 28), 4);
    EXPECT_EQ(PE.BitBoardRank(u64{1} << 63), 8);
    EXPECT_EQ(PE.BitBoardRank(0), 1);
}

TEST(PawnStorm, PawnsOnTheEnemyKingsWing)
{
    // Black king g8: f5 300, g4 100, h6 600; a5 is off the wing.
    ChessBoard b = EvalBoard("6k1/8/7P/P4P2/6P1/8/8/4K3 w - - 0 1");
    Prime(b);
    EXPECT_EQ(PE.PawnStorm(0), 1000);
    // A king in the corner still has three files: h8 takes f, g and h.
    ChessBoard c = EvalBoard("7k/8/8/5P2/8/8/8/4K3 w - - 0 1");
    Prime(c);
    EXPECT_EQ(PE.PawnStorm(0), 300);
}

TEST(AttackCounts, OneAttackerKindLeavesTheFileAndDiagonalTerms)
{
    // Kg1 behind f2 g2 h2 (no hole); Qb7 hits g2 only (one kind): step 3 gives 0.
    // No Black heavy piece on f-h: 30 * (0 - 1) * 1 = -30; queen on the g2-b7 diagonal: +10.
    ChessBoard b = EvalBoard("4r1k1/1q6/8/8/8/8/5PPP/6K1 w - - 0 1");
    Prime(b);
    PE.PawnShield(0);
    EXPECT_EQ(PE.AttackCounts(0), -20);
}

TEST(AttackCounts, TwoAttackerKindsAgainstAHoledShelter)
{
    // Kg1, Rf1, f2 h2 (g-file open: one hole); Ne3 hits f1 g2, Qb7 hits g2 h1.
    // N = 2, W = 1 + 4, A = 3: (45 + 625) * 2 = 1340, * 2 / 4 = 670.
    // E = 1 + 1 + 2 = 4: +20. Nothing on f-h: 0. No heavy piece there: 30 * -1 * 2 = -60.
    // Queen on the diagonal: +10 * 1 * 2 = 20. Total 650; the rook defends: -100.
    ChessBoard b = EvalBoard("4r1k1/1q6/8/8/8/4n3/5P1P/5RK1 w - - 0 1");
    Prime(b);
    EXPECT_EQ(PE.PawnShield(0), 700);
    EXPECT_EQ(PE.AttackCounts(0), 550);
    ChessBoard m = MirrorBoard(b);
    Prime(m);
    PE.PawnShield(1);
    EXPECT_EQ(PE.AttackCounts(1), 550);
}

TEST(KingEval, MopUpWantsTheKingsClose)
{
    // Kd4 and Ra1 against Kd8: -80 * 4.
    ChessBoard b = EvalBoard("3k4/8/8/8/3K4/8/8/R7 w - - 0 1");
    Prime(b);
    EXPECT_EQ(PE.KingEval(0), -320);
    EXPECT_EQ(PE.MiddleGameScore, -400 - (-210));
    EXPECT_EQ(PE.EndingScore, 80 - (-50));
}

TEST(PawnHash, EmptiedTableMissesEvenAPawnlessKeyOfZero)
{
    ChessBoard b = EvalBoard("3k4/8/8/8/3K4/8/8/R7 w - - 0 1");
    b.PawnHashCode = 0;
    ClearPawnHash();
    const int misses = Phashmisses;
    const int v = FullEval(b, 0);
    EXPECT_EQ(Phashmisses, misses + 1);
    EXPECT_EQ(FullEval(b, 0), v);
    EXPECT_EQ(Phashmisses, misses + 1);
}

TEST(PawnHash, SamePawnsWithAnotherKingSquareDoNotShareAnEntry)
{
    ChessBoard a = EvalBoard("4k3/8/8/3P4/8/8/8/4K3 w - - 0 1");
    ChessBoard b = EvalBoard("4k3/8/8/3P4/8/8/8/3K4 w - - 0 1");
    ASSERT_NE(a.PawnHashCode, b.PawnHashCode);
    ClearPawnHash();
    FullEval(a, 0);
    const int misses = Phashmisses;
    const int v = FullEval(b, 0);
    EXPECT_EQ(Phashmisses, misses + 1);
    ClearPawnHash();
    EXPECT_EQ(FullEval(b, 0), v);
}

TEST(PawnHash, SlotSharedByTwoKeysKeepsTheLatest)
{
    ChessBoard a = EvalBoard("4k3/8/8/3P4/8/8/8/4K3 w - - 0 1");
    ChessBoard b = EvalBoard("4k3/8/8/4P3/8/8/8/4K3 w - - 0 1");
    a.PawnHashCode = 0x00010005u;
    b.PawnHashCode = 0x00020005u;
    ClearPawnHash();
    const int misses = Phashmisses;
    const int va = FullEval(a, 0);
    EXPECT_TRUE(InPawnHash(a.PawnHashCode, a.WhitePawns | a.BlackPawns));
    FullEval(b, 0);
    EXPECT_FALSE(InPawnHash(a.PawnHashCode, a.WhitePawns | a.BlackPawns));
    EXPECT_EQ(FullEval(a, 0), va);
    EXPECT_EQ(Phashmisses, misses + 3);
}

TEST(DynamicPieceAdjustments, LoneMinorAgainstPawnsAndDoubledPawns)
{
    // A lone White bishop cannot win against pawns: -750.
    ChessBoard b = EvalBoard("4k3/pp6/8/8/8/8/8/2B1K3 w - - 0 1");
    Prime(b);
    EXPECT_EQ(PE.DynamicPieceAdjustments(PE.Phase), -750);
    // One White doubled pawn with one rook and no queen: -125; with no heavy piece: -190.
    ChessBoard c = EvalBoard("4k3/7p/8/8/8/P7/P7/R3K3 w - - 0 1");
    Prime(c);
    EXPECT_EQ(PE.DynamicPieceAdjustments(PE.Phase), -125);
    ChessBoard d = EvalBoard("4k3/7p/8/8/8/P7/P7/4K3 w - - 0 1");
    Prime(d);
    EXPECT_EQ(PE.DynamicPieceAdjustments(PE.Phase), -190);
}

TEST(PawnHash, NoPawnlessPositionHasTheKeyOfAnEmptySlot)
{
    // The table is all zero at program start, before any ClearPawnHash; a pawnless position
    // (key = the two king keys) with key 0 would find slot 0 "filled". No king pair gives it.
    for (int w = 0; w < 64; w++)
        for (int k = 0; k < 64; k++)
            ASSERT_NE(PawnKey(WKING, w) ^ PawnKey(BKING, k), 0u) << w << " " << k;
}
