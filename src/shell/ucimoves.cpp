#include "shell/ucimoves.h"

#include <cstdio>
#include <cstring>

#include "board/movhist.h"
#include "board/setup.h"
#include "core/status.h"
#include "movegen/legal.h"
#include "movegen/movegen.h"
#include "shell/startup.h"
#include "shell/uciprotocol.h"

bool IsLineBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

void TrimLine(char *s)
{
    int start = 0;
    while (s[start] && IsLineBlank(s[start]))
        start++;
    int end = static_cast<int>(std::strlen(s + start)) + start;
    while (end > start && IsLineBlank(s[end - 1]))
        end--;
    std::memmove(s, s + start, static_cast<size_t>(end - start));
    s[end - start] = '\0';
}

int NextLineWord(const char **p, char *out, int size)
{
    const char *s = *p;
    while (*s && IsLineBlank(*s))
        s++;
    int n = 0;
    while (s[n] && !IsLineBlank(s[n])) {
        if (n < size - 1) out[n] = s[n];
        n++;
    }
    out[n < size - 1 ? n : size - 1] = '\0';
    *p = s + n;
    return n;
}

int UCISquare(const char *s)
{
    if (s[0] < 'a' || s[0] > 'h' || s[1] < '1' || s[1] > '8') return -1;
    return SquareOf(s[0] - 'a', s[1] - '1');
}

bool IsPromotionLetter(char c)
{
    return c != '\0' && std::strchr("qrbnQRBN", c) != nullptr;
}

void UCIPosition(UCIProtocol &u, const char *line)
{
    const char *p = line + std::strlen("position");
    char word[UCI_WORD_MAX];
    const char *after = p;
    NextLineWord(&after, word, sizeof word);
    // 1. The position the moves start from.
    if (std::strcmp(word, "startpos") == 0) {
        u.HashSide = 0;
        u.PositionRefused = 0;
        NewGame();
        p = after;
    } else if (std::strcmp(word, "fen") == 0) {
        // The FEN fields, joined by single spaces, up to the word "moves".
        char fen[POSITION_LINE_MAX];
        int len = 0;
        p = after;
        for (;;) {
            const char *next = p;
            const int n = NextLineWord(&next, word, sizeof word);
            if (n == 0 || std::strcmp(word, "moves") == 0) break;
            const char *start = next - n;
            if (len > 0 && len < POSITION_LINE_MAX - 1) fen[len++] = ' ';
            for (int i = 0; i < n && len < POSITION_LINE_MAX - 1; i++)
                fen[len++] = start[i];
            p = next;
        }
        fen[len] = '\0';
        NewGame();
        SetupBoard(fen);
        KeepPossibleRights(MainBoard);
        MainBoard.RecountAll();
        u.HashSide = MainBoard.SideToMove ? 1 : 0;
        // An unsound position is refused: no move is replayed on it and no search is run.
        const char *fault = PositionFault(MainBoard);
        u.PositionRefused = fault ? 1 : 0;
        if (fault) {
            std::printf("info string refused position: %s\n", fault);
            std::fflush(stdout);
            return;
        }
    } else {
        u.HashSide = MainBoard.SideToMove ? 1 : 0;
    }
    // 2. The moves played since.
    const char *next = p;
    NextLineWord(&next, word, sizeof word);
    if (std::strcmp(word, "moves") == 0) u.ProcessMoves(next);
}

int UCIProtocol::ProcessMoves(const char *text)
{
    // 1. The game history restarts with the moves of the line.
    MainBoard.FiftyMoveCount = 0;
    MoveList.Init();
    MainStatus.GamePly = 0;
    // 2-3. Word by word, up to the first move that cannot be played.
    int n = 0;
    const char *p = text;
    char word[UCI_WORD_MAX];
    while (NextLineWord(&p, word, sizeof word) > 0) {
        if (!MakeMoves(word)) break;
        n++;
    }
    return n;
}

const char *UCIProtocol::MakeMoves(const char *p)
{
    // 1. Squares, and a promotion letter or nothing after them.
    const int len = static_cast<int>(std::strlen(p));
    if (len != 4 && len != 5) return nullptr;
    const int fromSq = UCISquare(p);
    const int toSq = UCISquare(p + 2);
    if (fromSq < 0 || toSq < 0) return nullptr;
    if (len == 5 && !IsPromotionLetter(p[4])) return nullptr;
    MoveGen mg;
    const int i = LegalMoveIndex(MainBoard, static_cast<char>(HashSide), fromSq, toSq, mg);
    if (i < 0) return nullptr;
    // A promotion takes the letter given (queen when none); no other move has a letter.
    char promo = mg.Promotion[i];
    if (len == 5) {
        if (promo == NOPROMOTION) return nullptr;
        promo = p[4];
    }
    FromSquare = fromSq;
    ToSquare = toSq;
    FromMask = SquareMask(fromSq);
    ToMask = SquareMask(toSq);

    // The move is played and its position joins the game history.
    MainStatus.GamePly += 1;
    PlayGameMove(MainBoard, FromMask, ToMask, promo, &MoveList);
    HashSide = MainBoard.SideToMove ? 1 : 0;
    return p;
}
