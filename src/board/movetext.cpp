#include "board/movetext.h"

namespace {

// Writes file letter and rank number of a square index; "?0" for an index off the board.
int PutSquare(char *out, int sq)
{
    if (sq < 0 || sq > 63) {
        out[0] = '?';
        out[1] = '0';
        return 2;
    }
    out[0] = static_cast<char>('a' + sq % 8);
    out[1] = static_cast<char>('1' + sq / 8);
    return 2;
}

} // namespace

char PromotionLetter(char promotion)
{
    switch (promotion) {
    case 'Q':
    case 'q':
    case 4:
    case 10:
        return 'q';
    case 'R':
    case 'r':
    case 3:
    case 9:
        return 'r';
    case 'B':
    case 'b':
    case 2:
    case 8:
        return 'b';
    case 'N':
    case 'n':
    case 1:
    case 7:
        return 'n';
    default:
        return 0;
    }
}

int MoveText(char *out, int fromSq, int toSq, char promotion)
{
    int len = PutSquare(out, fromSq);
    len += PutSquare(out + len, toSq);
    if (const char letter = PromotionLetter(promotion)) out[len++] = letter;
    out[len] = '\0';
    return len;
}
