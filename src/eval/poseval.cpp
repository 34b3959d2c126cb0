#include "eval/poseval.h"

#include "eval/evalboard.h"

PositionEvaluate PE;

using namespace evalgeo;

namespace {

constexpr u64 Rank2 = RankOf(1), Rank7 = RankOf(6), Rank8 = RankOf(7);
constexpr u64 Centre = Bit(27) | Bit(28) | Bit(35) | Bit(36); // d4, e4, d5, e5
constexpr u64 FilesBtoG = ~(FileA | FileH);

// The blend of the two accumulators by phase, truncated toward zero.
inline int Blend(int phase, int ending, int middle)
{
    return (phase * ending + (24 - phase) * middle) / 24;
}

// Union of the slider attacks of every piece of a set; each piece's own set goes to on[square].
template <u64 (*Attacks)(int, u64)> inline u64 SliderSet(u64 pieces, u64 occ, u64 *on)
{
    u64 a = 0;
    for (; pieces; pieces &= pieces - 1) {
        const int s = LowestSquare(pieces);
        on[s] = Attacks(s, occ);
        a |= on[s];
    }
    return a;
}

// Union of the table entries of every square of a set: the same as shifting the whole set, in
// fewer steps for the one or two pieces a set holds.
inline u64 StepSet(u64 pieces, const u64 *table)
{
    u64 a = 0;
    for (; pieces; pieces &= pieces - 1)
        a |= table[LowestSquare(pieces)];
    return a;
}

} // namespace

void PositionEvaluate::AttackMasks()
{
    const ChessBoard &b = *Board;
    const u64 occ = b.AllPieces;
    WPawnAttacks = ((b.WhitePawns & ~FileH) << 9) | ((b.WhitePawns & ~FileA) << 7);
    BPawnAttacks = ((b.BlackPawns & ~FileH) >> 7) | ((b.BlackPawns & ~FileA) >> 9);
    WKnightAttacks = StepSet(b.WhiteKnights, KnightTable);
    BKnightAttacks = StepSet(b.BlackKnights, KnightTable);
    WBishopAttacks = SliderSet<BishopAttacksFrom>(b.WhiteBishops, occ, BishopAttacksOn);
    BBishopAttacks = SliderSet<BishopAttacksFrom>(b.BlackBishops, occ, BishopAttacksOn);
    WRookAttacks = SliderSet<RookAttacksFrom>(b.WhiteRooks, occ, RookAttacksOn);
    BRookAttacks = SliderSet<RookAttacksFrom>(b.BlackRooks, occ, RookAttacksOn);
    WQueenAttacks = SliderSet<QueenAttacksFrom>(b.WhiteQueens, occ, QueenAttacksOn);
    BQueenAttacks = SliderSet<QueenAttacksFrom>(b.BlackQueens, occ, QueenAttacksOn);
    WKingAttacks = StepSet(b.WhiteKing, KingTable);
    BKingAttacks = StepSet(b.BlackKing, KingTable);
    WAttacks = WPawnAttacks | WKnightAttacks | WBishopAttacks | WRookAttacks | WQueenAttacks |
               WKingAttacks;
    BAttacks = BPawnAttacks | BKnightAttacks | BBishopAttacks | BRookAttacks | BQueenAttacks |
               BKingAttacks;
    AttackMapsReady = true;
}

int PositionEvaluate::MaterialOnly(char side, int, ChessBoard &board)
{
    const ChessBoard &b = board;
    const int v =
        (b.WhiteQueenCount - b.BlackQueenCount) * 9750 +
        (b.WhiteRookCount - b.BlackRookCount) * 5000 +
        (b.WhiteBishopCount + b.WhiteKnightCount - b.BlackBishopCount - b.BlackKnightCount) * 3250 +
        (b.WhitePawnCount - b.BlackPawnCount) * 800;
    return side ? -v : v;
}

