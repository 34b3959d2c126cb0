#include "movegen/perft.h"

#include <array>
#include <cinttypes>
#include <cstdio>

#include "board/movetext.h"
#include "core/status.h"
#include "movegen/movegen.h"

namespace {

constexpr u64 E1 = SquareMask(4), E8 = SquareMask(60);
constexpr u64 B1 = SquareMask(1), C1 = SquareMask(2), D1 = SquareMask(3), F1 = SquareMask(5);
constexpr u64 G1 = SquareMask(6), A1 = SquareMask(0), H1 = SquareMask(7);
constexpr u64 B8 = SquareMask(57), C8 = SquareMask(58), D8 = SquareMask(59), F8 = SquareMask(61);
constexpr u64 G8 = SquareMask(62), A8 = SquareMask(56), H8 = SquareMask(63);

// Squares strictly between two squares on a common rank, file or diagonal; 0 otherwise.
constexpr u64 BetweenOf(int a, int b)
{
    const int ra = a / 8, fa = a % 8, rb = b / 8, fb = b % 8;
    const int dr = (rb > ra) - (rb < ra), df = (fb > fa) - (fb < fa);
    const int adr = rb > ra ? rb - ra : ra - rb, adf = fb > fa ? fb - fa : fa - fb;
    if (a == b || !(ra == rb || fa == fb || adr == adf)) return 0;
    u64 m = 0;
    for (int r = ra + dr, f = fa + df; r != rb || f != fb; r += dr, f += df)
        m |= SquareMask(8 * r + f);
    return m;
}

constexpr std::array<std::array<u64, 64>, 64> MakeBetween()
{
    std::array<std::array<u64, 64>, 64> t{};
    for (int a = 0; a < 64; a++)
        for (int b = 0; b < 64; b++)
            t[a][b] = BetweenOf(a, b);
    return t;
}

constexpr auto kBetween = MakeBetween();
// a1 to h8: b2 c3 d4 e5 f6 g7. e1 to e8: e2 .. e7. a1 to b3: no line.
static_assert(kBetween[0][63] == 0x0040201008040200ULL);
static_assert(kBetween[4][60] == 0x0010101010101000ULL);
static_assert(kBetween[0][17] == 0);

// The pieces of the side to move (Us) and of its opponent, as the counter needs them.
struct Sides {
    u64 pawns, knights, diag, orth, king, own;
    u64 ePawns, eKnights, eDiag, eOrth, eKing, enemy;
};

template <int Us> inline Sides SidesOf(const ChessBoard &b)
{
    if (Us == 0)
        return {b.WhitePawns,
                b.WhiteKnights,
                b.WhiteBishops | b.WhiteQueens,
                b.WhiteRooks | b.WhiteQueens,
                b.WhiteKing,
                b.WhitePieces,
                b.BlackPawns,
                b.BlackKnights,
                b.BlackBishops | b.BlackQueens,
                b.BlackRooks | b.BlackQueens,
                b.BlackKing,
                b.BlackPieces};
    return {b.BlackPawns,
            b.BlackKnights,
            b.BlackBishops | b.BlackQueens,
            b.BlackRooks | b.BlackQueens,
            b.BlackKing,
            b.BlackPieces,
            b.WhitePawns,
            b.WhiteKnights,
            b.WhiteBishops | b.WhiteQueens,
            b.WhiteRooks | b.WhiteQueens,
            b.WhiteKing,
            b.WhitePieces};
}

// Pawn steps and captures seen from the side to move: "forward" is north for white.
template <int Us> inline u64 Forward(u64 s)
{
    return Us == 0 ? s << 8 : s >> 8;
}
template <int Us> inline u64 CaptureWest(u64 s)
{
    return Us == 0 ? (s & ~kFileA) << 7 : (s & ~kFileA) >> 9;
}
template <int Us> inline u64 CaptureEast(u64 s)
{
    return Us == 0 ? (s & ~kFileH) << 9 : (s & ~kFileH) >> 7;
}
// Squares from which an enemy pawn attacks the squares of s.
template <int Us> inline u64 PawnAttackers(u64 s)
{
    return CaptureWest<Us>(s) | CaptureEast<Us>(s);
}

// True if the opponent attacks square sq, sliders seen through occ.
template <int Us> inline bool Attacked(const Sides &p, int sq, u64 occ)
{
    return (PawnAttackers<Us>(SquareMask(sq)) & p.ePawns) || (KnightTable[sq] & p.eKnights) ||
           (KingTable[sq] & p.eKing) || (BishopAttacksFrom(sq, occ) & p.eDiag) ||
           (RookAttacksFrom(sq, occ) & p.eOrth);
}

// Legal moves of one pinned piece, kept on the line of its pin (ray, pinner included).
template <int Us>
inline int PinnedMoves(const ChessBoard &b, const Sides &p, u64 piece, u64 ray, u64 target)
{
    const int sq = LowestSquare(piece);
    const u64 occ = b.AllPieces;
    const u64 allowed = ray & target;
    if (piece & p.pawns) {
        constexpr u64 startRank = Us == 0 ? kRank2 : kRank7;
        const u64 one = Forward<Us>(piece) & ~occ;
        const u64 two = Forward<Us>(one) & ~occ;
        int n = SimpleBitCount(one & allowed);
        if (piece & startRank) n += SimpleBitCount(two & allowed);
        n += SimpleBitCount((CaptureWest<Us>(piece) | CaptureEast<Us>(piece)) & p.enemy & allowed);
        return n;
    }
    u64 attacks = 0;
    if (piece & p.diag) attacks |= BishopAttacksFrom(sq, occ);
    if (piece & p.orth) attacks |= RookAttacksFrom(sq, occ);
    return SimpleBitCount(attacks & allowed); // a pinned knight has none
}

// The counter behind CountLegalMoves, for one colour.
template <int Us> int CountLegal(const ChessBoard &b, char castle)
{
    const Sides p = SidesOf<Us>(b);
    const u64 occ = b.AllPieces;
    const int k = LowestSquare(p.king);

    // 1. Checkers of the king.
    const u64 checkers = (PawnAttackers<Us>(p.king) & p.ePawns) | (KnightTable[k] & p.eKnights) |
                         (BishopAttacksFrom(k, occ) & p.eDiag) |
                         (RookAttacksFrom(k, occ) & p.eOrth);

    // 2. King steps onto squares that stay unattacked once the king has left.
    int count = 0;
    const u64 occNoKing = occ ^ p.king;
    for (u64 t = KingTable[k] & ~p.own; t; t &= t - 1)
        if (!Attacked<Us>(p, LowestSquare(t), occNoKing)) count++;
    if (checkers & (checkers - 1)) return count; // double check: the king must move

    // 3. Where the other pieces may go: anywhere but their own pieces, or onto the check line.
    const u64 target = checkers ? (kBetween[k][LowestSquare(checkers)] | checkers) : ~p.own;

    // 4. Pinned pieces, counted along their pin lines.
    u64 pinned = 0;
    const u64 snipers =
        (RookAttacksFrom(k, p.enemy) & p.eOrth) | (BishopAttacksFrom(k, p.enemy) & p.eDiag);
    for (u64 s = snipers; s; s &= s - 1) {
        const int sq = LowestSquare(s);
        const u64 between = kBetween[k][sq] & occ;
        if (between && !(between & (between - 1)) && (between & p.own)) {
            pinned |= between;
            count += PinnedMoves<Us>(b, p, between, kBetween[k][sq] | SquareMask(sq), target);
        }
    }

    // 5. Free knights and sliders.
    for (u64 bb = p.knights & ~pinned; bb; bb &= bb - 1)
        count += SimpleBitCount(KnightTable[LowestSquare(bb)] & target);
    for (u64 bb = p.diag & ~pinned; bb; bb &= bb - 1)
        count += SimpleBitCount(BishopAttacksFrom(LowestSquare(bb), occ) & target);
    for (u64 bb = p.orth & ~pinned; bb; bb &= bb - 1)
        count += SimpleBitCount(RookAttacksFrom(LowestSquare(bb), occ) & target);

    // 6. Free pawns, all at once; a promotion is one move (to a queen).
    const u64 free = p.pawns & ~pinned;
    const u64 one = Forward<Us>(free) & ~occ;
    constexpr u64 thirdRank = Us == 0 ? kRank3 : kRank6;
    const u64 two = Forward<Us>(one & thirdRank) & ~occ;
    count += SimpleBitCount(one & target) + SimpleBitCount(two & target);
    count += SimpleBitCount(CaptureWest<Us>(free) & p.enemy & target);
    count += SimpleBitCount(CaptureEast<Us>(free) & p.enemy & target);

    // 7. En passant, exactly as the generators offer it: beside the pawn that just stepped twice;
    //    in check only when that pawn is the checker. Legal unless it uncovers a slider.
    constexpr u64 epRank = Us == 0 ? kRank5 : kRank4;
    constexpr u64 enemyStart = Us == 0 ? kRank7 : kRank2;
    if ((b.LastTo & p.ePawns & epRank) && (b.LastFrom & enemyStart) &&
        (!checkers || checkers == b.LastTo)) {
        const u64 dest = Us == 0 ? b.LastTo << 8 : b.LastTo >> 8;
        const u64 candidates[2] = {(b.LastFrom & kFileA) ? 0 : (b.LastTo >> 1),
                                   (b.LastFrom & kFileH) ? 0 : (b.LastTo << 1)};
        for (u64 pawn : candidates) {
            if (!(pawn & p.pawns & epRank)) continue;
            const u64 after = (occ ^ pawn ^ b.LastTo) | dest;
            if (!(BishopAttacksFrom(k, after) & p.eDiag) && !(RookAttacksFrom(k, after) & p.eOrth))
                count++;
        }
    }

    // 8. Castling: the generator's own test; such a move is always legal.
    if (!checkers) {
        if (Us == 0) {
            if ((castle & WKSIDE) && !(occ & (F1 | G1)) && (b.WhiteRooks & H1) &&
                !b.IsAttacked(F1, 0) && !b.IsAttacked(G1, 0))
                count++;
            if ((castle & WQSIDE) && !(occ & (B1 | C1 | D1)) && (b.WhiteRooks & A1) &&
                !b.IsAttacked(D1, 0) && !b.IsAttacked(C1, 0))
                count++;
        } else {
            if ((castle & BKSIDE) && !(occ & (F8 | G8)) && (b.BlackRooks & H8) &&
                !b.IsAttacked(F8, 1) && !b.IsAttacked(G8, 1))
                count++;
            if ((castle & BQSIDE) && !(occ & (B8 | C8 | D8)) && (b.BlackRooks & A8) &&
                !b.IsAttacked(D8, 1) && !b.IsAttacked(C8, 1))
                count++;
        }
    }
    return count;
}

} // namespace

