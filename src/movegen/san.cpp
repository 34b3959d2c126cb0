#include "movegen/san.h"

#include "board/movetext.h"
#include "board/setup.h"
#include "movegen/legal.h"
#include "movegen/movegen.h"

namespace {

// Longest text ReadMove looks at, marks included; a longer one is no move.
constexpr int TEXT_MAX = 32;

bool IsFile(char c)
{
    return c >= 'a' && c <= 'h';
}
bool IsRank(char c)
{
    return c >= '1' && c <= '8';
}
// True for the marks a move may carry after it: check, mate and the annotator's ! and ?.
bool IsMark(char c)
{
    return c == '+' || c == '#' || c == '!' || c == '?';
}
// True for the letters of the pieces other than the pawn.
bool IsPieceLetter(char c)
{
    return c == 'N' || c == 'B' || c == 'R' || c == 'Q' || c == 'K';
}
// Lower-case promotion letter of an upper-case one (N, B, R, Q), or 0.
char PromotionOf(char c)
{
    return c == 'N' || c == 'B' || c == 'R' || c == 'Q' ? static_cast<char>(c + ('a' - 'A')) : 0;
}
char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}
// Upper-case letter of the piece on the occupied square m ('P', 'N', ... 'K').
char KindOn(const ChessBoard &board, u64 m)
{
    return Upper(DecodePiece(m, board));
}

// What a text asks of a legal move; -1 and 0 leave a field free.
struct Pattern {
    char piece = 0; // 'P', 'N', 'B', 'R', 'Q' or 'K'; 0 for coordinates (any piece)
    int fromFile = -1;
    int fromRank = -1;
    int toSq = -1;
    char letter = 0;                      // promotion letter, lower case; 0 when none is typed
    bool captureForm = false;             // a pawn's file before its target: the pawn changes file
    CastleSide castle = CastleSide::None; // "O-O" or "O-O-O"
};

// True when the n characters at s are the text word.
bool Is(const char *s, int n, const char *word)
{
    int i = 0;
    for (; i < n && word[i]; i++)
        if (s[i] != word[i]) return false;
    return i == n && !word[i];
}

// Reads the end of a pawn move, "", "Q" or "=Q" (n characters at s), into *letter; false for
// anything else.
bool ReadPromotion(const char *s, int n, char *letter)
{
    if (n == 0) return true;
    if (s[0] == '=') {
        s++;
        n--;
    }
    *letter = n == 1 ? PromotionOf(s[0]) : 0;
    return *letter != 0;
}

// Reads the move text s of n characters (marks taken off) into *p; false when it has
// no move's shape.
bool Parse(const char *s, int n, Pattern *p)
{
    // 1. Castling, with letters O or with zeros.
    const bool shortCastle = Is(s, n, "O-O") || Is(s, n, "0-0");
    if (shortCastle || Is(s, n, "O-O-O") || Is(s, n, "0-0-0")) {
        p->piece = 'K';
        p->castle = shortCastle ? CastleSide::King : CastleSide::Queen;
        return true;
    }
    // 2. Coordinates: from-square, to-square and the promotion letter of either case.
    if ((n == 4 || n == 5) && IsFile(s[0]) && IsRank(s[1]) && IsFile(s[2]) && IsRank(s[3])) {
        p->fromFile = s[0] - 'a';
        p->fromRank = s[1] - '1';
        p->toSq = SquareOf(s[2] - 'a', s[3] - '1');
        if (n == 4) return true;
        p->letter = PromotionOf(Upper(s[4]));
        return p->letter != 0;
    }
    // 3. A piece: its letter, the file and rank it starts from when given, "x", the target.
    if (IsPieceLetter(s[0])) {
        if (n < 3 || !IsFile(s[n - 2]) || !IsRank(s[n - 1])) return false;
        p->piece = s[0];
        p->toSq = SquareOf(s[n - 2] - 'a', s[n - 1] - '1');
        const char *from = s + 1;
        int m = n - 3;
        if (m > 0 && from[m - 1] == 'x') m--;
        if (m == 2) {
            if (!IsFile(from[0]) || !IsRank(from[1])) return false;
            p->fromFile = from[0] - 'a';
            p->fromRank = from[1] - '1';
        } else if (m == 1) {
            if (IsFile(from[0]))
                p->fromFile = from[0] - 'a';
            else if (IsRank(from[0]))
                p->fromRank = from[0] - '1';
            else
                return false;
        } else if (m != 0) {
            return false;
        }
        return true;
    }
    // 4. A pawn: its target ("e4") or its file and target ("exd5", "ed5"), then the promotion.
    if (!IsFile(s[0])) return false;
    p->piece = 'P';
    p->fromFile = s[0] - 'a';
    int i = 1;
    if (n > 1 && IsRank(s[1])) {
        p->toSq = SquareOf(s[0] - 'a', s[1] - '1');
        i = 2;
    } else {
        if (i < n && s[i] == 'x') i++;
        if (i + 2 > n || !IsFile(s[i]) || !IsRank(s[i + 1])) return false;
        p->toSq = SquareOf(s[i] - 'a', s[i + 1] - '1');
        p->captureForm = true;
        i += 2;
    }
    return ReadPromotion(s + i, n - i, &p->letter);
}

