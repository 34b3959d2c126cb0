#include "movegen/movegen.h"

#include <cstdint>
#include <cstdio>

namespace {

using namespace BackRank;

// The pieces of one colour and of its opponent.
struct Forces {
    u64 pawns, knights, bishops, rooks, queens, king, own, enemy;
};

inline Forces ForcesOf(const ChessBoard &b, char colour)
{
    if (colour == 0)
        return {b.WhitePawns,  b.WhiteKnights, b.WhiteBishops, b.WhiteRooks,
                b.WhiteQueens, b.WhiteKing,    b.WhitePieces,  b.BlackPieces};
    return {b.BlackPawns,  b.BlackKnights, b.BlackBishops, b.BlackRooks,
            b.BlackQueens, b.BlackKing,    b.BlackPieces,  b.WhitePieces};
}

// True if a piece of the colour opposite to c attacks square sq, sliders seen through occ.
bool AttackedThrough(const ChessBoard &b, int sq, u64 occ, char c)
{
    const u64 s = SquareMask(sq);
    if (c == 0) {
        if ((((s & ~kFileA) << 7) | ((s & ~kFileH) << 9)) & b.BlackPawns) return true;
        if (KnightTable[sq] & b.BlackKnights) return true;
        if (KingTable[sq] & b.BlackKing) return true;
        if (BishopAttacksFrom(sq, occ) & (b.BlackBishops | b.BlackQueens)) return true;
        return RookAttacksFrom(sq, occ) & (b.BlackRooks | b.BlackQueens);
    }
    if ((((s & ~kFileH) >> 7) | ((s & ~kFileA) >> 9)) & b.WhitePawns) return true;
    if (KnightTable[sq] & b.WhiteKnights) return true;
    if (KingTable[sq] & b.WhiteKing) return true;
    if (BishopAttacksFrom(sq, occ) & (b.WhiteBishops | b.WhiteQueens)) return true;
    return RookAttacksFrom(sq, occ) & (b.WhiteRooks | b.WhiteQueens);
}

// Promotion byte of a pawn move arriving on to.
inline char WhitePromotion(u64 to)
{
    return (to & kRank8) ? 'Q' : NOPROMOTION;
}
inline char BlackPromotion(u64 to)
{
    return (to & kRank1) ? 'q' : NOPROMOTION;
}

// A board with a wrong number of kings is reported once, on standard error: the searches that
// run into it do so at every node, and standard output belongs to the interface.
void ReportOnce(bool &reported, const char *text)
{
    if (reported) return;
    reported = true;
    std::fputs(text, stderr);
}

void ReportExtraKing()
{
    static bool reported = false;
    ReportOnce(reported, "Major Error: There is more than one king of a given color\n");
}

// Prints the king-count errors of the two king generators: true if the colour has a king.
bool CheckKingCount(u64 kings)
{
    if (!kings) {
        static bool reported = false;
        ReportOnce(reported, "Major Error: There is No king of a given color\n");
        return false;
    }
    return true;
}

// --- the piece generators' loops, shared by the drivers, which run them inline ---

// One move per square of targets, lowest square first.
inline void PutTargets(MoveGen &g, int &n, u64 from, u64 targets)
{
    for (; targets; targets &= targets - 1) {
        g.From[n] = from;
        g.To[n] = targets & (0 - targets);
        g.Promotion[n] = NOPROMOTION;
        n++;
    }
}

// The moves of each piece of a set, lowest square first, onto the squares of targets it
// attacks. A piece is started only while fewer than MAXMOVES moves are listed.
template <typename Attacks>
inline int PieceMoves(MoveGen &g, u64 pieces, u64 targets, int n, Attacks attacks)
{
    for (u64 bb = pieces; bb && n < MAXMOVES; bb &= bb - 1) {
        const int sq = LowestSquare(bb);
        PutTargets(g, n, SquareMask(sq), attacks(sq) & targets);
    }
    return n;
}

inline int KnightMoves(MoveGen &g, u64 knights, u64 targets, int n)
{
    return PieceMoves(g, knights, targets, n, [](int sq) { return KnightTable[sq]; });
}
inline int BishopMoves(MoveGen &g, u64 bishops, u64 occ, u64 targets, int n)
{
    return PieceMoves(g, bishops, targets, n, [occ](int sq) { return BishopAttacksFrom(sq, occ); });
}
inline int RookMoves(MoveGen &g, u64 rooks, u64 occ, u64 targets, int n)
{
    return PieceMoves(g, rooks, targets, n, [occ](int sq) { return RookAttacksFrom(sq, occ); });
}
inline int QueenMoves(MoveGen &g, u64 queens, u64 occ, u64 targets, int n)
{
    return PieceMoves(g, queens, targets, n, [occ](int sq) { return QueenAttacksFrom(sq, occ); });
}
// A colour without a king, or with more than one, is reported once.
inline int KingMoves(MoveGen &g, u64 king, u64 targets, int n)
{
    if (!CheckKingCount(king)) return n;
    for (u64 bb = king; bb && n < MAXMOVES; bb &= bb - 1) {
        const int sq = LowestSquare(bb);
        PutTargets(g, n, SquareMask(sq), KingTable[sq] & targets);
        if (bb & (bb - 1)) ReportExtraKing();
    }
    return n;
}

// The pawn moves of a colour: the targets of every pawn at once, then the pawns that have a
// move, lowest square first, each in the order double step, single step, capture to the pawn's
// left (towards the a-file for White, the h-file for Black), capture to its right, en passant.
// emit(n, from, to, promotion, capture) appends one move at n and counts it.
template <int colour, typename Emit>
inline void PawnMoves(const ChessBoard &b, int &n, Emit emit)
{
    const bool white = colour == 0;
    const u64 empty = ~b.AllPieces;
    const u64 pawns = white ? b.WhitePawns : b.BlackPawns;
    const u64 enemy = white ? b.BlackPieces : b.WhitePieces;
    auto ahead = [](u64 m, int squares) { return white ? m << squares : m >> squares; };
    auto behind = [](u64 m, int squares) { return white ? m >> squares : m << squares; };
    const u64 single = ahead(pawns, 8) & empty;
    const u64 twice = ahead(single & (white ? kRank3 : kRank6), 8) & empty;
    const u64 left = ahead(pawns & (white ? ~kFileA : ~kFileH), 7) & enemy;
    const u64 right = ahead(pawns & (white ? ~kFileH : ~kFileA), 9) & enemy;
    // En passant needs the opponent's double step beside the pawn as the last move.
    u64 passer = 0;
    const u64 epTarget = ahead(b.LastTo, 8);
    if ((b.LastTo & (white ? b.BlackPawns & kRank5 : b.WhitePawns & kRank4)) &&
        (b.LastFrom & (white ? kRank7 : kRank2))) {
        if (!(b.LastFrom & kFileA)) passer |= b.LastTo >> 1;
        if (!(b.LastFrom & kFileH)) passer |= b.LastTo << 1;
        passer &= pawns & (white ? kRank5 : kRank4);
    }
    const u64 movers = behind(single, 8) | behind(twice, 16) | behind(left, 7) |
                       behind(right, 9) | passer;
    auto add = [&](u64 set, char promo) __attribute__((always_inline)) {
        for (u64 bb = set; bb && n < MAXMOVES; bb &= bb - 1) {
            const u64 p = bb & (0 - bb);
            if (twice & ahead(p, 16)) emit(n, p, ahead(p, 16), NOPROMOTION, false);
            if (single & ahead(p, 8)) emit(n, p, ahead(p, 8), promo, false);
            if (left & ahead(p, 7)) emit(n, p, ahead(p, 7), promo, true);
            if (right & ahead(p, 9)) emit(n, p, ahead(p, 9), promo, true);
            if (passer & p) emit(n, p, epTarget, NOPROMOTION, false);
        }
    };
    // A pawn that moves stands short of its last rank, so the promoting ones (on rank 7 for
    // White, rank 2 for Black) are the last of White's squares and the first of Black's.
    if (white) {
        add(movers & ~kRank7, NOPROMOTION);
        add(movers & kRank7, 'Q');
    } else {
        add(movers & kRank2, 'q');
        add(movers & ~kRank2, NOPROMOTION);
    }
}

} // namespace

