#include "search/compmov.h"

SearchRoutines Search;

void SearchRoutines::ClearHistory()
{
    HistoryMax = 0;
    for (auto& row : History)
        for (auto& h : row) h = 0;
}

void SearchRoutines::AddHistory(char side, int moveCode, int depth)
{
    i32* row = History[side ? 1 : 0];
    i32& h = row[moveCode & 4095];
    h += depth * depth;
    if (h > HistoryMax) HistoryMax = h;
    if (h > 65536) {
        HistoryMax >>= 1;
        for (int i = 0; i < 4096; i++) row[i] >>= 1;
    }
}

int SearchRoutines::ValueCapturedPiece(char mover, u64 square, const ChessBoard* board) const
{
    const ChessBoard& b = *board;
    if (mover == 0) {
        if (!(square & b.BlackPieces)) return 0;
        if (square & b.BlackPawns) return 800;
        if (square & (b.BlackKnights | b.BlackBishops)) return 3250;
        if (square & b.BlackRooks) return 5000;
        if (square & b.BlackQueens) return 9750;
        if (square & b.BlackKing) return 1000000;
        return 0;
    }
    if (!(square & b.WhitePieces)) return 0;
    if (square & b.WhitePawns) return 800;
    if (square & (b.WhiteKnights | b.WhiteBishops)) return 3250;
    if (square & b.WhiteRooks) return 5000;
    if (square & b.WhiteQueens) return 9750;
    if (square & b.WhiteKing) return 1000000;
    return 0;
}