int PositionEvaluate::SideMaterialValue(char side, ChessBoard *board)
{
    const ChessBoard &b = *board;
    if (side == 0)
        return b.WhiteRookCount * 5000 + b.WhiteQueenCount * 9750 +
               (b.WhiteBishopCount + b.WhiteKnightCount) * 3250;
    return b.BlackRookCount * 5000 + b.BlackQueenCount * 9750 +
           (b.BlackBishopCount + b.BlackKnightCount) * 3250;
}

int PositionEvaluate::DynamicPieceAdjustments(int)
{
    const ChessBoard &b = *Board;
    int v = 0;
    // A lone minor piece cannot win against pawns.
    const bool whiteBare = b.WhiteQueenCount == 0 && b.WhiteRookCount == 0 && b.WhitePawnCount == 0;
    const bool blackBare = b.BlackQueenCount == 0 && b.BlackRookCount == 0 && b.BlackPawnCount == 0;
    if (b.BlackPawnCount > 0 && BlackPieceNumber == 0 && whiteBare) {
        if (b.WhiteBishopCount == 1 && b.WhiteKnightCount == 0) v -= 750;
        if (b.WhiteKnightCount == 1 && b.WhiteBishopCount == 0) v -= 800;
    }
    if (b.WhitePawnCount > 0 && WhitePieceNumber == 0 && blackBare) {
        if (b.BlackBishopCount == 1 && b.BlackKnightCount == 0) v += 750;
        if (b.BlackKnightCount == 1 && b.BlackBishopCount == 0) v += 800;
    }
    // Doubled pawns weigh more the fewer heavy pieces their owner has.
    auto doubledWeight = [](int queens, int rooks) {
        if (queens == 0 && rooks == 0) return 190;
        if (queens == 0 && rooks == 1) return 125;
        return 62;
    };
    v -= doubledWeight(b.WhiteQueenCount, b.WhiteRookCount) * WhiteDoubledPawns;
    v += doubledWeight(b.BlackQueenCount, b.BlackRookCount) * BlackDoubledPawns;
    return v;
}

