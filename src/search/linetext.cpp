// The engine's move text with the root line after it.

#include "board/movetext.h"
#include "movegen/legal.h"
#include "movegen/movegen.h"
#include "search/search.h"

int fillmovestring(const SearchRoutines &s, char *buf, char from, char to, char promotion, int pv)
{
    // " " + from + to + promotion letter; a letter is followed by a space, a piece code by a
    // semicolon.
    int len = 0;
    buf[len++] = ' ';
    len += MoveText(buf + len, from, to, promotion);
    const bool pieceCode =
        (promotion >= 1 && promotion <= 4) || (promotion >= 7 && promotion <= 10);
    buf[len++] = pieceCode ? ';' : ' ';

    // The rest of the root line, up to its end, the first empty entry or the first move that is
    // not legal where it stands: a move taken from the table at a cut-off is shown only once it
    // has been played through from the root.
    if (pv && s.PVLength > 1 && from >= 0 && from < 64 && to >= 0 && to < 64) {
        ChessBoard board = s.RootBoard;
        PlayGameMove(board, SquareMask(from), SquareMask(to), promotion, nullptr);
        const int end = s.PVLength < MAXPLY ? s.PVLength : MAXPLY;
        for (int i = 1; i < end; i++) {
            const PVEntry &e = s.PVTable[0][i];
            const int f = e.code >> 6, t = e.code & 63;
            if (f == t) break;
            MoveGen mg;
            const int k = LegalMoveIndex(board, board.SideToMove, f, t, mg);
            if (k < 0) break;
            len += MoveText(buf + len, f, t, e.promotion);
            buf[len++] = ' ';
            PlayGameMove(board, SquareMask(f), SquareMask(t), mg.Promotion[k], nullptr);
        }
    }

    // Newline; the length excludes it.
    buf[len] = '\n';
    buf[len + 1] = '\0';
    return len;
}

int fillmovestring(char *buf, int, char from, char to, char promotion, int pv)
{
    return fillmovestring(MainSearch, buf, from, to, promotion, pv);
}
