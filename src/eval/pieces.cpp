// Piece terms of the evaluator: placement, mobility, outposts, open files and trapped pieces.

#include "eval/evalboard.h"
#include "eval/poseval.h"

using namespace evalgeo;

namespace {

// Squares by name for the trap patterns (a1 = 0).
enum Sq : int {
    A1 = 0,
    B1,
    C1,
    D1,
    E1,
    F1,
    G1,
    H1,
    A2,
    B2,
    C2,
    D2,
    E2,
    F2,
    G2,
    H2,
    A3,
    B3,
    C3,
    D3,
    E3,
    F3,
    G3,
    H3,
    A6 = 40,
    B6,
    C6,
    D6,
    E6,
    F6,
    G6,
    H6,
    A7,
    B7,
    C7,
    D7,
    E7,
    F7,
    G7,
    H7,
    A8,
    B8,
    C8,
    D8,
    E8,
    F8,
    G8,
    H8
};

constexpr u64 M(int sq)
{
    return u64{1} << sq;
}

} // namespace

void PositionEvaluate::KnightEval(int &mg, int &eg) const
{
    const ChessBoard &b = *Board;
    for (u64 n = b.WhiteKnights; n; n &= n - 1) {
        const int s = LowestSquare(n);
        mg += WKnightSquare[s];
        eg += KnightEnding[s];
        // An outpost counts while no enemy pawn can drive the knight off.
        if (WKnightPost[s] && !(BPawnAttacks & M(s))) mg += WKnightPost[s];
        const int mob = KnightMobility[SimpleBitCount(KnightTable[s] & ~b.WhitePieces)];
        mg += mob;
        eg += mob;
    }
    for (u64 n = b.BlackKnights; n; n &= n - 1) {
        const int s = LowestSquare(n);
        mg -= BKnightSquare[s];
        eg -= KnightEnding[s];
        if (BKnightPost[s] && !(WPawnAttacks & M(s))) mg -= BKnightPost[s];
        const int mob = KnightMobility[SimpleBitCount(KnightTable[s] & ~b.BlackPieces)];
        mg -= mob;
        eg -= mob;
    }
}

int PositionEvaluate::BishopEval(int &mg, int &eg) const
{
    const ChessBoard &b = *Board;
    // 1-2. Placement and mobility.
    for (u64 x = b.WhiteBishops; x; x &= x - 1) {
        const int s = LowestSquare(x);
        mg += WBishopSquare[s];
        eg += BishopEnding[s];
        const int mob = BishopMobility[SimpleBitCount(BishopAttacksOn[s] & ~b.WhitePieces)];
        mg += mob;
        eg += mob;
    }
    for (u64 x = b.BlackBishops; x; x &= x - 1) {
        const int s = LowestSquare(x);
        mg -= BBishopSquare[s];
        eg -= BishopEnding[s];
        const int mob = BishopMobility[SimpleBitCount(BishopAttacksOn[s] & ~b.BlackPieces)];
        mg -= mob;
        eg -= mob;
    }
    // 3. Fianchetto.
    if ((b.WhiteBishops & M(G2)) && (b.WhitePawns & M(G3)) && (b.WhitePawns & (M(F2) | M(H2))))
        mg += 200;
    if ((b.BlackBishops & M(G7)) && (b.BlackPawns & M(G6)) && (b.BlackPawns & (M(F7) | M(H7))))
        mg -= 200;
    // 4. Bishop pair.
    return (SimpleBitCount(b.WhiteBishops) >= 2 ? 500 : 0) -
           (SimpleBitCount(b.BlackBishops) >= 2 ? 500 : 0);
}