// True when the legal move from, to of board (promo: the generator's promotion byte) is one the
// pattern asks for.
bool Fits(const ChessBoard &board, const Pattern &p, u64 from, u64 to, char promo)
{
    const CastleSide castle = CastlingOf(board, from, to);
    if (p.castle != CastleSide::None) return castle == p.castle;
    const int fromSq = LowestSquare(from), toSq = LowestSquare(to);
    // Chess960 castling in coordinates: the king taking its rook, or the king's destination
    // when that is no king's step.
    if (board.Chess960 && castle != CastleSide::None && !p.piece && toSq != p.toSq) {
        const int kingTo = (fromSq & 56) + (castle == CastleSide::King ? 6 : 2);
        const bool step = kingTo - fromSq <= 1 && fromSq - kingTo <= 1;
        if (step || p.toSq != kingTo) return false;
    } else if (toSq != p.toSq) {
        return false;
    }
    if (p.fromFile >= 0 && fromSq % 8 != p.fromFile) return false;
    if (p.fromRank >= 0 && fromSq / 8 != p.fromRank) return false;
    if (p.letter && promo == NOPROMOTION) return false;
    if (!p.piece) return true;
    const char kind = KindOn(board, from);
    if (kind != p.piece) return false;
    if (kind == 'K') return castle == CastleSide::None;
    if (kind == 'P') return p.captureForm == (fromSq % 8 != toSq % 8);
    return true;
}

// Writes the squares of starts, file by file, into out (size characters at most, the end
// included): "b1 or f3", "a1, c1 or e1".
void WriteCandidates(u64 starts, char *out, int size)
{
    if (!out || size <= 0) return;
    int n = 0;
    auto put = [&](char c) {
        if (n < size - 1) out[n++] = c;
    };
    int left = SimpleBitCount(starts);
    for (int i = 0; i < 64; i++) {
        const int file = i / 8, rank = i % 8;
        if (!(starts & SquareMask(SquareOf(file, rank)))) continue;
        put(static_cast<char>('a' + file));
        put(static_cast<char>('1' + rank));
        left--;
        for (const char *sep = left == 1 ? " or " : left > 1 ? ", " : ""; *sep; sep++)
            put(*sep);
    }
    out[n] = '\0';
}

} // namespace

