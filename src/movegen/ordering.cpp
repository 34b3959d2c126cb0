// Move ordering of the quiescence search, the victim values both orderings share, and lazy
// selection.

#include <cstdint>

#include "movegen/movegen.h"

namespace {

// Capture cost of the quiescence ordering.
template <int side>
inline i32 QuiesceCost(const ChessBoard &b, u64 from)
{
    if (from & (side ? b.BlackBishops | b.BlackKnights : b.WhiteBishops | b.WhiteKnights))
        return 12;
    if (from & (side ? b.BlackRooks : b.WhiteRooks)) return 19;
    if (from & (side ? b.BlackPawns : b.WhitePawns)) return 3;
    return 38;
}

// Captures by victim less attacker, queen promotions 750, the rest 0; every move of a generated
// list belongs to one side, the side of its first move. Returns the selection record: bit i set
// when entry i lies above the lowest value (entries 0 .. 63).
template <int side>
u64 QuiesceValues(const ChessBoard &b, const u64 *From, const u64 *To, i32 *OrderValue, int n)
{
    const u64 enemy = side ? b.WhitePieces : b.BlackPieces;
    const u64 pawns = side ? b.BlackPawns : b.WhitePawns;
    const u64 lastRank = side ? kRank1 : kRank8;
    AboveLowest record;
    for (int i = 0; i < n; i++) {
        const u64 from = From[i], to = To[i];
        i32 value = 0;
        if (to & enemy)
            value = VictimValue(b, side ? 0 : 1, to, 10000) - QuiesceCost<side>(b, from) + 10;
        else if ((from & pawns) && (to & lastRank))
            value = 750;
        OrderValue[i] = value;
        record.Add(value);
    }
    return record.above;
}

} // namespace

void MoveGen::QuiesceAssignMoveOrderValues(int n, int)
{
    if (n <= 0) {
        SetSelection(0, 0);
        return;
    }
    const ChessBoard &b = *Board;
    const u64 above = (From[0] & b.WhitePieces) ? QuiesceValues<0>(b, From, To, OrderValue, n)
                                                 : QuiesceValues<1>(b, From, To, OrderValue, n);
    SetSelection(above, n);
}

void MoveGen::PrepareSelection(int n)
{
    if (n > 64) {
        SelEnd = -1;
        return;
    }
    AboveLowest record;
    for (int i = 0; i < n; i++)
        record.Add(OrderValue[i]);
    SetSelection(record.above, n);
}

int MoveGen::ScanBest(int start, int end)
{
    SelEnd = -1;
    int best = start;
    for (int i = start + 1; i < end; i++)
        if (OrderValue[i] > OrderValue[best]) best = i;
    return best;
}