int PositionEvaluate::RookEval(int &mg, int &eg) const
{
    const ChessBoard &b = *Board;
    const PawnHashEntry &pawns = *Pawns;
    const u64 openFiles = pawns.OpenFiles();
    const u64 noWhitePawnFiles = pawns.NoWhitePawnFiles();
    const u64 noBlackPawnFiles = pawns.NoBlackPawnFiles();
    int ret = 0;
    for (u64 x = b.WhiteRooks; x; x &= x - 1) {
        const int s = LowestSquare(x), f = s & 7, r = s >> 3;
        // 1. Mobility.
        const int mob = RookMobility[SimpleBitCount(RookAttacksOn[s] & ~b.WhitePieces)];
        mg += mob;
        eg += 2 * mob;
        // 2. Open file, or a rook stuck behind an enemy pawn, or a half-open file.
        if (openFiles & M(s)) {
            mg += 320;
            eg += 140;
        } else {
            if (r == 0 && (b.BlackPawns & M(s + 8))) {
                mg -= 100;
                eg -= 200;
            }
            if (noWhitePawnFiles & M(s)) ret += 50;
        }
        // 3-4. Behind a passed pawn of either colour.
        if (pawns.whitePasserRanks[f] > r) {
            mg += 37;
            eg += 75;
        }
        if (pawns.blackPasserRanks[f] != 0 && pawns.blackPasserRanks[f] < r) {
            mg += 18;
            eg += 37;
        }
    }
    for (u64 x = b.BlackRooks; x; x &= x - 1) {
        const int s = LowestSquare(x), f = s & 7, r = s >> 3;
        const int mob = RookMobility[SimpleBitCount(RookAttacksOn[s] & ~b.BlackPieces)];
        mg -= mob;
        eg -= 2 * mob;
        if (openFiles & M(s)) {
            mg -= 320;
            eg -= 140;
        } else {
            if (r == 7 && (b.WhitePawns & M(s - 8))) {
                mg += 100;
                eg += 200;
            }
            if (noBlackPawnFiles & M(s)) ret -= 50;
        }
        if (pawns.blackPasserRanks[f] != 0 && pawns.blackPasserRanks[f] < r) {
            mg -= 37;
            eg -= 75;
        }
        if (pawns.whitePasserRanks[f] > r) {
            mg -= 18;
            eg -= 37;
        }
    }
    return ret;
}

void PositionEvaluate::QueenEval(int &mg, int &eg) const
{
    const ChessBoard &b = *Board;
    constexpr u64 upperHalf = 0xFFFFFFFF00000000ULL, lowerHalf = 0x00000000FFFFFFFFULL;
    for (u64 x = b.WhiteQueens; x; x &= x - 1) {
        const int s = LowestSquare(x);
        const u64 moves = QueenAttacksOn[s] & ~b.WhitePieces;
        const int mob = QueenMobility[SimpleBitCount(moves)];
        mg += mob;
        eg += 2 * mob;
        // A queen deep in enemy land with fewer than two safe squares is about to be lost.
        if (M(s) & upperHalf) {
            const int safe = SimpleBitCount(moves & ~BAttacks);
            if (safe < 2) eg += (safe - 2) * 3250;
        }
    }
    for (u64 x = b.BlackQueens; x; x &= x - 1) {
        const int s = LowestSquare(x);
        const u64 moves = QueenAttacksOn[s] & ~b.BlackPieces;
        const int mob = QueenMobility[SimpleBitCount(moves)];
        mg -= mob;
        eg -= 2 * mob;
        if (M(s) & lowerHalf) {
            const int safe = SimpleBitCount(moves & ~WAttacks);
            if (safe < 2) eg -= (safe - 2) * 3250;
        }
    }
}

