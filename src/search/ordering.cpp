// Move ordering of the interior and root searches: what the search has learnt first (the
// line, the table's move, the killers), then captures by victim and attacker, then history.

#include <cstdint>

#include "eval/tables.h"
#include "movegen/movegen.h"
#include "search/search.h"

namespace {

// Special values of the interior ordering.
constexpr i32 HASH_MOVE_VALUE = 29000;
constexpr i32 PV_MOVE_VALUE = 28998;
constexpr i32 KILLER0_VALUE = 1020;
constexpr i32 KILLER1_VALUE = 1010;
constexpr i32 CAPTURE_BASE = 9750;
constexpr i32 QUEEN_PROMOTION_VALUE = 4875;
constexpr i32 ODD_MOVE_VALUE = 500;
constexpr i32 KING_LINE_BONUS = 28;

inline u64 FileOf(int sq)
{
    return FILE_A << (sq & 7);
}
inline u64 RankOf(int sq)
{
    return RANK_1 << (sq & 56);
}

// The from and to masks of a move code, or two empty masks for a code no move has (an empty
// from-mask matches no generated move). Code 0 gives a1-a1, which no move has either.
struct CodeMasks {
    u64 from = 0, to = 0;
};
inline CodeMasks MasksOf(int code)
{
    CodeMasks m;
    if (code >= 0 && code < 4096) {
        m.from = SquareMask(code >> 6);
        m.to = SquareMask(code & 63);
    }
    return m;
}

// Cost and positional adjustment of the capturing piece in the interior ordering.
template <int side> inline i32 InteriorAdjustment(const ChessBoard &b, u64 from, u64 to)
{
    const auto us = ArmyOf<side>(b);
    const int toSq = LowestSquare(to);
    const int fromSq = LowestSquare(from);
    if (from & us.Bishops()) return -12;
    if (from & us.Knights()) return (side ? BKnightPost[toSq] : WKnightPost[toSq]) - 10;
    if (from & us.Rooks()) {
        i32 adj = 0;
        if (!(FileOf(toSq) & (b.WhitePawns | b.BlackPawns))) adj += OpenFileControl[toSq & 7];
        if (to & us.Relative(RANK_7)) adj += Majorson7[1];
        return adj - 19;
    }
    if (from & us.Pawns()) {
        i32 adj = 0;
        if (!(FrontSpan(side, to) & ArmyOf<side ^ 1>(b).Pawns())) {
            const int toRank = side ? 7 - (toSq >> 3) : toSq >> 3;
            const int fromRank = side ? 7 - (fromSq >> 3) : fromSq >> 3;
            adj += Passers[toRank] - Passers[fromRank];
        }
        return adj - 3;
    }
    if (from & us.Queens()) return -38;
    return -14625;
}

// What a node has learnt: the line's move, the table's move and the killers, each given to the
// first entry of the list that is that move.
struct LearntMoves {
    CodeMasks pv, hash, killer0, killer1;
    char pvPromotion;
    u64 anyFrom; // the from-squares of the four
};

// The values of the n entries, with the selection record of the list. Every move of a generated
// list belongs to one side, the side of its first move.
template <int side>
void OrderList(MoveGen &mg, int n, LearntMoves learnt, u64 kingLines, const i32 *history)
{
    const ChessBoard &b = *mg.Board;
    const u64 *const From = mg.From;
    const u64 *const To = mg.To;
    const char *const Promotion = mg.Promotion;
    i32 *const OrderValue = mg.OrderValue;
    const u64 enemy = ArmyOf<side ^ 1>(b).Pieces();
    const u64 heavy = ArmyOf<side>(b).StraightSliders();
    constexpr char queenPromotion = side ? 'q' : 'Q';
    AboveLowest record;

    for (int i = 0; i < n; i++) {
        const u64 from = From[i], to = To[i];
        const char promo = Promotion[i];
        i32 value;
        if ((from & learnt.anyFrom) && from == learnt.pv.from && to == learnt.pv.to &&
            promo == learnt.pvPromotion) {
            value = PV_MOVE_VALUE;
            learnt.pv.from = 0;
        } else if ((from & learnt.anyFrom) && from == learnt.hash.from && to == learnt.hash.to) {
            value = HASH_MOVE_VALUE;
            learnt.hash.from = 0;
        } else if ((from & learnt.anyFrom) && from == learnt.killer0.from &&
                   to == learnt.killer0.to) {
            value = KILLER0_VALUE;
            learnt.killer0.from = 0;
        } else if ((from & learnt.anyFrom) && from == learnt.killer1.from &&
                   to == learnt.killer1.to) {
            value = KILLER1_VALUE;
            learnt.killer1.from = 0;
        } else {
            // Captures by victim and attacker, quiet moves by history.
            if (to & enemy) {
                value = VictimValue(b, side ? 0 : 1, to, 0) +
                        InteriorAdjustment<side>(b, from, to) + CAPTURE_BASE;
            } else if (promo == NOPROMOTION) {
                value = history[LowestSquare(from) * 64 + LowestSquare(to)] >> 7;
            } else if (promo == queenPromotion) {
                value = QUEEN_PROMOTION_VALUE;
            } else {
                value = ODD_MOVE_VALUE;
            }
            if ((from & heavy) && (to & kingLines)) value += KING_LINE_BONUS;
        }
        OrderValue[i] = value;
        record.Add(value);
    }
    mg.SetSelection(record.above, n);
}

} // namespace

void SearchRoutines::AssignMoveOrderValues(MoveGen &mg, int n, int ply, u64 enemyKing, int hashMove,
                                           char nodeType)
{
    if (n <= 0) {
        mg.SetSelection(0, 0);
        return;
    }
    const ChessBoard &b = *mg.Board;
    const PVEntry pv = PVTable[ply][ply];
    LearntMoves learnt;
    // The line's move is not looked for at a node expected to fail high.
    if (nodeType != CUTNODE) learnt.pv = MasksOf(pv.code);
    learnt.pvPromotion = pv.promotion;
    if (hashMove != 0) learnt.hash = MasksOf(hashMove);
    learnt.killer0 = MasksOf(Killers[ply][0]);
    learnt.killer1 = MasksOf(Killers[ply][1]);
    learnt.anyFrom = learnt.pv.from | learnt.hash.from | learnt.killer0.from | learnt.killer1.from;
    const u64 kingLines =
        enemyKing ? (FileOf(LowestSquare(enemyKing)) | RankOf(LowestSquare(enemyKing))) : 0;
    if (mg.From[0] & b.WhitePieces)
        OrderList<0>(mg, n, learnt, kingLines, History[0]);
    else
        OrderList<1>(mg, n, learnt, kingLines, History[1]);
}
