#include "shell/humanmov.h"

#include <cstdio>

#include "search/compmov.h"

namespace {

const char kFiles[] = "abcdefgh";

// Appends file letter and rank number of a square index; "?0" for an index off the board.
int PutSquare(char* out, int sq)
{
    if (sq < 0 || sq > 63) {
        out[0] = '?';
        out[1] = '0';
        return 2;
    }
    out[0] = kFiles[sq % 8];
    out[1] = static_cast<char>('1' + sq / 8);
    return 2;
}

// Lower-case promotion letter of a move's promotion byte, or 0 when it names no piece.
char PromotionLetter(char promotion)
{
    switch (promotion) {
    case 'Q': case 'q': return 'q';
    case 'R': case 'r': return 'r';
    case 'B': case 'b': return 'b';
    case 'N': case 'n': return 'n';
    default: return 0;
    }
}

}  // namespace

int fillmovestring(char* buf, int, char from, char to, char promotion, int pv)
{
    // 1. " " + from + to.
    int len = 0;
    buf[len++] = ' ';
    len += PutSquare(buf + len, from);
    len += PutSquare(buf + len, to);

    // 2. Promotion suffix: a promotion letter is written in lower case ("e7e8q"), as every
    // interface expects; a piece code gets its letter and a semicolon.
    const char* suffix = " ";
    const char letter = PromotionLetter(promotion);
    char letterSuffix[3] = {letter, ' ', '\0'};
    if (letter) suffix = letterSuffix;
    switch (promotion) {
    case 1: case 7: suffix = "n;"; break;
    case 2: case 8: suffix = "b;"; break;
    case 3: case 9: suffix = "r;"; break;
    case 4: case 10: suffix = "q;"; break;
    default: break;
    }
    for (const char* s = suffix; *s; s++) buf[len++] = *s;

    // 3. The rest of the root line, up to its end or the first empty entry.
    if (pv && Search.PVLength > 1) {
        const int end = Search.PVLength < MAXPLY ? Search.PVLength : MAXPLY;
        for (int i = 1; i < end; i++) {
            const int code = Search.PVTable[0][i].code;
            const int f = code >> 6, t = code & 63;
            if (f == t) break;
            len += PutSquare(buf + len, f);
            len += PutSquare(buf + len, t);
            if (const char l = PromotionLetter(Search.PVTable[0][i].promotion)) buf[len++] = l;
            buf[len++] = ' ';
        }
    }

    // 4. Newline; the length excludes it.
    buf[len] = '\n';
    buf[len + 1] = '\0';
    return len;
}
