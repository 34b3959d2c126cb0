// Move ordering of the interior and root searches: what the search has learnt first (the
// line, the table's move, the killers), then captures by victim and attacker, then history.

#include "eval/tables.h"
#include "movegen/movegen.h"
#include "search/compmov.h"

namespace {

// Special values of the interior ordering.
constexpr i32 kHashMoveValue = 29000;
constexpr i32 kPVMoveValue = 28998;
constexpr i32 kKiller0Value = 1020;
constexpr i32 kKiller1Value = 1010;
constexpr i32 kCaptureBase = 9750;
constexpr i32 kQueenPromotionValue = 4875;
constexpr i32 kOddMoveValue = 500;
constexpr i32 kKingLineBonus = 28;

inline u64 FileOf(int sq)
{
    return kFileA << (sq & 7);
}
inline u64 RankOf(int sq)
{
    return kRank1 << (sq & 56);
}

// Cost and positional adjustment of the capturing piece in the interior ordering.
inline i32 InteriorAdjustment(const ChessBoard &b, char side, u64 from, u64 to)
{
    const int toSq = LowestSquare(to);
    const int fromSq = LowestSquare(from);
    const u64 bishops = side ? b.BlackBishops : b.WhiteBishops;
    const u64 knights = side ? b.BlackKnights : b.WhiteKnights;
    const u64 rooks = side ? b.BlackRooks : b.WhiteRooks;
    const u64 pawns = side ? b.BlackPawns : b.WhitePawns;
    const u64 queens = side ? b.BlackQueens : b.WhiteQueens;
    if (from & bishops) return -12;
    if (from & knights) return (side ? BKnightPost[toSq] : WKnightPost[toSq]) - 10;
    if (from & rooks) {
        i32 adj = 0;
        if (!(FileOf(toSq) & (b.WhitePawns | b.BlackPawns))) adj += OpenFileControl[toSq & 7];
        if (to & (side ? kRank2 : kRank7)) adj += Majorson7[1];
        return adj - 19;
    }
    if (from & pawns) {
        i32 adj = 0;
        const u64 enemyPawns = side ? b.WhitePawns : b.BlackPawns;
        if (!(FrontSpan(side, to) & enemyPawns)) {
            const int toRank = side ? 7 - (toSq >> 3) : toSq >> 3;
            const int fromRank = side ? 7 - (fromSq >> 3) : fromSq >> 3;
            adj += Passers[toRank] - Passers[fromRank];
        }
        return adj - 3;
    }
    if (from & queens) return -38;
    return -14625;
}

} // namespace

void SearchRoutines::AssignMoveOrderValues(MoveGen &mg, int n, int ply, u64 enemyKing, int hashMove,
                                           char nodeType)
{
    const ChessBoard &b = *mg.Board;
    u64 *const From = mg.From;
    u64 *const To = mg.To;
    char *const Promotion = mg.Promotion;
    i32 *const OrderValue = mg.OrderValue;
    const PVEntry pv = PVTable[ply][ply];
    const u16 killer0 = Killers[ply][0];
    const u16 killer1 = Killers[ply][1];
    const u64 kingLines =
        enemyKing ? (FileOf(LowestSquare(enemyKing)) | RankOf(LowestSquare(enemyKing))) : 0;
    bool pvGiven = false, hashGiven = false, killer0Given = false, killer1Given = false;

    for (int i = 0; i < n; i++) {
        const u64 from = From[i], to = To[i];
        const char promo = Promotion[i];
        const int code = MoveCode(from, to);
        // The moves of the line, the table and the killers, each given once.
        if (nodeType != CUTNODE && !pvGiven && pv.code == code && pv.promotion == promo) {
            OrderValue[i] = kPVMoveValue;
            pvGiven = true;
            continue;
        }
        if (!hashGiven && hashMove != 0 && hashMove == code) {
            OrderValue[i] = kHashMoveValue;
            hashGiven = true;
            continue;
        }
        if (!killer0Given && killer0 == code) {
            OrderValue[i] = kKiller0Value;
            killer0Given = true;
            continue;
        }
        if (!killer1Given && killer1 == code) {
            OrderValue[i] = kKiller1Value;
            killer1Given = true;
            continue;
        }
        // Captures by victim and attacker, quiet moves by history.
        const char side = (from & b.WhitePieces) ? 0 : 1;
        const u64 enemy = side ? b.WhitePieces : b.BlackPieces;
        i32 value;
        if (to & enemy) {
            value = VictimValue(b, side ? 0 : 1, to, 0) + InteriorAdjustment(b, side, from, to) +
                    kCaptureBase;
        } else if (promo == (side ? 'q' : 'Q')) {
            value = kQueenPromotionValue;
        } else if (promo == NOPROMOTION) {
            value = History[side ? 1 : 0][code] >> 7;
        } else {
            value = kOddMoveValue;
        }
        const u64 heavy = side ? (b.BlackRooks | b.BlackQueens) : (b.WhiteRooks | b.WhiteQueens);
        if ((from & heavy) && (to & kingLines)) value += kKingLineBonus;
        OrderValue[i] = value;
    }
}
