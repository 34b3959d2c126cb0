#include "shell/ucimoves.h"

#include <cstring>

#include "board/setup.h"
#include "hash/hashcode.h"
#include "search/compmov.h"
#include "search/movhist.h"
#include "shell/humanmov.h"
#include "shell/status.h"
#include "shell/uciprotocol.h"

namespace {

// True when the move leaves the mover's own king safe.
bool KeepsKingSafe(const ChessBoard& board, char side, u64 from, u64 to, char promo)
{
    ChessBoard child = board;
    char mask = 15;
    child.MakeMove(from, to, promo, &mask);
    return !child.InCheck(side ? child.BlackKing : child.WhiteKing, side);
}

// Drops the castling rights whose king or rook is not on its home square (a FEN may claim them).
void CheckCastleRights(ChessBoard& b)
{
    const bool whiteKing = (b.WhiteKing & SquareMask(4)) != 0;
    const bool blackKing = (b.BlackKing & SquareMask(60)) != 0;
    if (!whiteKing || !(b.WhiteRooks & SquareMask(7))) b.CastleFlags &= ~WKSIDE;
    if (!whiteKing || !(b.WhiteRooks & SquareMask(0))) b.CastleFlags &= ~WQSIDE;
    if (!blackKing || !(b.BlackRooks & SquareMask(63))) b.CastleFlags &= ~BKSIDE;
    if (!blackKing || !(b.BlackRooks & SquareMask(56))) b.CastleFlags &= ~BQSIDE;
}

// The reset shared by "position startpos" and "position fen": start position, fresh status.
void ResetPosition()
{
    Search.ClearHistory();
    MainBoard.InitRep();
    MainStatus.initVars();
    MainStatus.HumanToMove = 1;
    MainBoard.FiftyMoveCount = 0;
    MainBoard.SideToMove = 0;
    MoveList.Init();
}

}  // namespace

bool IsLineBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

void TrimLine(char* s)
{
    int start = 0;
    while (s[start] && IsLineBlank(s[start])) start++;
    int end = static_cast<int>(std::strlen(s + start)) + start;
    while (end > start && IsLineBlank(s[end - 1])) end--;
    std::memmove(s, s + start, static_cast<size_t>(end - start));
    s[end - start] = '\0';
}

int NextLineWord(const char** p, char* out, int size)
{
    const char* s = *p;
    while (*s && IsLineBlank(*s)) s++;
    int n = 0;
    while (s[n] && !IsLineBlank(s[n])) {
        if (n < size - 1) out[n] = s[n];
        n++;
    }
    out[n < size - 1 ? n : size - 1] = '\0';
    *p = s + n;
    return n;
}

int UCISquare(const char* s)
{
    if (s[0] < 'a' || s[0] > 'h' || s[1] < '1' || s[1] > '8') return -1;
    return SquareOf(s[0] - 'a', s[1] - '1');
}

bool IsPromotionLetter(char c)
{
    return c != '\0' && std::strchr("qrbnQRBN", c) != nullptr;
}

int LegalMoveIndex(const ChessBoard& board, char side, int fromSq, int toSq, MoveGen& mg)
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

int FirstLegalMoveIndex(const ChessBoard& board, char side, MoveGen& mg)
{
    ChessBoard b = board;
    const int n = mg.GenerateAllMoves(side, &b, b.CastleFlags);
    for (int i = 0; i < n; i++)
        if (KeepsKingSafe(board, side, mg.From[i], mg.To[i], mg.Promotion[i])) return i;
    return -1;
}

void CoordinateText(char* out, int fromSq, int toSq, char promo)
{
    char buf[MOVESTRING_MAX];
    fillmovestring(buf, 0, static_cast<char>(fromSq), static_cast<char>(toSq), promo, 0);
    int n = 0;
    for (const char* s = buf + 1; *s && *s != ' ' && *s != '\n' && n < 5; s++) out[n++] = *s;
    out[n] = '\0';
}

void UCIPosition(UCIProtocol& u, const char* line)
{
    const char* p = line + std::strlen("position");
    char word[UCI_WORD_MAX];
    const char* after = p;
    NextLineWord(&after, word, sizeof word);
    // 1. The position the moves start from.
    if (std::strcmp(word, "startpos") == 0) {
        u.HashSide = 0;
        ResetPosition();
        MainStatus.GameInProgress = 1;
        p = after;
    } else if (std::strcmp(word, "fen") == 0) {
        // The FEN fields, joined by single spaces, up to the word "moves".
        char fen[POSITION_LINE_MAX];
        int len = 0;
        p = after;
        for (;;) {
            const char* next = p;
            const int n = NextLineWord(&next, word, sizeof word);
            if (n == 0 || std::strcmp(word, "moves") == 0) break;
            const char* start = next - n;
            if (len > 0 && len < POSITION_LINE_MAX - 1) fen[len++] = ' ';
            for (int i = 0; i < n && len < POSITION_LINE_MAX - 1; i++) fen[len++] = start[i];
            p = next;
        }
        fen[len] = '\0';
        ResetPosition();
        SetupBoard(fen);
        CheckCastleRights(MainBoard);
        MainBoard.InitPieceCounts();
        MainBoard.PawnHashCode = PawnKeyOf(MainBoard);
        u.HashSide = MainBoard.SideToMove ? 1 : 0;
    } else {
        u.HashSide = MainBoard.SideToMove ? 1 : 0;
    }
    // 2. The moves played since.
    const char* next = p;
    NextLineWord(&next, word, sizeof word);
    if (std::strcmp(word, "moves") == 0) {
        const int n = u.ProcessMoves(next);
        if (n & 1) MainBoard.SideToMove = MainBoard.SideToMove ? 0 : 1;
    }
}

int UCIProtocol::ProcessMoves(const char* text)
{
    // 1. The game history restarts with the moves of the line.
    MainBoard.FiftyMoveCount = 0;
    MoveList.Init();
    MainStatus.GamePly = 0;
    // 2-3. Word by word, up to the first move that cannot be played.
    int n = 0;
    const char* p = text;
    char word[UCI_WORD_MAX];
    while (NextLineWord(&p, word, sizeof word) > 0) {
        if (!MakeMoves(word)) break;
        n++;
    }
    return n;
}

const char* UCIProtocol::MakeMoves(const char* p)
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

    // 2.
    MainStatus.GamePly += 1;
    // 3-4. Castling rights: a king or rook leaving its home square, or a rook taken on its corner.
    char& flags = MainBoard.CastleFlags;
    if (fromSq == 4) flags &= ~(WKSIDE | WQSIDE);
    if (fromSq == 7 || toSq == 7) flags &= ~WKSIDE;
    if (fromSq == 0 || toSq == 0) flags &= ~WQSIDE;
    if (fromSq == 60) flags &= ~(BKSIDE | BQSIDE);
    if (fromSq == 63 || toSq == 63) flags &= ~BKSIDE;
    if (fromSq == 56 || toSq == 56) flags &= ~BQSIDE;
    char mask = 15;
    MainBoard.MakeMove(FromMask, ToMask, promo, &mask);
    flags = static_cast<char>(flags & mask);

    // 5. The new position joins the game history.
    HashSide ^= 1;
    u64 upper, lower;
    genhashcode(static_cast<char>(HashSide), MainBoard.CastleFlags, &upper, &lower, &MainBoard);
    MoveList.InsertHashCodeMoveHistory(upper, lower);
    return p;
}