MoveReading ReadMove(const ChessBoard &board, const char *text, TypedMove *move, char *candidates,
                     int size)
{
    if (move) *move = TypedMove{};
    if (candidates && size > 0) candidates[0] = '\0';
    if (!text) return MoveReading::NotAMove;

    // 1. The text's length, read no further than one past the longest; the marks come off.
    int n = 0;
    while (n <= TEXT_MAX && text[n])
        n++;
    if (n > TEXT_MAX) return MoveReading::NotAMove;
    while (n > 0 && IsMark(text[n - 1]))
        n--;

    // 2. Its shape.
    const char side = board.SideToMove ? 1 : 0;
    Pattern p;
    if (n == 0 || !Parse(text, n, &p)) return MoveReading::NotAMove;

    // 3. The legal moves it fits: one is the move, none is an illegal one, more are ambiguous.
    MoveGen mg;
    const int count = GenerateLegalMoves(board, side, mg);
    u64 starts = 0;
    int pick = -1;
    for (int i = 0; i < count; i++) {
        if (!Fits(board, p, mg.From[i], mg.To[i], mg.Promotion[i])) continue;
        starts |= mg.From[i];
        pick = i;
    }
    if (pick < 0) return MoveReading::Illegal;
    if (starts & (starts - 1)) {
        WriteCandidates(starts, candidates, size);
        return MoveReading::Ambiguous;
    }

    // 4. The move, with its promotion letter (a queen when none is typed) in the mover's case.
    if (move) {
        move->from = mg.From[pick];
        move->to = mg.To[pick];
        if (mg.Promotion[pick] != NOPROMOTION) {
            const char letter = p.letter ? p.letter : 'q';
            move->promotion = side ? letter : Upper(letter);
        }
    }
    return MoveReading::Legal;
}

int WriteSan(const ChessBoard &board, u64 from, u64 to, char promotion, char *out)
{
    out[0] = '\0';
    const char side = board.SideToMove ? 1 : 0;
    MoveGen mg;
    const int count = GenerateLegalMoves(board, side, mg);
    int index = -1;
    for (int i = 0; i < count; i++)
        if (mg.From[i] == from && mg.To[i] == to) index = i;
    if (index < 0) return 0;

    // 1. The promotion letter, lower case, and the byte to play.
    char letter = 0, promo = NOPROMOTION;
    if (mg.Promotion[index] != NOPROMOTION) {
        letter = PromotionLetter(promotion);
        if (!letter) letter = 'q';
        promo = side ? letter : Upper(letter);
    }

    // 2. Castling, or the piece, its disambiguation, the capture, the target and promotion.
    const int fromSq = LowestSquare(from), toSq = LowestSquare(to);
    const char kind = KindOn(board, from);
    int n = 0;
    auto put = [&](const char *s) {
        for (; *s; s++)
            out[n++] = *s;
    };
    const char fromFile = static_cast<char>('a' + fromSq % 8);
    const char fromRank = static_cast<char>('1' + fromSq / 8);
    const CastleSide castle = CastlingOf(board, from, to);
    if (castle != CastleSide::None) {
        put(castle == CastleSide::King ? "O-O" : "O-O-O");
    } else {
        const u64 theirs = side ? board.WhitePieces : board.BlackPieces;
        const bool capture = (to & theirs) || (kind == 'P' && fromSq % 8 != toSq % 8);
        if (kind == 'P') {
            if (capture) out[n++] = fromFile;
        } else {
            out[n++] = kind;
            // Other pieces of the kind that can go to the square: does one share the file, the
            // rank?
            bool other = false, sameFile = false, sameRank = false;
            for (int i = 0; i < count; i++) {
                if (i == index || mg.To[i] != to || KindOn(board, mg.From[i]) != kind) continue;
                const int sq = LowestSquare(mg.From[i]);
                other = true;
                sameFile |= sq % 8 == fromSq % 8;
                sameRank |= sq / 8 == fromSq / 8;
            }
            if (other && (!sameFile || sameRank)) out[n++] = fromFile;
            if (other && sameFile) out[n++] = fromRank;
        }
        if (capture) out[n++] = 'x';
        out[n++] = static_cast<char>('a' + toSq % 8);
        out[n++] = static_cast<char>('1' + toSq / 8);
        if (letter) {
            out[n++] = '=';
            out[n++] = Upper(letter);
        }
    }

    // 3. Check, or mate when the other side then has no legal move.
    ChessBoard child = board;
    PlayGameMove(child, from, to, promo, nullptr);
    const char them = side ? 0 : 1;
    if (child.InCheck(them ? child.BlackKing : child.WhiteKing, them))
        out[n++] = HasLegalMove(child, them) ? '+' : '#';
    out[n] = '\0';
    return n;
}