void MoveGen::AddEnPassant(int &n, u64 pawn, u64 target)
{
    const ChessBoard &b = *Board;
    if (pawn == (b.LastTo >> 1) && !(b.LastFrom & kFileA)) Add(n, pawn, target, NOPROMOTION);
    if (pawn == (b.LastTo << 1) && !(b.LastFrom & kFileH)) Add(n, pawn, target, NOPROMOTION);
}

// --- drivers ---

int MoveGen::GenerateAllMoves(char colour, ChessBoard *board, char castle)
{
    Board = board;
    SelEnd = -1;
    const Forces a = ForcesOf(*board, colour);
    const u64 occ = board->AllPieces;
    int n = 0;
    // Captures: knights, bishops, rooks, queens, king.
    n = KnightMoves(*this, a.knights, a.enemy, n);
    n = BishopMoves(*this, a.bishops, occ, a.enemy, n);
    n = RookMoves(*this, a.rooks, occ, a.enemy, n);
    n = QueenMoves(*this, a.queens, occ, a.enemy, n);
    n = KingMoves(*this, a.king, a.enemy, n);
    // Quiet moves: knights, bishops, rooks, queens, castling, king; then the pawns.
    n = KnightMoves(*this, a.knights, ~occ, n);
    n = BishopMoves(*this, a.bishops, occ, ~occ, n);
    n = RookMoves(*this, a.rooks, occ, ~occ, n);
    n = QueenMoves(*this, a.queens, occ, ~occ, n);
    n = GenCastle(colour, n, castle);
    n = KingMoves(*this, a.king, ~occ, n);
    return GenPawns(colour, n);
}

