#include "movegen/perft.h"

#include <array>
#include <cinttypes>
#include <cstdio>

#include "board/movetext.h"
#include "core/status.h"
#include "movegen/movegen.h"

namespace {

using namespace BackRank;

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

constexpr auto SquaresBetween = MakeBetween();
// a1 to h8: b2 c3 d4 e5 f6 g7. e1 to e8: e2 .. e7. a1 to b3: no line.
static_assert(SquaresBetween[0][63] == 0x0040201008040200ULL);
static_assert(SquaresBetween[4][60] == 0x0010101010101000ULL);
static_assert(SquaresBetween[0][17] == 0);

// True if colour Us's opponent, them, attacks square sq, sliders seen through occ.
template <int Us, typename A> inline bool Attacked(const A them, int sq, u64 occ)
{
    return (Army<Us, const ChessBoard>::PawnAttacks(SquareMask(sq)) & them.Pawns()) ||
           (KnightTable[sq] & them.Knights()) || (KingTable[sq] & them.King()) ||
           (BishopAttacksFrom(sq, occ) & them.DiagonalSliders()) ||
           (RookAttacksFrom(sq, occ) & them.StraightSliders());
}

// Legal moves of one pinned piece, kept on the line of its pin (ray, pinner included).
template <int Us> inline int PinnedMoves(const ChessBoard &b, u64 piece, u64 ray, u64 target)
{
    const auto us = ArmyOf<Us>(b);
    const int sq = LowestSquare(piece);
    const u64 occ = b.AllPieces;
    const u64 allowed = ray & target;
    if (piece & us.Pawns()) {
        const u64 one = us.Ahead(piece) & ~occ;
        const u64 two = us.Ahead(one) & ~occ;
        int n = SimpleBitCount(one & allowed);
        if (piece & us.Relative(RANK_2)) n += SimpleBitCount(two & allowed);
        n += SimpleBitCount(us.PawnAttacks(piece) & ArmyOf<Us ^ 1>(b).Pieces() & allowed);
        return n;
    }
    u64 attacks = 0;
    if (piece & us.DiagonalSliders()) attacks |= BishopAttacksFrom(sq, occ);
    if (piece & us.StraightSliders()) attacks |= RookAttacksFrom(sq, occ);
    return SimpleBitCount(attacks & allowed); // a pinned knight has none
}

// The counter behind CountLegalMoves, for one colour.
template <int Us> int CountLegal(const ChessBoard &b, char castle)
{
    const auto us = ArmyOf<Us>(b);
    const auto them = ArmyOf<Us ^ 1>(b);
    const u64 king = us.King(), own = us.Pieces(), enemy = them.Pieces();
    const u64 theirDiagonal = them.DiagonalSliders(), theirStraight = them.StraightSliders();
    const u64 occ = b.AllPieces;
    const int k = LowestSquare(king);

    // 1. Checkers of the king.
    const u64 checkers = (us.PawnAttacks(king) & them.Pawns()) | (KnightTable[k] & them.Knights()) |
                         (BishopAttacksFrom(k, occ) & theirDiagonal) |
                         (RookAttacksFrom(k, occ) & theirStraight);

    // 2. King steps onto squares that stay unattacked once the king has left.
    int count = 0;
    const u64 occNoKing = occ ^ king;
    for (u64 t = KingTable[k] & ~own; t; t &= t - 1)
        if (!Attacked<Us>(them, LowestSquare(t), occNoKing)) count++;
    if (checkers & (checkers - 1)) return count; // double check: the king must move

    // 3. Where the other pieces may go: anywhere but their own pieces, or onto the check line.
    const u64 target = checkers ? (SquaresBetween[k][LowestSquare(checkers)] | checkers) : ~own;

    // 4. Pinned pieces, counted along their pin lines.
    u64 pinned = 0;
    const u64 snipers =
        (RookAttacksFrom(k, enemy) & theirStraight) | (BishopAttacksFrom(k, enemy) & theirDiagonal);
    for (u64 s = snipers; s; s &= s - 1) {
        const int sq = LowestSquare(s);
        const u64 between = SquaresBetween[k][sq] & occ;
        if (between && !(between & (between - 1)) && (between & own)) {
            pinned |= between;
            count += PinnedMoves<Us>(b, between, SquaresBetween[k][sq] | SquareMask(sq), target);
        }
    }

    // 5. Free knights and sliders.
    for (u64 bb = us.Knights() & ~pinned; bb; bb &= bb - 1)
        count += SimpleBitCount(KnightTable[LowestSquare(bb)] & target);
    for (u64 bb = us.DiagonalSliders() & ~pinned; bb; bb &= bb - 1)
        count += SimpleBitCount(BishopAttacksFrom(LowestSquare(bb), occ) & target);
    for (u64 bb = us.StraightSliders() & ~pinned; bb; bb &= bb - 1)
        count += SimpleBitCount(RookAttacksFrom(LowestSquare(bb), occ) & target);

    // 6. Free pawns, all at once; a promotion is one move (to a queen).
    const u64 free = us.Pawns() & ~pinned;
    const u64 one = us.Ahead(free) & ~occ;
    const u64 two = us.Ahead(one & us.Relative(RANK_3)) & ~occ;
    count += SimpleBitCount(one & target) + SimpleBitCount(two & target);
    count += SimpleBitCount(us.AheadWest(free) & enemy & target);
    count += SimpleBitCount(us.AheadEast(free) & enemy & target);

    // 7. En passant, exactly as the generators offer it: beside the pawn that just stepped twice;
    //    in check only when that pawn is the checker. Legal unless it uncovers a slider.
    const u64 epRank = us.Relative(RANK_5);
    if ((b.LastTo & them.Pawns() & epRank) && (b.LastFrom & us.Relative(RANK_7)) &&
        (!checkers || checkers == b.LastTo)) {
        const u64 dest = us.Ahead(b.LastTo);
        const u64 candidates[2] = {(b.LastFrom & FILE_A) ? 0 : (b.LastTo >> 1),
                                   (b.LastFrom & FILE_H) ? 0 : (b.LastTo << 1)};
        for (u64 pawn : candidates) {
            if (!(pawn & us.Pawns() & epRank)) continue;
            const u64 after = (occ ^ pawn ^ b.LastTo) | dest;
            if (!(BishopAttacksFrom(k, after) & theirDiagonal) &&
                !(RookAttacksFrom(k, after) & theirStraight))
                count++;
        }
    }

    // 8. Castling: the generator's own test; such a move is always legal.
    if (!checkers) {
        if ((castle & us.KingSide) && !(occ & us.Relative(F1 | G1)) &&
            (us.Rooks() & us.Relative(H1)) && !b.IsAttacked(us.Relative(F1), Us) &&
            !b.IsAttacked(us.Relative(G1), Us))
            count++;
        if ((castle & us.QueenSide) && !(occ & us.Relative(B1 | C1 | D1)) &&
            (us.Rooks() & us.Relative(A1)) && !b.IsAttacked(us.Relative(D1), Us) &&
            !b.IsAttacked(us.Relative(C1), Us))
            count++;
    }
    return count;
}

// The moves of side: the check evasions when its king is attacked, else every move.
int ListMoves(MoveGen &list, char side, ChessBoard &board, char castle)
{
    const u64 king = side ? board.BlackKing : board.WhiteKing;
    return board.InCheck(king, side) ? list.GenCheckEvasions(side, &board)
                                     : list.GenerateAllMoves(side, &board, castle);
}

} // namespace

