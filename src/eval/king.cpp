// King safety: placement and mop-up, pawn shelter, pawn storms and the attack on the king.

#include "eval/evalboard.h"
#include "eval/poseval.h"

using namespace evalgeo;

namespace {

// Squares from a to b inclusive, stepping by step.
constexpr u64 Segment(int a, int b, int step)
{
    u64 m = 0;
    for (int s = a;; s += step) {
        m |= u64{1} << s;
        if (s == b) break;
    }
    return m;
}

// Diagonals aimed at a castled king, without their corner squares.
// Set A: h2-c7, g2-b7, f2-a7 (towards the king side of White, the queen side of Black).
// Set B: c2-h7, b2-g7, a2-f7.
constexpr u64 DIAGONALS_A = Segment(15, 50, 7) | Segment(14, 49, 7) | Segment(13, 48, 7);
constexpr u64 DIAGONALS_B = Segment(10, 55, 9) | Segment(9, 54, 9) | Segment(8, 53, 9);
static_assert(__builtin_bswap64(DIAGONALS_A) == DIAGONALS_B); // vertical mirrors of each other
static_assert((DIAGONALS_A & (u64{1} << 36)) && (DIAGONALS_B & (u64{1} << 28))); // e5, e4

// White's castled corners (Black's are their mirrors).
constexpr u64 KING_SIDE_CORNER = 0xE0E0ULL;  // f1 g1 h1 f2 g2 h2
constexpr u64 QUEEN_SIDE_CORNER = 0x0707ULL; // a1 b1 c1 a2 b2 c2

} // namespace

int PositionEvaluate::KingEval(int &mg, int &eg) const
{
    const ChessBoard &b = *Board;
    const int wks = WhiteKingSquare, bks = BlackKingSquare;
    // 1. Placement by phase.
    mg += WKingSquare[wks] - BKingSquare[bks];
    eg += KingEnding[wks] - KingEnding[bks];
    // 2. Mop-up: the stronger side wants the kings close.
    if (b.WhitePawns | b.BlackPawns) return 0;
    const int d = Distances.d[wks][bks];
    if (BlackPieceNumber == 0 && WhitePieceNumber > 0) return -80 * d;
    if (WhitePieceNumber == 0 && BlackPieceNumber > 0) return 80 * d;
    return 0;
}

namespace {

// Penalty of one shelter file of king C holding the pawns given; a file without a pawn, or
// whose nearest pawn has gone past the fourth rank of its side, adds a hole.
template <int C> inline int ShieldFilePenalty(u64 pawnsOnFile, int &holes)
{
    // 1. No shelter pawn at all.
    if (!pawnsOnFile) {
        holes++;
        return 350;
    }
    // 2-3. The nearest shelter pawn of the side (rank 1..8), and how far it has gone.
    if (C == 0) {
        const int r = (LowestSquare(pawnsOnFile) >> 3) + 1;
        holes += r > 4;
        return (r - 2) * 35;
    }
    const int r = (MyLog2(pawnsOnFile) >> 3) + 1;
    holes += r < 5;
    return (7 - r) * 35;
}

} // namespace

template <int C> int PositionEvaluate::PawnShield(int &holes) const
{
    const auto us = ArmyOf<C>(*Board);
    const int ksq = C == 0 ? WhiteKingSquare : BlackKingSquare, kf = ksq & 7;
    const u64 pawns = us.Pawns();
    const u64 pieces = us.Pieces() & ~us.Pawns();
    // 1-2. The king's own file counts double, unless a piece plugs an open file in front.
    const int v = ShieldFilePenalty<C>(pawns & FileOf(kf), holes);
    int penalty = 2 * v;
    // The square in front, shifted to bit 8 (White) or bit 55 (Black): none off the board.
    const u64 front =
        C == 0 ? (pieces >> ksq) & (u64{1} << 8) : (pieces << (63 - ksq)) & (u64{1} << 55);
    if (front && 2 * v >= 351) penalty = v;
    // 3-4. The files beside it, the third file of the wing for a king on an edge file.
    penalty += ShieldFilePenalty<C>(pawns & FileOf(kf == 7 ? 5 : kf + 1), holes);
    penalty += ShieldFilePenalty<C>(pawns & FileOf(kf == 0 ? 2 : kf - 1), holes);
    return penalty;
}

template <int C> int PositionEvaluate::PawnStorm() const
{
    const auto us = ArmyOf<C>(*Board);
    const int enemyKing = C == 0 ? BlackKingSquare : WhiteKingSquare;
    const u64 storm = us.Pawns() & KingWings[enemyKing & 7];
    return 100 * SimpleBitCount(storm & us.Relative(RankOf(3))) +
           300 * SimpleBitCount(storm & us.Relative(RankOf(4))) +
           600 * SimpleBitCount(storm & us.Relative(RankOf(5)));
}