int PositionEvaluate::Traps(char castle) const
{
    const ChessBoard &b = *Board;
    const u64 wn = b.WhiteKnights, bn = b.BlackKnights, wp = b.WhitePawns, bp = b.BlackPawns;
    const u64 wb = b.WhiteBishops, bbish = b.BlackBishops;
    int v = 0;
    // Each group of patterns is looked at only when a piece stands on one of its squares.
    // Knights caught in a corner by enemy pawns.
    if (wn & (M(H8) | M(H7) | M(G7) | M(A8) | M(A7) | M(B7))) {
        if ((wn & M(H8)) && (bp & (M(H7) | M(F7)))) v -= 1219;
        if ((wn & M(H7)) && (bp & M(G7)) && (bp & (M(H6) | M(F6)))) v -= 1219;
        if ((wn & M(G7)) && (bp & M(H7)) && (bp & M(G6)) && (bp & M(F7))) v -= 1219;
        if ((wn & M(A8)) && (bp & (M(A7) | M(C7)))) v -= 1219;
        if ((wn & M(A7)) && (bp & M(B7)) && (bp & (M(A6) | M(C6)))) v -= 1219;
        if ((wn & M(B7)) && (bp & M(A7)) && (bp & M(B6)) && (bp & M(C7))) v -= 1219;
    }
    if (bn & (M(H1) | M(H2) | M(G2) | M(A1) | M(A2) | M(B2))) {
        if ((bn & M(H1)) && (wp & (M(H2) | M(F2)))) v += 1219;
        if ((bn & M(H2)) && (wp & M(G2)) && (wp & (M(H3) | M(F3)))) v += 1219;
        if ((bn & M(G2)) && (wp & M(G3)) && (wp & M(H2)) && (wp & M(F2))) v += 1219;
        if ((bn & M(A1)) && (wp & (M(A2) | M(C2)))) v += 1219;
        if ((bn & M(A2)) && (wp & M(B2)) && (wp & (M(A3) | M(C3)))) v += 1219;
        if ((bn & M(B2)) && (wp & M(B3)) && (wp & M(A2)) && (wp & M(C2))) v += 1219;
    }
    // Bishops shut in behind enemy pawns: once per pattern.
    if (wb & (M(A7) | M(B8) | M(H7) | M(G8))) {
        if ((wb & (M(A7) | M(B8))) && (bp & M(B6)) && (bp & M(C7))) v -= 1600;
        if ((wb & (M(H7) | M(G8))) && (bp & M(G6)) && (bp & M(F7))) v -= 1600;
    }
    if (bbish & (M(A2) | M(B1) | M(H2) | M(G1))) {
        if ((bbish & (M(A2) | M(B1))) && (wp & M(B3)) && (wp & M(C2))) v += 1600;
        if ((bbish & (M(H2) | M(G1))) && (wp & M(G3)) && (wp & M(F2))) v += 1600;
    }
    // Rooks shut in by their own king, while the enemy has heavy pieces, unless castling on that
    // side (a Chess960 start) will let the rook out.
    const u64 wk = b.WhiteKing, bk = b.BlackKing;
    if ((wk & (M(F1) | M(G1) | M(B1) | M(C1))) && (b.BlackRookCount > 0 || b.BlackQueenCount > 0)) {
        const u64 wr = b.WhiteRooks;
        if ((wk & (M(F1) | M(G1))) && (wr & (M(G1) | M(H1))) && (wp & (M(F2) | M(G2) | M(H2))) &&
            !(castle & WKSIDE))
            v -= 1670;
        if ((wk & (M(B1) | M(C1))) && (wr & (M(A1) | M(B1))) && (wp & (M(A2) | M(B2) | M(C2))) &&
            !(castle & WQSIDE))
            v -= 1670;
    }
    if ((bk & (M(F8) | M(G8) | M(B8) | M(C8))) && (b.WhiteRookCount > 0 || b.WhiteQueenCount > 0)) {
        const u64 br = b.BlackRooks;
        if ((bk & (M(F8) | M(G8))) && (br & (M(G8) | M(H8))) && (bp & (M(F7) | M(G7) | M(H7))) &&
            !(castle & BKSIDE))
            v += 1670;
        if ((bk & (M(B8) | M(C8))) && (br & (M(A8) | M(B8))) && (bp & (M(A7) | M(B7) | M(C7))) &&
            !(castle & BQSIDE))
            v += 1670;
    }
    return v;
}
