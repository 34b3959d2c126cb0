#include "movegen/movegen.h"

#include <cstdint>
#include <cstdio>

namespace {

using namespace BackRank;

// True if a piece of the colour opposite to C attacks square sq, sliders seen through occ.
template <int C> bool AttackedThrough(const ChessBoard &b, int sq, u64 occ)
{
    const auto them = ArmyOf<C ^ 1>(b);
    const u64 s = SquareMask(sq);
    if (Army<C, const ChessBoard>::PawnAttacks(s) & them.Pawns()) return true;
    if (KnightTable[sq] & them.Knights()) return true;
    if (KingTable[sq] & them.King()) return true;
    if (BishopAttacksFrom(sq, occ) & (them.Bishops() | them.Queens())) return true;
    return RookAttacksFrom(sq, occ) & (them.Rooks() | them.Queens());
}

// Promotion byte of a pawn move of colour C arriving on to.
template <int C> inline char PromotionOn(u64 to)
{
    if (!(to & Army<C, const ChessBoard>::Relative(RANK_8))) return NOPROMOTION;
    return C == WHITE ? 'Q' : 'q';
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

// One move, its OrderValue left for an ordering to set.
inline void Put(MoveGen &g, int &n, u64 from, u64 to, char promotion)
{
    g.From[n] = from;
    g.To[n] = to;
    g.Promotion[n] = promotion;
    n++;
}

// One move per square of targets, lowest square first.
inline void PutTargets(MoveGen &g, int &n, u64 from, u64 targets)
{
    for (; targets; targets &= targets - 1)
        Put(g, n, from, targets & (0 - targets), NOPROMOTION);
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

// The pawn moves of colour C: the targets of every pawn at once, then the pawns that have a
// move, lowest square first, each in the order double step, single step, capture to the pawn's
// left (towards the a-file for White, the h-file for Black), capture to its right, en passant.
// emit(n, from, to, promotion, capture) appends one move at n and counts it.
template <int C, typename Emit> inline void PawnMoves(const ChessBoard &b, int &n, Emit emit)
{
    constexpr bool white = C == WHITE;
    const auto us = ArmyOf<C>(b);
    const auto them = ArmyOf<C ^ 1>(b);
    const u64 empty = ~b.AllPieces;
    const u64 pawns = us.Pawns();
    const u64 enemy = them.Pieces();
    auto ahead = [](u64 m, int squares) { return white ? m << squares : m >> squares; };
    auto behind = [](u64 m, int squares) { return white ? m >> squares : m << squares; };
    const u64 single = ahead(pawns, 8) & empty;
    const u64 twice = ahead(single & us.Relative(RANK_3), 8) & empty;
    const u64 left = ahead(pawns & (white ? ~FILE_A : ~FILE_H), 7) & enemy;
    const u64 right = ahead(pawns & (white ? ~FILE_H : ~FILE_A), 9) & enemy;
    // En passant needs the opponent's double step beside the pawn as the last move.
    u64 passer = 0;
    const u64 epTarget = us.Ahead(b.LastTo);
    if ((b.LastTo & them.Pawns() & us.Relative(RANK_5)) && (b.LastFrom & us.Relative(RANK_7))) {
        if (!(b.LastFrom & FILE_A)) passer |= b.LastTo >> 1;
        if (!(b.LastFrom & FILE_H)) passer |= b.LastTo << 1;
        passer &= pawns & us.Relative(RANK_5);
    }
    const u64 movers =
        behind(single, 8) | behind(twice, 16) | behind(left, 7) | behind(right, 9) | passer;
    auto add = [&](u64 set, char promo) __attribute__((always_inline))
    {
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
    const u64 promoting = us.Relative(RANK_7);
    if (white) {
        add(movers & ~promoting, NOPROMOTION);
        add(movers & promoting, 'Q');
    } else {
        add(movers & promoting, 'q');
        add(movers & ~promoting, NOPROMOTION);
    }
}

// The squares of the rank from the one of a to the one of b, both included (one-bit masks on
// one rank).
constexpr u64 RankSpan(u64 a, u64 b)
{
    const u64 low = a < b ? a : b, high = a < b ? b : a;
    return (high << 1) - low;
}

// Castling of colour C with the rights in castle, king side first; each move gets OrderValue
// 800. The king goes to the g-file (c-file), its rook to the f-file (d-file). Every square either
// passes over or lands on must be empty but for the two of them, and no square the king stands
// on, crosses or lands on may be attacked, the rook lifted off the board. Under standard rules
// the move is the king's two-square move, under Chess960 rules the king takes its rook.
template <int C> int Castles(MoveGen &g, const ChessBoard &b, char castle, int n)
{
    const auto us = ArmyOf<C>(b);
    if (!(castle & (us.KingSide | us.QueenSide))) return n;
    const u64 king = us.King();
    auto castling = [&](char right, int rookIndex, u64 kingTo, u64 rookTo) {
        const u64 rook = SquareMask(b.CastleRook[rookIndex]);
        if (!(castle & right) || !(us.Rooks() & rook)) return;
        const u64 kingPath = RankSpan(king, kingTo);
        if (b.AllPieces & (kingPath | RankSpan(rook, rookTo)) & ~(king | rook)) return;
        const u64 occupied = b.AllPieces ^ rook;
        for (u64 path = kingPath; path; path &= path - 1)
            if (AttackedThrough<C>(b, LowestSquare(path), occupied)) return;
        g.OrderValue[n] = 800;
        Put(g, n, king, b.Chess960 ? rook : kingTo, NOPROMOTION);
    };
    castling(us.KingSide, us.KingSideRook, us.Relative(G1), us.Relative(F1));
    castling(us.QueenSide, us.QueenSideRook, us.Relative(C1), us.Relative(D1));
    return n;
}

// Every move of colour C (GenerateAllMoves).
template <int C> int AllMoves(MoveGen &g, const ChessBoard &b, char castle)
{
    const auto us = ArmyOf<C>(b);
    const u64 knights = us.Knights(), bishops = us.Bishops(), rooks = us.Rooks();
    const u64 queens = us.Queens(), king = us.King();
    const u64 enemy = ArmyOf<C ^ 1>(b).Pieces();
    const u64 occ = b.AllPieces;
    int n = 0;
    // Captures: knights, bishops, rooks, queens, king.
    n = KnightMoves(g, knights, enemy, n);
    n = BishopMoves(g, bishops, occ, enemy, n);
    n = RookMoves(g, rooks, occ, enemy, n);
    n = QueenMoves(g, queens, occ, enemy, n);
    n = KingMoves(g, king, enemy, n);
    // Quiet moves: knights, bishops, rooks, queens, castling, king; then the pawns.
    n = KnightMoves(g, knights, ~occ, n);
    n = BishopMoves(g, bishops, occ, ~occ, n);
    n = RookMoves(g, rooks, occ, ~occ, n);
    n = QueenMoves(g, queens, occ, ~occ, n);
    n = Castles<C>(g, b, castle, n);
    n = KingMoves(g, king, ~occ, n);
    PawnMoves<C>(b, n,
                 [&g](int &k, u64 from, u64 to, char promo, bool) { Put(g, k, from, to, promo); });
    return n;
}

// The quiescence list of colour C with its values and selection record (GenerateQuiesceMoves).
template <int C> int OrderedQuiesceList(MoveGen &g, const ChessBoard &b, u64 *aboveOut)
{
    const auto us = ArmyOf<C>(b);
    const u64 queens = us.Queens(), rooks = us.Rooks(), knights = us.Knights();
    const u64 bishops = us.Bishops(), king = us.King();
    const u64 enemy = ArmyOf<C ^ 1>(b).Pieces();
    const u64 occ = b.AllPieces;
    constexpr char victims = C ^ 1;
    int n = 0;
    // Captures and promotions: their entries' bits and their lowest value. Every other move has
    // the value 0.
    u64 valued = 0;
    i32 lowestValued = INT32_MAX;
    auto put = [&](int &k, u64 from, u64 to, char promo, i32 value) __attribute__((always_inline))
    {
        g.From[k] = from;
        g.To[k] = to;
        g.Promotion[k] = promo;
        g.OrderValue[k] = value;
        valued |= u64{1} << (k & 63);
        if (value < lowestValued) lowestValued = value;
        k++;
    };
    // Captures of a piece that costs cost: victim less cost plus 10.
    auto captures = [&](u64 pieces, i32 cost, auto attacks) __attribute__((always_inline))
    {
        for (u64 bb = pieces; bb && n < MAXMOVES; bb &= bb - 1) {
            const int sq = LowestSquare(bb);
            const u64 from = SquareMask(sq);
            for (u64 t = attacks(sq) & enemy; t; t &= t - 1) {
                const u64 to = t & (0 - t);
                put(n, from, to, NOPROMOTION, VictimValue(b, victims, to, 10000) - cost + 10);
            }
        }
    };
    captures(queens, 38, [occ](int sq) { return QueenAttacksFrom(sq, occ); });
    captures(rooks, 19, [occ](int sq) { return RookAttacksFrom(sq, occ); });
    captures(knights, 12, [](int sq) { return KnightTable[sq]; });
    captures(bishops, 12, [occ](int sq) { return BishopAttacksFrom(sq, occ); });
    // Pawns: captures by victim less 3 plus 10, a step onto the last rank 750, the rest 0.
    PawnMoves<C>(
        b,
        n, [&](int &k, u64 from, u64 to, char promo, bool capture) __attribute__((always_inline)) {
            if (capture)
                put(k, from, to, promo, VictimValue(b, victims, to, 10000) - 3 + 10);
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
    if (CheckKingCount(king)) {
        captures(king, 38, [](int sq) { return KingTable[sq]; });
        if (king & (king - 1)) ReportExtraKing();
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

// King steps of colour C to squares not attacked once the king is lifted off the board.
template <int C> int KingEvasions(MoveGen &g, const ChessBoard &b, int n)
{
    const auto us = ArmyOf<C>(b);
    if (!us.King()) return n;
    const int sq = LowestSquare(us.King());
    const u64 k = SquareMask(sq);
    // The king is lifted off the board, so a slider's ray through its square counts.
    const u64 occ = b.AllPieces & ~k;
    for (u64 t = KingTable[sq] & ~us.Pieces(); t; t &= t - 1) {
        const int to = LowestSquare(t);
        if (!AttackedThrough<C>(b, to, occ)) Put(g, n, k, SquareMask(to), NOPROMOTION);
    }
    return n;
}

// The pawn moves of colour C onto target squares (the checker and the squares between it and
// the king): the en passant capture of a checking pawn, then single steps, double steps and
// captures.
template <int C> int PawnEvasions(MoveGen &g, const ChessBoard &b, u64 target, int n)
{
    constexpr bool white = C == WHITE;
    const auto us = ArmyOf<C>(b);
    const auto them = ArmyOf<C ^ 1>(b);
    const u64 pawns = us.Pawns(), enemy = them.Pieces();
    const u64 empty = ~b.AllPieces;
    // 1. En passant capture of a pawn that checks a king on its fourth rank (the pawn stands
    //    diagonally ahead of the king: to its left first, from the king's side).
    const u64 k = us.King();
    if (k & us.Relative(RANK_4)) {
        const bool epReady =
            (b.LastTo & them.Pawns() & us.Relative(RANK_5)) && (b.LastFrom & us.Relative(RANK_7));
        const u64 checkerSquares[2] = {white ? us.AheadWest(k) : us.AheadEast(k),
                                       white ? us.AheadEast(k) : us.AheadWest(k)};
        const u64 epTarget = us.Ahead(b.LastTo);
        for (u64 s : checkerSquares) {
            if (!(s & them.Pawns())) continue;
            const u64 beside[2] = {(s & FILE_A) ? 0 : (s >> 1), (s & FILE_H) ? 0 : (s << 1)};
            for (u64 p : beside) {
                if (!(p & pawns & us.Relative(RANK_5)) || !epReady || n >= MAXMOVES) continue;
                if (p == (b.LastTo >> 1) && !(b.LastFrom & FILE_A))
                    Put(g, n, p, epTarget, NOPROMOTION);
                if (p == (b.LastTo << 1) && !(b.LastFrom & FILE_H))
                    Put(g, n, p, epTarget, NOPROMOTION);
            }
        }
    }
    // 2. Single steps onto empty target squares.
    for (u64 t = target & empty; t && n < MAXMOVES; t &= t - 1) {
        const u64 to = t & (0 - t);
        if (us.Behind(to) & pawns) Put(g, n, us.Behind(to), to, PromotionOn<C>(to));
    }
    // 3. Double steps onto empty target squares of the fourth rank over an empty square.
    for (u64 t = target & empty & us.Relative(RANK_4); t && n < MAXMOVES; t &= t - 1) {
        const u64 to = t & (0 - t);
        const u64 from = us.Behind(us.Behind(to));
        if ((us.Behind(to) & empty) && (from & pawns)) Put(g, n, from, to, NOPROMOTION);
    }
    // 4. Captures onto target squares: first by the pawn whose capture to its left lands there
    //    (left: towards the a-file for White, the h-file for Black), then by the other.
    for (u64 t = target & enemy; t && n < MAXMOVES; t &= t - 1) {
        const u64 to = t & (0 - t);
        const char promo = PromotionOn<C>(to);
        const u64 byLeft = white ? to >> 7 : to << 7, byRight = white ? to >> 9 : to << 9;
        if (byLeft & pawns & (white ? ~FILE_A : ~FILE_H)) Put(g, n, byLeft, to, promo);
        if (byRight & pawns & (white ? ~FILE_H : ~FILE_A)) Put(g, n, byRight, to, promo);
    }
    return n;
}

// King moves against a check of colour C; against a single check also the knight, rook,
// bishop, pawn and queen moves that capture the checker or step in between (GenCheckEvasions).
template <int C> int CheckEvasions(MoveGen &g, const ChessBoard &b)
{
    const auto us = ArmyOf<C>(b);
    const auto them = ArmyOf<C ^ 1>(b);
    const u64 k = us.King();

    // 1. Checkers: pawns, knights, and the lines to a checking slider (checker included).
    const u64 pawnCheckers = us.PawnAttacks(k) & them.Pawns();
    const u64 knightCheckers = b.KnightMask(k) & them.Knights();
    const u64 orthogonal = b.RookCheckMask(k, them.Rooks() | them.Queens());
    const u64 diagonal = b.BishopCheckMask(k, them.Bishops() | them.Queens());

    // 2-3. Evasion target and checker count (each line and the knights count once).
    const u64 target = pawnCheckers | knightCheckers | orthogonal | diagonal;
    const int checks =
        SimpleBitCount(pawnCheckers) + (knightCheckers != 0) + (orthogonal != 0) + (diagonal != 0);

    // 4-5. King moves always; other pieces only against a single check, onto target squares
    //      their own pieces do not hold.
    int n = KingEvasions<C>(g, b, 0);
    if (checks == 1) {
        const u64 occ = b.AllPieces, onto = target & ~us.Pieces();
        n = KnightMoves(g, us.Knights(), onto, n);
        n = RookMoves(g, us.Rooks(), occ, onto, n);
        n = BishopMoves(g, us.Bishops(), occ, onto, n);
        n = PawnEvasions<C>(g, b, target, n);
        n = QueenMoves(g, us.Queens(), occ, onto, n);
    }
    return n;
}

} // namespace

int MoveGen::GenerateAllMoves(char colour, ChessBoard *board, char castle)
{
    Board = board;
    SelEnd = -1;
    return colour ? AllMoves<BLACK>(*this, *board, castle) : AllMoves<WHITE>(*this, *board, castle);
}

int MoveGen::GenerateQuiesceMoves(char colour, ChessBoard *board, char)
{
    Board = board;
    u64 above = 0;
    const int n = colour == 0 ? OrderedQuiesceList<WHITE>(*this, *board, &above)
                              : OrderedQuiesceList<BLACK>(*this, *board, &above);
    SetSelection(above, n);
    return n;
}

int MoveGen::GenCheckEvasions(char colour, ChessBoard *board)
{
    Board = board;
    SelEnd = -1;
    return colour ? CheckEvasions<BLACK>(*this, *board) : CheckEvasions<WHITE>(*this, *board);
}

int MoveGen::ScanBest(int start, int end)
{
    // Lazy selection: the full scan that stands in for the selection record.
    SelEnd = -1;
    int best = start;
    for (int i = start + 1; i < end; i++)
        if (OrderValue[i] > OrderValue[best]) best = i;
    return best;
}