namespace {

// The quiescence list with its values and selection record (GenerateQuiesceMoves).
template <int colour>
int OrderedQuiesceList(MoveGen &g, const ChessBoard &b, u64 *aboveOut)
{
    const Forces a = ForcesOf(b, colour);
    const u64 occ = b.AllPieces;
    constexpr char victims = colour ? 0 : 1;
    int n = 0;
    // Captures and promotions: their entries' bits and their lowest value. Every other move has
    // the value 0.
    u64 valued = 0;
    i32 lowestValued = INT32_MAX;
    auto put = [&](int &k, u64 from, u64 to, char promo, i32 value) __attribute__((always_inline)) {
        g.From[k] = from;
        g.To[k] = to;
        g.Promotion[k] = promo;
        g.OrderValue[k] = value;
        valued |= u64{1} << (k & 63);
        if (value < lowestValued) lowestValued = value;
        k++;
    };
    // Captures of a piece that costs cost: victim less cost plus 10.
    auto captures = [&](u64 pieces, i32 cost, auto attacks) __attribute__((always_inline)) {
        for (u64 bb = pieces; bb && n < MAXMOVES; bb &= bb - 1) {
            const int sq = LowestSquare(bb);
            const u64 from = SquareMask(sq);
            for (u64 t = attacks(sq) & a.enemy; t; t &= t - 1) {
                const u64 to = t & (0 - t);
                put(n, from, to, NOPROMOTION, VictimValue(b, victims, to, 10000) - cost + 10);
            }
        }
    };
    captures(a.queens, 38, [occ](int sq) { return QueenAttacksFrom(sq, occ); });
    captures(a.rooks, 19, [occ](int sq) { return RookAttacksFrom(sq, occ); });
    captures(a.knights, 12, [](int sq) { return KnightTable[sq]; });
    captures(a.bishops, 12, [occ](int sq) { return BishopAttacksFrom(sq, occ); });
    // Pawns: captures by victim less 3 plus 10, a step onto the last rank 750, the rest 0.
    PawnMoves<colour>(b, n,
                      [&](int &k, u64 from, u64 to, char promo, bool capture)
                          __attribute__((always_inline)) {
                              if (capture)
                                  put(k, from, to, promo,
                                      VictimValue(b, victims, to, 10000) - 3 + 10);
                              else if (promo != NOPROMOTION)
                                  put(k, from, to, promo, 750);
                              else {
                                  g.From[k] = from;
                                  g.To[k] = to;
                                  g.Promotion[k] = promo;
                                  g.OrderValue[k] = 0;
                                  k++;
                              }
                          });
    if (CheckKingCount(a.king)) {
        captures(a.king, 38, [](int sq) { return KingTable[sq]; });
        if (a.king & (a.king - 1)) ReportExtraKing();
    }
    // The lowest value is 0 when a move is worth 0 and every capture and promotion is worth
    // more; otherwise the entries are compared one by one. (Past 64 entries there is no record
    // to make.)
    const bool zeros = n > 64 || SimpleBitCount(valued) < n;
    if (zeros && lowestValued > 0) {
        *aboveOut = valued;
    } else {
        AboveLowest record;
        for (int i = 0; i < n; i++)
            record.Add(g.OrderValue[i]);
        *aboveOut = record.above;
    }
    return n;
}

} // namespace