int CountLegalMoves(char side, const ChessBoard &board, char castle)
{
    return side ? CountLegal<BLACK>(board, castle) : CountLegal<WHITE>(board, castle);
}

bool PerftFastPathApplies(char side, const ChessBoard &b, char castle)
{
    const auto white = ArmyOf<WHITE>(b);
    const auto black = ArmyOf<BLACK>(b);
    // 1. One king each.
    if (SimpleBitCount(white.King()) != 1 || SimpleBitCount(black.King()) != 1) return false;
    // 2. Disjoint piece sets that match the occupancy.
    int pieces = 0;
    auto setUnion = [&pieces](const auto a) {
        u64 u = 0;
        for (u64 set : {a.Pawns(), a.Knights(), a.Bishops(), a.Rooks(), a.Queens(), a.King()}) {
            u |= set;
            pieces += SimpleBitCount(set);
        }
        return u;
    };
    const u64 wu = setUnion(white), bu = setUnion(black);
    if (wu != b.WhitePieces || bu != b.BlackPieces || (wu | bu) != b.AllPieces) return false;
    if (pieces != SimpleBitCount(b.AllPieces)) return false;
    // 3. No pawn on the first or last rank.
    if ((b.WhitePawns | b.BlackPawns) & (RANK_1 | RANK_8)) return false;
    // 4. The side that just moved is not in check.
    if (side ? b.IsAttacked(b.WhiteKing, 0) : b.IsAttacked(b.BlackKing, 1)) return false;
    // 5. Castling rights only with the king and the rook at home (standard castling).
    if (NeedsChess960(b, castle)) return false;
    // 6. An en passant square that holds nothing.
    auto epSquareEmpty = [&b](const auto us, const auto them) {
        return !((b.LastTo & them.Pawns() & us.Relative(RANK_5)) &&
                 (b.LastFrom & us.Relative(RANK_7)) && (us.Ahead(b.LastTo) & b.AllPieces));
    };
    return side == 0 ? epSquareEmpty(white, black) : epSquareEmpty(black, white);
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

int DividedPerft(const ChessBoard &board, int depth, PerftLine *lines)
{
    const char side = board.SideToMove ? 1 : 0;
    ChessBoard b = board;
    MoveGen list;
    const int n = ListMoves(list, side, b, b.CastleFlags);
    int count = 0;
    for (int i = 0; i < n; i++) {
        char mask;
        ChessBoard child = board;
        child.MakeMoveOnCopy(list.From[i], list.To[i], list.Promotion[i], &mask);
        if (child.InCheck(side ? child.BlackKing : child.WhiteKing, side)) continue;
        PerfT below;
        if (depth > 1) below.Count(side ? 0 : 1, depth - 1, child, board.CastleFlags & mask);
        lines[count++] = {list.From[i], list.To[i], list.Promotion[i],
                          depth > 1 ? below.LeafNodes : 1};
    }
    return count;
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
    const int n = ListMoves(list, side, board, castle);
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
    const int n = ListMoves(list, side, board, castle);
    for (int i = 0; i < n; i++) {
        char mask;
        ChessBoard child = board;
        child.MakeMoveOnCopy(list.From[i], list.To[i], list.Promotion[i], &mask);
        if (child.InCheck(side ? child.BlackKing : child.WhiteKing, side)) continue;
        TotalNodes++;
        CountTree(other, depth - 1, child, static_cast<char>(castle & mask));
    }
}