template <int C> int PositionEvaluate::AttackCounts(int holes) const
{
    constexpr bool white = C == 0;
    constexpr int E = C ^ 1;
    const auto us = ArmyOf<C>(*Board);
    const auto them = ArmyOf<E>(*Board);
    const int ksq = white ? WhiteKingSquare : BlackKingSquare;
    const u64 zone = KingAttacksOf<C>();

    // The enemy's maps and pieces, and our own.
    const u64 ePawnAtt = PawnAttacksOf<E>();
    const u64 eKnightAtt = KnightAttacksOf<E>();
    const u64 eBishopAtt = BishopAttacksOf<E>();
    const u64 eRookAtt = RookAttacksOf<E>();
    const u64 eQueenAtt = QueenAttacksOf<E>();
    const u64 eAll = AttacksOf<E>();
    const u64 eKnights = them.Knights();
    const u64 eBishops = them.Bishops();
    const u64 eRooks = them.Rooks();
    const u64 eQueens = them.Queens();
    const u64 eNoPawnFiles = white ? Pawns->NoBlackPawnFiles() : Pawns->NoWhitePawnFiles();
    const int eQueenCount = them.QueenCount();
    const int eMaterial =
        them.BishopCount() + them.KnightCount() + them.RookCount() + 2 * them.QueenCount();
    const u64 ownPieces = us.Knights() | us.Bishops() | us.Rooks() | us.Queens();
    const u64 ownQueenAtt = QueenAttacksOf<C>();
    const u64 ownKnightAtt = KnightAttacksOf<C>();

    // 1. Kinds of attacker near the king.
    const int pawn = (ePawnAtt & zone) != 0;
    const u64 kingMask = u64{1} << ksq;
    const int knight = ((eKnightAtt & (zone | kingMask)) | (eKnights & zone)) != 0;
    const int bishop = (eBishopAtt & zone) != 0;
    const int queen = (eQueenAtt & zone) != 0;
    const int rook = (eRookAtt & zone) != 0;
    const int kinds = pawn + knight + bishop + queen + rook;
    const int weight = pawn + knight + bishop + 4 * queen + 2 * rook;
    // 2-3. Squares of the zone under fire, once two kinds of attacker join in.
    const int hit = SimpleBitCount(zone & eAll);
    int s = 0;
    if (kinds > 1) {
        s = (15 * hit + 125 * weight) * (holes + 1);
        if (kinds == 2 || kinds == 3) s = kinds * s / 4;
    }
    // 4. Enemy material against a holed shelter.
    s += 5 * eMaterial * holes;
    // 5. Enemy pieces on the king's wing.
    const u64 wing = KingWings[ksq & 7];
    s += 10 * SimpleBitCount((eKnights | eBishops | eRooks | eQueens) & wing) * holes;
    // 6. Heavy pieces on the wing's files that the enemy's own pawns do not block.
    const int heavy = SimpleBitCount((eRooks | eQueens) & wing & eNoPawnFiles);
    s += 30 * (heavy - 1) * (holes + 1);
    // 7. Diagonal pieces aimed at a castled king.
    u64 diagonals = 0;
    if (kingMask & (white ? KING_SIDE_CORNER : us.Relative(QUEEN_SIDE_CORNER)))
        diagonals = DIAGONALS_A;
    else if (kingMask & (white ? QUEEN_SIDE_CORNER : us.Relative(KING_SIDE_CORNER)))
        diagonals = DIAGONALS_B;
    s += 10 * SimpleBitCount((eQueens | eBishops) & diagonals) * (holes + 1);
    // 8. Without a queen the attack is worth half.
    if (eQueenCount == 0) s /= 2;
    // 9-10. Defenders.
    const int defence = 100 * SimpleBitCount(ownPieces & zone) + ((ownQueenAtt & zone) ? 500 : 0) +
                        ((ownKnightAtt & zone) ? 100 : 0);
    return s - defence;
}

int PositionEvaluate::KingSafety() const
{
    const ChessBoard &b = *Board;
    // Each king's shelter and attack count while the enemy has the force to attack it; the
    // storms of a side that has that force, in full when the kings are on opposite wings.
    const bool blackForce = BlackPieceNumber > 1 && (b.BlackQueenCount > 0 || BlackPieceNumber > 3);
    const bool whiteForce = WhitePieceNumber > 1 && (b.WhiteQueenCount > 0 || WhitePieceNumber > 3);
    const int wkf = WhiteKingSquare & 7, bkf = BlackKingSquare & 7;
    const bool oppositeWings = (wkf <= 3 && bkf >= 5) || (bkf <= 3 && wkf >= 5);
    int mg = 0;
    if (blackForce) {
        int holes = 0;
        mg -= PawnShield<0>(holes);
        mg -= AttackCounts<0>(holes);
        const int storm = PawnStorm<1>();
        mg -= oppositeWings ? storm : storm / 2;
    }
    if (whiteForce) {
        int holes = 0;
        mg += PawnShield<1>(holes);
        mg += AttackCounts<1>(holes);
        const int storm = PawnStorm<0>();
        mg += oppositeWings ? storm : storm / 2;
    }
    return mg;
}