int MoveGen::GenerateQuiesceMoves(char colour, ChessBoard *board, char)
{
    Board = board;
    u64 above = 0;
    const int n = colour == 0 ? OrderedQuiesceList<0>(*this, *board, &above)
                              : OrderedQuiesceList<1>(*this, *board, &above);
    SetSelection(above, n);
    return n;
}

int MoveGen::GenCheckEvasions(char colour, ChessBoard *board)
{
    Board = board;
    SelEnd = -1;
    const ChessBoard &b = *board;
    const Forces a = ForcesOf(b, colour);
    const Forces e = ForcesOf(b, colour ? 0 : 1);
    const u64 k = a.king;

    // 1. Checkers: pawns, knights, and the lines to a checking slider (checker included).
    const u64 pawnSquares = colour == 0 ? (((k & ~kFileA) << 7) | ((k & ~kFileH) << 9))
                                        : (((k & ~kFileH) >> 7) | ((k & ~kFileA) >> 9));
    const u64 pawnCheckers = pawnSquares & e.pawns;
    const u64 knightCheckers = b.KnightMask(k) & e.knights;
    const u64 orthogonal = b.RookCheckMask(k, e.rooks | e.queens);
    const u64 diagonal = b.BishopCheckMask(k, e.bishops | e.queens);

    // 2-3. Evasion target and checker count (each line and the knights count once).
    const u64 target = pawnCheckers | knightCheckers | orthogonal | diagonal;
    const int checks =
        SimpleBitCount(pawnCheckers) + (knightCheckers != 0) + (orthogonal != 0) + (diagonal != 0);

    // 4-5. King moves always; other pieces only against a single check.
    int n = GenKingEvasions(colour, 0);
    if (checks == 1) {
        n = GenKnightEvasions(colour, target, n);
        n = GenRookEvasions(colour, target, n);
        n = GenBishopEvasions(colour, target, n);
        n = GenPawnEvasions(colour, target, a.pawns, e.own, n);
        n = GenQueenEvasions(colour, target, n);
    }
    return n;
}

// --- piece generators ---

int MoveGen::GenPawns(char colour, int n)
{
    auto add = [this](int &k, u64 from, u64 to, char promo, bool) { Add(k, from, to, promo); };
    if (colour == 0)
        PawnMoves<0>(*Board, n, add);
    else
        PawnMoves<1>(*Board, n, add);
    return n;
}

