#include "eval/poseval.h"

#include "eval/evalboard.h"

PositionEvaluate PE;

using namespace evalgeo;

namespace {

constexpr u64 CENTRE = Bit(27) | Bit(28) | Bit(35) | Bit(36); // d4, e4, d5, e5
constexpr u64 FILES_B_TO_G = ~(FILE_A | FILE_H);

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
    WPawnAttacks = ((b.WhitePawns & ~FILE_H) << 9) | ((b.WhitePawns & ~FILE_A) << 7);
    BPawnAttacks = ((b.BlackPawns & ~FILE_H) >> 7) | ((b.BlackPawns & ~FILE_A) >> 9);
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

int PositionEvaluate::DynamicPieceAdjustments() const
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
    v -= doubledWeight(b.WhiteQueenCount, b.WhiteRookCount) * Pawns->whiteDoubled;
    v += doubledWeight(b.BlackQueenCount, b.BlackRookCount) * Pawns->blackDoubled;
    return v;
}

int PositionEvaluate::PosEval(char side, int alpha, int beta, ChessBoard *board, char castle)
{
    const ChessBoard &b = *board;
    side = side ? 1 : 0;

    // 1. Accumulators, kings and material. The pawn hash entry is wanted after the attack maps:
    // start loading it now.
    __builtin_prefetch(&PawnTable[b.PawnHashCode & 0xFFFF]);
    int mg = 0, eg = 0; // the middle-game and ending accumulators, blended three times
    Board = board;
    const int wks = b.WhiteKing ? LowestSquare(b.WhiteKing) : 0;
    const int bks = b.BlackKing ? LowestSquare(b.BlackKing) : 0;
    WhiteKingSquare = wks;
    BlackKingSquare = bks;
    const int whiteQueens = b.WhiteQueenCount, blackQueens = b.BlackQueenCount;
    const int whiteRooks = b.WhiteRookCount, blackRooks = b.BlackRookCount;
    const int whiteBishops = b.WhiteBishopCount, blackBishops = b.BlackBishopCount;
    const int whiteKnights = b.WhiteKnightCount, blackKnights = b.BlackKnightCount;
    const int whitePawns = b.WhitePawnCount, blackPawns = b.BlackPawnCount;
    const int whiteMinors = whiteBishops + whiteKnights;
    const int blackMinors = blackBishops + blackKnights;
    const int balance = (whiteQueens - blackQueens) * 9750 + (whiteRooks - blackRooks) * 5000 +
                        (whiteMinors - blackMinors) * 3250;
    const i8 whitePieceNumber = static_cast<i8>(whiteQueens + whiteRooks + whiteMinors);
    const i8 blackPieceNumber = static_cast<i8>(blackQueens + blackRooks + blackMinors);
    WhitePieceNumber = whitePieceNumber;
    BlackPieceNumber = blackPieceNumber;

    // 2. Pawnless shortcut: kings by the ending table, plus three quarters of a one-minor edge.
    const bool heavyEqual = whiteRooks == blackRooks && whiteQueens == blackQueens;
    if (whitePawns == 0 && blackPawns == 0 && heavyEqual) {
        const int kings = KingEnding[wks] - KingEnding[bks];
        if (whiteMinors == blackMinors) return side ? -kings : kings;
        if (whiteMinors - blackMinors == 1 || blackMinors - whiteMinors == 1) {
            // Two bishops against a knight still have winning chances: evaluate in full.
            const bool whiteMore = whiteMinors > blackMinors;
            const bool pairVsKnight =
                whiteMore ? (whiteBishops == 2 && blackBishops == 0 && blackKnights == 1)
                          : (blackBishops == 2 && whiteBishops == 0 && whiteKnights == 1);
            if (!pairVsKnight) {
                const int threeQuarters = (3 * balance) / 4;
                return side ? -kings - threeQuarters : kings + threeQuarters;
            }
        }
    }

    // 3. Attack maps: built when first read, by the passed-pawn terms or after the first lazy
    // exit, so that an exit before them does not pay for them.
    AttackMapsReady = false;

    // 4. Phase (ending weight 1..24: 1 = full middle game, 24 = no pieces) from the pieces left.
    int phase = 24 - (4 * (whiteQueens + blackQueens) + 2 * (whiteRooks + blackRooks) +
                      whiteMinors + blackMinors);
    if (phase < 1) phase = 1;

    // 5. Material with the pawn worth more as pieces come off.
    const int pawnBalance = whitePawns - blackPawns;
    int score = balance + pawnBalance * 800 + (pawnBalance * 200 * phase) / 24;

    // 6. Pawn structure, passers weighted by phase.
    score += PawnEval04(side, mg, eg);
    mg += WhitePasserScore * 13 / 10 - BlackPasserScore * 13 / 10;
    eg += WhitePasserScore * 19 / 10 - BlackPasserScore * 19 / 10;

    // 7. King placement and mop-up.
    score += KingEval(mg, eg);

    // 8. First blend.
    score += Blend(phase, eg, mg);
    mg = eg = 0;

    // 9. First lazy exit.
    int s = side ? -score : score;
    if (s + 6000 < alpha || s - 6000 > beta) return s;

    if (!AttackMapsReady) AttackMasks();

    // 10. Pawn races of king-and-pawn endings.
    score += RuleofSquare(side);

    // 11. A lone bishop against the enemy pawns standing on its colour.
    if (blackBishops == 1) {
        const u64 colour = (b.BlackBishops & LIGHT_SQUARES) ? LIGHT_SQUARES : ~LIGHT_SQUARES;
        eg -= 50 * SimpleBitCount(b.WhitePawns & colour);
    }
    if (whiteBishops == 1) {
        const u64 colour = (b.WhiteBishops & LIGHT_SQUARES) ? LIGHT_SQUARES : ~LIGHT_SQUARES;
        eg += 50 * SimpleBitCount(b.BlackPawns & colour);
    }

    // 12. Trapped pieces.
    const int traps = Traps(castle);
    eg += traps;
    mg += traps;

    // 13. King shelter, attack and pawn storms, middle game only.
    mg += KingSafety();

    // 14. Rooks (and a queen) on the seventh against a king or pawns held there.
    if ((b.BlackPawns & RANK_7) || (b.BlackKing & RANK_8)) {
        const int v = Majorson7[SimpleBitCount(b.WhiteRooks & (RANK_7 | RANK_8))];
        eg += v;
        mg += v / 2;
        if (b.WhiteQueens & (RANK_7 | RANK_8)) eg += 200;
    }
    if ((b.WhitePawns & RANK_2) || (b.WhiteKing & RANK_1)) {
        const int v = Majorson7[SimpleBitCount(b.BlackRooks & (RANK_1 | RANK_2))];
        eg -= v;
        mg -= v / 2;
        if (b.BlackQueens & (RANK_1 | RANK_2)) eg -= 200;
    }

    // 15. Lone minors and doubled pawns.
    score += DynamicPieceAdjustments();

    // 16. Second blend.
    score += Blend(phase, eg, mg);

    // 17. Second lazy exit.
    s = side ? -score : score;
    if (alpha > s + 2000 || beta < s - 2000) return s;

    // 18. Pawn chains.
    score += PawnPhalanx();

    // 19. CENTRE pawns held back by a blocked square.
    const u64 occ = b.AllPieces;
    if ((b.BlackPawns & Bit(51)) && (occ & Bit(43))) score += 90; // d7, d6
    if ((b.BlackPawns & Bit(52)) && (occ & Bit(44)) && (b.BlackBishops & Bit(61))) score += 90;
    if ((b.WhitePawns & Bit(11)) && (occ & Bit(19))) score -= 90; // d2, d3
    if ((b.WhitePawns & Bit(12)) && (occ & Bit(20)) && (b.WhiteBishops & Bit(5))) score -= 90;

    // 20. CENTRE control by minor pieces and rooks.
    const int whiteCentre = SimpleBitCount(WKnightAttacks & CENTRE) +
                            SimpleBitCount(WBishopAttacks & CENTRE) +
                            SimpleBitCount(WRookAttacks & CENTRE);
    const int blackCentre = SimpleBitCount(BKnightAttacks & CENTRE) +
                            SimpleBitCount(BBishopAttacks & CENTRE) +
                            SimpleBitCount(BRookAttacks & CENTRE);
    mg = (whiteCentre - blackCentre) * 30;
    eg = 0;

    // 21. Pieces (king included) that no own piece defends.
    score -= 50 * SimpleBitCount((b.WhitePieces & ~b.WhitePawns) & ~WAttacks);
    score += 50 * SimpleBitCount((b.BlackPieces & ~b.BlackPawns) & ~BAttacks);

    // 22. Piece terms.
    KnightEval(mg, eg);
    score += BishopEval(mg, eg);
    score += RookEval(mg, eg);
    QueenEval(mg, eg);

    // 23. Third blend.
    score += Blend(phase, eg, mg);

    // 24. Mating material.
    if (b.MatingMaterialFlag & 1) score += 800;
    if (b.MatingMaterialFlag & 32) score -= 800;

    // 25. One minor piece more against pawns alone.
    if (heavyEqual) {
        if (whitePawns > 0 && blackPawns == 0 && blackMinors - whiteMinors == 1) score += 1100;
        if (blackPawns > 0 && whitePawns == 0 && whiteMinors - blackMinors == 1) score -= 1100;
    }

    // 26. Bishops of opposite colours alone: keep a quarter of what is not material.
    const int pawnGap = pawnBalance < 0 ? -pawnBalance : pawnBalance;
    if (whitePieceNumber == blackPieceNumber && balance == 0 && whiteBishops == 1 &&
        blackBishops == 1 && whitePieceNumber == 1 && pawnGap <= 3 &&
        ((b.WhitePawns | b.BlackPawns) & FILES_B_TO_G) &&
        !(b.WhiteBishops & LIGHT_SQUARES) != !(b.BlackBishops & LIGHT_SQUARES)) {
        const int material = MaterialOnly(0, alpha, *board);
        score -= (3 * (score - material)) / 4;
    }

    // 27. Round toward zero to a multiple of ten.
    score = score / 10 * 10;
    return side ? -score : score;
}