int PositionEvaluate::PosEval(char side, int alpha, int beta, ChessBoard *board, char)
{
    const ChessBoard &b = *board;
    side = side ? 1 : 0;

    // 1. Accumulators, kings and material. The pawn hash entry is wanted after the attack maps:
    // start loading it now.
    __builtin_prefetch(&PawnTable[b.PawnHashCode & 0xFFFF]);
    EndingScore = MiddleGameScore = 0;
    Board = board;
    WhiteKingSquare = b.WhiteKing ? LowestSquare(b.WhiteKing) : 0;
    BlackKingSquare = b.BlackKing ? LowestSquare(b.BlackKing) : 0;
    WhiteKingFile = FileOf(WhiteKingSquare & 7);
    BlackKingFile = FileOf(BlackKingSquare & 7);
    const int whiteMinors = b.WhiteBishopCount + b.WhiteKnightCount;
    const int blackMinors = b.BlackBishopCount + b.BlackKnightCount;
    const int balance = (b.WhiteQueenCount - b.BlackQueenCount) * 9750 +
                        (b.WhiteRookCount - b.BlackRookCount) * 5000 +
                        (whiteMinors - blackMinors) * 3250;
    WhitePieceNumber = static_cast<i8>(b.WhiteQueenCount + b.WhiteRookCount + whiteMinors);
    BlackPieceNumber = static_cast<i8>(b.BlackQueenCount + b.BlackRookCount + blackMinors);

    // 2. Pawnless shortcut: kings by the ending table, plus three quarters of a one-minor edge.
    const bool heavyEqual =
        b.WhiteRookCount == b.BlackRookCount && b.WhiteQueenCount == b.BlackQueenCount;
    if (b.WhitePawnCount == 0 && b.BlackPawnCount == 0 && heavyEqual) {
        const int kings = KingEnding[WhiteKingSquare] - KingEnding[BlackKingSquare];
        if (whiteMinors == blackMinors) return side ? -kings : kings;
        if (whiteMinors - blackMinors == 1 || blackMinors - whiteMinors == 1) {
            // Two bishops against a knight still have winning chances: evaluate in full.
            const bool whiteMore = whiteMinors > blackMinors;
            const bool pairVsKnight = whiteMore
                                          ? (b.WhiteBishopCount == 2 && b.BlackBishopCount == 0 &&
                                             b.BlackKnightCount == 1)
                                          : (b.BlackBishopCount == 2 && b.WhiteBishopCount == 0 &&
                                             b.WhiteKnightCount == 1);
            if (!pairVsKnight) {
                const int threeQuarters = (3 * balance) / 4;
                return side ? -kings - threeQuarters : kings + threeQuarters;
            }
        }
    }

    // 3. Attack maps: built when first read, by the passed-pawn terms or after the first lazy
    // exit, so that an exit before them does not pay for them.
    AttackMapsReady = false;

    // 4. Phase from the pieces left.
    Phase = 24 - (4 * (b.WhiteQueenCount + b.BlackQueenCount) +
                  2 * (b.WhiteRookCount + b.BlackRookCount) + whiteMinors + blackMinors);
    if (Phase < 1) Phase = 1;

    // 5. Material with the pawn worth more as pieces come off.
    const int pawnBalance = b.WhitePawnCount - b.BlackPawnCount;
    int score = balance + pawnBalance * 800 + (pawnBalance * 200 * Phase) / 24;

    // 6. Pawn structure, passers weighted by phase.
    score += PawnEval04(side);
    MiddleGameScore += WhitePasserScore * 13 / 10 - BlackPasserScore * 13 / 10;
    EndingScore += WhitePasserScore * 19 / 10 - BlackPasserScore * 19 / 10;

    // 7. King placement and mop-up.
    score += KingEval(side);

    // 8. First blend.
    score += Blend(Phase, EndingScore, MiddleGameScore);
    EndingScore = MiddleGameScore = 0;

    // 9. First lazy exit.
    int s = side ? -score : score;
    if (s + 6000 < alpha || s - 6000 > beta) return s;

    if (!AttackMapsReady) AttackMasks();

    // 10. Pawn races of king-and-pawn endings.
    score += RuleofSquare(side);

    // 11. A lone bishop against the enemy pawns standing on its colour.
    if (b.BlackBishopCount == 1) {
        const u64 colour = (b.BlackBishops & LightSquares) ? LightSquares : ~LightSquares;
        EndingScore -= 50 * SimpleBitCount(b.WhitePawns & colour);
    }
    if (b.WhiteBishopCount == 1) {
        const u64 colour = (b.WhiteBishops & LightSquares) ? LightSquares : ~LightSquares;
        EndingScore += 50 * SimpleBitCount(b.BlackPawns & colour);
    }

    // 12. Trapped pieces.
    const int traps = Traps(side);
    EndingScore += traps;
    MiddleGameScore += traps;

    // 13. King shelter, attack and pawn storms, middle game only.
    const bool blackForce = BlackPieceNumber > 1 && (b.BlackQueenCount > 0 || BlackPieceNumber > 3);
    const bool whiteForce = WhitePieceNumber > 1 && (b.WhiteQueenCount > 0 || WhitePieceNumber > 3);
    const int wkf = WhiteKingSquare & 7, bkf = BlackKingSquare & 7;
    const bool oppositeWings = (wkf <= 3 && bkf >= 5) || (bkf <= 3 && wkf >= 5);
    if (blackForce) MiddleGameScore -= PawnShield(0);
    if (whiteForce) MiddleGameScore += PawnShield(1);
    if (blackForce) MiddleGameScore -= AttackCounts(0);
    if (whiteForce) {
        MiddleGameScore += AttackCounts(1);
        const int storm = PawnStorm(0);
        MiddleGameScore += oppositeWings ? storm : storm / 2;
    }
    if (blackForce) {
        const int storm = PawnStorm(1);
        MiddleGameScore -= oppositeWings ? storm : storm / 2;
    }

    // 14. Rooks (and a queen) on the seventh against a king or pawns held there.
    if ((b.BlackPawns & Rank7) || (b.BlackKing & Rank8)) {
        const int v = Majorson7[SimpleBitCount(b.WhiteRooks & (Rank7 | Rank8))];
        EndingScore += v;
        MiddleGameScore += v / 2;
        if (b.WhiteQueens & (Rank7 | Rank8)) EndingScore += 200;
    }
    if ((b.WhitePawns & Rank2) || (b.WhiteKing & Rank1)) {
        const int v = Majorson7[SimpleBitCount(b.BlackRooks & (Rank1 | Rank2))];
        EndingScore -= v;
        MiddleGameScore -= v / 2;
        if (b.BlackQueens & (Rank1 | Rank2)) EndingScore -= 200;
    }

    // 15. Lone minors and doubled pawns.
    score += DynamicPieceAdjustments(Phase);

    // 16. Second blend.
    score += Blend(Phase, EndingScore, MiddleGameScore);
    EndingScore = MiddleGameScore = 0;

    // 17. Second lazy exit.
    s = side ? -score : score;
    if (alpha > s + 2000 || beta < s - 2000) return s;

    // 18. Pawn chains.
    score += PawnPhalanx();

    // 19. Centre pawns held back by a blocked square.
    const u64 occ = b.AllPieces;
    if ((b.BlackPawns & Bit(51)) && (occ & Bit(43))) score += 90; // d7, d6
    if ((b.BlackPawns & Bit(52)) && (occ & Bit(44)) && (b.BlackBishops & Bit(61))) score += 90;
    if ((b.WhitePawns & Bit(11)) && (occ & Bit(19))) score -= 90; // d2, d3
    if ((b.WhitePawns & Bit(12)) && (occ & Bit(20)) && (b.WhiteBishops & Bit(5))) score -= 90;

    // 20. Centre control by minor pieces and rooks.
    const int whiteCentre = SimpleBitCount(WKnightAttacks & Centre) +
                            SimpleBitCount(WBishopAttacks & Centre) +
                            SimpleBitCount(WRookAttacks & Centre);
    const int blackCentre = SimpleBitCount(BKnightAttacks & Centre) +
                            SimpleBitCount(BBishopAttacks & Centre) +
                            SimpleBitCount(BRookAttacks & Centre);
    MiddleGameScore = (whiteCentre - blackCentre) * 30;

    // 21. Pieces (king included) that no own piece defends.
    score -= 50 * SimpleBitCount((b.WhitePieces & ~b.WhitePawns) & ~WAttacks);
    score += 50 * SimpleBitCount((b.BlackPieces & ~b.BlackPawns) & ~BAttacks);

    // 22. Piece terms.
    score += KnightEval(side) + BishopEval(side) + RookEval(side) + QueenEval(side);

    // 23. Third blend.
    score += Blend(Phase, EndingScore, MiddleGameScore);

    // 24. Mating material.
    if (b.MatingMaterialFlag & 1) score += 800;
    if (b.MatingMaterialFlag & 32) score -= 800;

    // 25. One minor piece more against pawns alone.
    if (heavyEqual) {
        if (b.WhitePawnCount > 0 && b.BlackPawnCount == 0 && blackMinors - whiteMinors == 1)
            score += 1100;
        if (b.BlackPawnCount > 0 && b.WhitePawnCount == 0 && whiteMinors - blackMinors == 1)
            score -= 1100;
    }

    // 26. Bishops of opposite colours alone: keep a quarter of what is not material.
    const int pawnGap = pawnBalance < 0 ? -pawnBalance : pawnBalance;
    if (WhitePieceNumber == BlackPieceNumber && balance == 0 && b.WhiteBishopCount == 1 &&
        b.BlackBishopCount == 1 && WhitePieceNumber == 1 && pawnGap <= 3 &&
        ((b.WhitePawns | b.BlackPawns) & FilesBtoG) &&
        !(b.WhiteBishops & LightSquares) != !(b.BlackBishops & LightSquares)) {
        const int material = MaterialOnly(0, alpha, *board);
        score -= (3 * (score - material)) / 4;
    }

    // 27. Round toward zero to a multiple of ten.
    score = score / 10 * 10;
    return side ? -score : score;
}
