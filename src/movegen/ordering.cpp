// Move ordering of the quiescence search, the victim values both orderings share, and lazy
// selection.

#include <utility>

#include "movegen/movegen.h"

namespace {

// Capture cost of the quiescence ordering.
inline i32 QuiesceCost(const ChessBoard &b, char side, u64 from)
{
    if (from & (side ? b.BlackBishops | b.BlackKnights : b.WhiteBishops | b.WhiteKnights))
        return 12;
    if (from & (side ? b.BlackRooks : b.WhiteRooks)) return 19;
    if (from & (side ? b.BlackPawns : b.WhitePawns)) return 3;
    return 38;
}

} // namespace

void MoveGen::QuiesceAssignMoveOrderValues(int n, int)
{
    const ChessBoard &b = *Board;
    for (int i = 0; i < n; i++) {
        const u64 from = From[i], to = To[i];
        const char side = (from & b.WhitePieces) ? 0 : 1;
        if (to & (side ? b.WhitePieces : b.BlackPieces)) {
            OrderValue[i] =
                VictimValue(b, side ? 0 : 1, to, 10000) - QuiesceCost(b, side, from) + 10;
        } else if (side == 0 && (from & b.WhitePawns) && (to & kRank8)) {
            OrderValue[i] = 750;
        } else if (side == 1 && (from & b.BlackPawns) && (to & kRank1)) {
            OrderValue[i] = 750;
        } else {
            OrderValue[i] = 0;
        }
    }
}

void MoveGen::NextMove(int start, int end, u64 *from, u64 *to, char *promotion)
{
    int best = start;
    for (int i = start + 1; i < end; i++)
        if (OrderValue[i] > OrderValue[best]) best = i;
    if (best != start && start < end) {
        std::swap(From[start], From[best]);
        std::swap(To[start], To[best]);
        std::swap(Promotion[start], Promotion[best]);
        std::swap(OrderValue[start], OrderValue[best]);
    }
    *from = From[start];
    *to = To[start];
    *promotion = Promotion[start];
}