int MoveGen::GenCastle(char colour, int n, char castle)
{
    const ChessBoard &b = *Board;
    const u64 occ = b.AllPieces;
    auto add = [&](u64 from, u64 to) {
        Add(n, from, to, NOPROMOTION);
        OrderValue[n - 1] = 800;
    };
    if (colour == 0) {
        if ((castle & WKSIDE) && !(occ & (F1 | G1)) && (b.WhiteRooks & H1) &&
            !b.IsAttacked(E1, 0) && !b.IsAttacked(F1, 0) && !b.IsAttacked(G1, 0))
            add(E1, G1);
        if ((castle & WQSIDE) && !(occ & (B1 | C1 | D1)) && (b.WhiteRooks & A1) &&
            !b.IsAttacked(E1, 0) && !b.IsAttacked(D1, 0) && !b.IsAttacked(C1, 0))
            add(E1, C1);
        return n;
    }
    if ((castle & BKSIDE) && !(occ & (F8 | G8)) && (b.BlackRooks & H8) && !b.IsAttacked(E8, 1) &&
        !b.IsAttacked(F8, 1) && !b.IsAttacked(G8, 1))
        add(E8, G8);
    if ((castle & BQSIDE) && !(occ & (B8 | C8 | D8)) && (b.BlackRooks & A8) &&
        !b.IsAttacked(E8, 1) && !b.IsAttacked(D8, 1) && !b.IsAttacked(C8, 1))
        add(E8, C8);
    return n;
}

int MoveGen::GenKingEvasions(char colour, int n)
{
    const ChessBoard &b = *Board;
    const Forces a = ForcesOf(b, colour);
    if (!a.king) return n;
    const int sq = LowestSquare(a.king);
    const u64 k = SquareMask(sq);
    // The king is lifted off the board, so a slider's ray through its square counts.
    const u64 occ = b.AllPieces & ~k;
    for (u64 t = KingTable[sq] & ~a.own; t; t &= t - 1) {
        const int to = LowestSquare(t);
        if (!AttackedThrough(b, to, occ, colour)) Add(n, k, SquareMask(to), NOPROMOTION);
    }
    return n;
}

int MoveGen::GenKnightEvasions(char colour, u64 target, int n)
{
    const Forces a = ForcesOf(*Board, colour);
    for (u64 bb = a.knights; bb && n < MAXMOVES; bb &= bb - 1) {
        const int sq = LowestSquare(bb);
        AddTargets(n, SquareMask(sq), KnightTable[sq] & target & ~a.own);
    }
    return n;
}

int MoveGen::GenBishopEvasions(char colour, u64 target, int n)
{
    const Forces a = ForcesOf(*Board, colour);
    const u64 occ = Board->AllPieces;
    for (u64 bb = a.bishops; bb && n < MAXMOVES; bb &= bb - 1) {
        const int sq = LowestSquare(bb);
        AddTargets(n, SquareMask(sq), BishopAttacksFrom(sq, occ) & target & ~a.own);
    }
    return n;
}

int MoveGen::GenRookEvasions(char colour, u64 target, int n)
{
    const Forces a = ForcesOf(*Board, colour);
    const u64 occ = Board->AllPieces;
    for (u64 bb = a.rooks; bb && n < MAXMOVES; bb &= bb - 1) {
        const int sq = LowestSquare(bb);
        AddTargets(n, SquareMask(sq), RookAttacksFrom(sq, occ) & target & ~a.own);
    }
    return n;
}

int MoveGen::GenQueenEvasions(char colour, u64 target, int n)
{
    const Forces a = ForcesOf(*Board, colour);
    const u64 occ = Board->AllPieces;
    for (u64 bb = a.queens; bb && n < MAXMOVES; bb &= bb - 1) {
        const int sq = LowestSquare(bb);
        AddTargets(n, SquareMask(sq), QueenAttacksFrom(sq, occ) & target & ~a.own);
    }
    return n;
}