int CountLegalMoves(char side, const ChessBoard &board, char castle)
{
    return side ? CountLegal<1>(board, castle) : CountLegal<0>(board, castle);
}

bool PerftFastPathApplies(char side, const ChessBoard &b, char castle)
{
    // 1. One king each.
    if (SimpleBitCount(b.WhiteKing) != 1 || SimpleBitCount(b.BlackKing) != 1) return false;
    // 2. Disjoint piece sets that match the occupancy.
    const u64 white[6] = {b.WhitePawns, b.WhiteKnights, b.WhiteBishops,
                          b.WhiteRooks, b.WhiteQueens,  b.WhiteKing};
    const u64 black[6] = {b.BlackPawns, b.BlackKnights, b.BlackBishops,
                          b.BlackRooks, b.BlackQueens,  b.BlackKing};
    u64 wu = 0, bu = 0;
    int pieces = 0;
    for (int i = 0; i < 6; i++) {
        wu |= white[i];
        bu |= black[i];
        pieces += SimpleBitCount(white[i]) + SimpleBitCount(black[i]);
    }
    if (wu != b.WhitePieces || bu != b.BlackPieces || (wu | bu) != b.AllPieces) return false;
    if (pieces != SimpleBitCount(b.AllPieces)) return false;
    // 3. No pawn on the first or last rank.
    if ((b.WhitePawns | b.BlackPawns) & (kRank1 | kRank8)) return false;
    // 4. The side that just moved is not in check.
    if (side ? b.IsAttacked(b.WhiteKing, 0) : b.IsAttacked(b.BlackKing, 1)) return false;
    // 5. Castling rights only with the king at home.
    if ((castle & (WKSIDE | WQSIDE)) && b.WhiteKing != E1) return false;
    if ((castle & (BKSIDE | BQSIDE)) && b.BlackKing != E8) return false;
    // 6. An en passant square that holds nothing.
    if (side == 0 && (b.LastTo & b.BlackPawns & kRank5) && (b.LastFrom & kRank7) &&
        ((b.LastTo << 8) & b.AllPieces))
        return false;
    if (side != 0 && (b.LastTo & b.WhitePawns & kRank4) && (b.LastFrom & kRank2) &&
        ((b.LastTo >> 8) & b.AllPieces))
        return false;
    return true;
}

