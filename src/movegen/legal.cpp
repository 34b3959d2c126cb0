#include "movegen/legal.h"

#include <cctype>
#include <cstring>

#include "movegen/movegen.h"

namespace {

// True when the move leaves the mover's own king safe.
bool KeepsKingSafe(const ChessBoard &board, char side, u64 from, u64 to, char promo)
{
    ChessBoard child = board;
    char kept = 15;
    child.MakeMove(from, to, promo, &kept);
    return !child.InCheck(side ? child.BlackKing : child.WhiteKing, side);
}

} // namespace

int LegalMoveIndex(const ChessBoard &board, char side, int fromSq, int toSq, MoveGen &mg)
{
    ChessBoard b = board;
    const int n = mg.GenerateAllMoves(side, &b, b.CastleFlags);
    if (fromSq < 0 || fromSq > 63 || toSq < 0 || toSq > 63) return -1;
    const u64 from = SquareMask(fromSq), to = SquareMask(toSq);
    for (int i = 0; i < n; i++)
        if (mg.From[i] == from && mg.To[i] == to &&
            KeepsKingSafe(board, side, from, to, mg.Promotion[i]))
            return i;
    return -1;
}

int GenerateLegalMoves(const ChessBoard &board, char side, MoveGen &mg)
{
    ChessBoard b = board;
    const int n = mg.GenerateAllMoves(side, &b, b.CastleFlags);
    int kept = 0;
    for (int i = 0; i < n; i++) {
        if (!KeepsKingSafe(board, side, mg.From[i], mg.To[i], mg.Promotion[i])) continue;
        mg.From[kept] = mg.From[i];
        mg.To[kept] = mg.To[i];
        mg.Promotion[kept] = mg.Promotion[i];
        kept++;
    }
    // The list no longer belongs to the copy it was generated on.
    mg.Board = nullptr;
    return kept;
}

int FirstLegalMoveIndex(const ChessBoard &board, char side, MoveGen &mg)
{
    ChessBoard b = board;
    const int n = mg.GenerateAllMoves(side, &b, b.CastleFlags);
    for (int i = 0; i < n; i++)
        if (KeepsKingSafe(board, side, mg.From[i], mg.To[i], mg.Promotion[i])) return i;
    return -1;
}

bool HasLegalMove(const ChessBoard &board, char side)
{
    MoveGen mg;
    return FirstLegalMoveIndex(board, side, mg) >= 0;
}

bool FindLegalMove(const ChessBoard &board, char side, u64 from, u64 to, char letter,
                   char *promotion)
{
    MoveGen mg;
    if (!from || !to) return false;
    const int i = LegalMoveIndex(board, side, LowestSquare(from), LowestSquare(to), mg);
    if (i < 0) return false;
    char promo = mg.Promotion[i];
    if (promo == NOPROMOTION) {
        if (letter) return false;
    } else if (letter) {
        const char piece = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
        if (!std::strchr("qrbn", piece)) return false;
        promo = side ? piece : static_cast<char>(std::toupper(static_cast<unsigned char>(piece)));
    }
    *promotion = promo;
    return true;
}

const char *PositionFault(const ChessBoard &b)
{
    if (SimpleBitCount(b.WhiteKing) != 1)
        return b.WhiteKing ? "more than one white king" : "no white king";
    if (SimpleBitCount(b.BlackKing) != 1)
        return b.BlackKing ? "more than one black king" : "no black king";
    const u64 boards[12] = {b.WhitePawns,   b.WhiteKnights, b.WhiteBishops, b.WhiteRooks,
                            b.WhiteQueens,  b.WhiteKing,    b.BlackPawns,   b.BlackKnights,
                            b.BlackBishops, b.BlackRooks,   b.BlackQueens,  b.BlackKing};
    u64 all = 0;
    int count = 0;
    for (const u64 bb : boards) {
        all |= bb;
        count += SimpleBitCount(bb);
    }
    if (count != SimpleBitCount(all)) return "two pieces on one square";
    if ((b.WhitePawns | b.BlackPawns) & 0xFF000000000000FFULL)
        return "a pawn on the first or last rank";
    const char them = b.SideToMove ? 0 : 1;
    if (b.InCheck(them ? b.BlackKing : b.WhiteKing, them))
        return "the side not to move is in check";
    return nullptr;
}

bool IsDeadPosition(const ChessBoard &b)
{
    if (b.WhitePawns | b.BlackPawns | b.WhiteRooks | b.BlackRooks | b.WhiteQueens | b.BlackQueens)
        return false;
    const int white = SimpleBitCount(b.WhiteKnights | b.WhiteBishops);
    const int black = SimpleBitCount(b.BlackKnights | b.BlackBishops);
    if (white + black <= 1) return true;
    if (white == 1 && black == 1 && b.WhiteBishops && b.BlackBishops) {
        return ((b.WhiteBishops & LIGHT_SQUARES) != 0) == ((b.BlackBishops & LIGHT_SQUARES) != 0);
    }
    return false;
}