int MoveGen::GenPawnEvasions(char colour, u64 target, u64 pawns, u64 enemy, int n)
{
    const ChessBoard &b = *Board;
    const u64 empty = ~b.AllPieces;
    if (colour == 0) {
        // 1. En passant capture of a pawn that checks a king on rank 4.
        const u64 k = b.WhiteKing;
        if (k & kRank4) {
            const bool epReady = (b.LastTo & b.BlackPawns & kRank5) && (b.LastFrom & kRank7);
            const u64 checkerSquares[2] = {(k & kFileA) ? 0 : (k << 7),
                                           (k & kFileH) ? 0 : (k << 9)};
            for (u64 s : checkerSquares) {
                if (!(s & b.BlackPawns)) continue;
                const u64 beside[2] = {(s & kFileA) ? 0 : (s >> 1), (s & kFileH) ? 0 : (s << 1)};
                for (u64 p : beside) {
                    if (!(p & pawns & kRank5) || !epReady || n >= MAXMOVES) continue;
                    AddEnPassant(n, p, b.LastTo << 8);
                }
            }
        }
        // 2. Single steps onto empty target squares.
        for (u64 t = target & empty; t && n < MAXMOVES; t &= t - 1) {
            const u64 to = t & (0 - t);
            if ((to >> 8) & pawns) Add(n, to >> 8, to, WhitePromotion(to));
        }
        // 3. Double steps onto empty target squares of rank 4 over an empty square.
        for (u64 t = target & empty & kRank4; t && n < MAXMOVES; t &= t - 1) {
            const u64 to = t & (0 - t);
            if (((to >> 8) & empty) && ((to >> 16) & pawns)) Add(n, to >> 16, to, NOPROMOTION);
        }
        // 4. Captures onto target squares, from the south-east then from the south-west.
        for (u64 t = target & enemy; t && n < MAXMOVES; t &= t - 1) {
            const u64 to = t & (0 - t);
            const char promo = WhitePromotion(to);
            const u64 fromEast = to >> 7, fromWest = to >> 9;
            if ((fromEast & pawns & ~kFileA)) Add(n, fromEast, to, promo);
            if ((fromWest & pawns & ~kFileH)) Add(n, fromWest, to, promo);
        }
        return n;
    }
    const u64 k = b.BlackKing;
    if (k & kRank5) {
        const bool epReady = (b.LastTo & b.WhitePawns & kRank4) && (b.LastFrom & kRank2);
        const u64 checkerSquares[2] = {(k & kFileH) ? 0 : (k >> 7), (k & kFileA) ? 0 : (k >> 9)};
        for (u64 s : checkerSquares) {
            if (!(s & b.WhitePawns)) continue;
            const u64 beside[2] = {(s & kFileA) ? 0 : (s >> 1), (s & kFileH) ? 0 : (s << 1)};
            for (u64 p : beside) {
                if (!(p & pawns & kRank4) || !epReady || n >= MAXMOVES) continue;
                AddEnPassant(n, p, b.LastTo >> 8);
            }
        }
    }
    for (u64 t = target & empty; t && n < MAXMOVES; t &= t - 1) {
        const u64 to = t & (0 - t);
        if ((to << 8) & pawns) Add(n, to << 8, to, BlackPromotion(to));
    }
    for (u64 t = target & empty & kRank5; t && n < MAXMOVES; t &= t - 1) {
        const u64 to = t & (0 - t);
        if (((to << 8) & empty) && ((to << 16) & pawns)) Add(n, to << 16, to, NOPROMOTION);
    }
    for (u64 t = target & enemy; t && n < MAXMOVES; t &= t - 1) {
        const u64 to = t & (0 - t);
        const char promo = BlackPromotion(to);
        const u64 fromWest = to << 7, fromEast = to << 9;
        if ((fromWest & pawns & ~kFileH)) Add(n, fromWest, to, promo);
        if ((fromEast & pawns & ~kFileA)) Add(n, fromEast, to, promo);
    }
    return n;
}