PerfT::PerfT(int depth)
{
    // 1-2. Header and trace opening.
    std::printf("Starting PerfT test \n");
    TotalNodes = LeafNodes = 0;
    if (MainStatus.Trace == 1) std::printf("<Trace name=\"Perft\">\n");
    // 3. The count itself.
    Count(MainBoard.SideToMove, depth, MainBoard, MainBoard.CastleFlags);
    // 4-5. Trace closing and report.
    if (MainStatus.Trace == 1) std::printf("</Trace>\n");
    std::printf("%" PRIu64 " Total Nodes at Depth = %d\n", TotalNodes, depth);
    std::printf("%" PRIu64 " Leaf Nodes at Depth = %d\n", LeafNodes, depth);
}

void PerfT::Count(char side, int depth, const ChessBoard &board, char castle)
{
    side = side ? 1 : 0;
    if (MainStatus.Trace == 1 || !PerftFastPathApplies(side, board, castle)) {
        PerformanceTest(side, depth, board, castle);
        return;
    }
    ChessBoard copy = board;
    CountTree(side, depth, copy, castle);
}

void PerfT::PerformanceTest(char side, int depth, ChessBoard board, char castle)
{
    // 1. A leaf.
    if (depth < 1) {
        LeafNodes++;
        return;
    }
    // 2. Evasions when in check, else every move.
    const char other = side ? 0 : 1;
    MoveGen list;
    const u64 king = side ? board.BlackKing : board.WhiteKing;
    const int n = board.InCheck(king, side) ? list.GenCheckEvasions(side, &board)
                                            : list.GenerateAllMoves(side, &board, castle);
    // 3. Each legal move, in list order.
    for (int i = 0; i < n; i++) {
        u64 from, to;
        char promotion, mask;
        list.GetMove(i, 0, &from, &to, &promotion);
        board.MakeMove(from, to, promotion, &mask);
        if (board.InCheck(side ? board.BlackKing : board.WhiteKing, side)) {
            board.UndoMove(0);
            continue;
        }
        TotalNodes++;
        if (MainStatus.Trace == 1) {
            char text[8];
            MoveText(text, LowestSquare(from), LowestSquare(to), promotion);
            std::printf("<Move name=\"{  %s \nnodes %" PRIu64 "\">\n", text, TotalNodes);
        }
        PerformanceTest(other, depth - 1, board, static_cast<char>(castle & mask));
        if (MainStatus.Trace == 1) std::printf("</Move >\n} \n");
        board.UndoMove(0);
    }
}

void PerfT::CountTree(char side, int depth, ChessBoard &board, char castle)
{
    if (depth < 1) {
        LeafNodes++;
        return;
    }
    // The last ply is counted, not played.
    if (depth == 1) {
        const int n = CountLegalMoves(side, board, castle);
        TotalNodes += static_cast<u64>(n);
        LeafNodes += static_cast<u64>(n);
        return;
    }
    const char other = side ? 0 : 1;
    MoveGen list;
    const u64 king = side ? board.BlackKing : board.WhiteKing;
    const int n = board.InCheck(king, side) ? list.GenCheckEvasions(side, &board)
                                            : list.GenerateAllMoves(side, &board, castle);
    for (int i = 0; i < n; i++) {
        char mask;
        ChessBoard child = board;
        child.MakeMoveOnCopy(list.From[i], list.To[i], list.Promotion[i], &mask);
        if (child.InCheck(side ? child.BlackKing : child.WhiteKing, side)) continue;
        TotalNodes++;
        CountTree(other, depth - 1, child, static_cast<char>(castle & mask));
    }
}
