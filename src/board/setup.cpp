#include "board/setup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

// Puts the piece of colour a named by its lower-case letter on m (a king replaces the colour's
// king); any other letter is ignored.
template <typename A> void PutPiece(const A a, char letter, u64 m)
{
    switch (letter) {
    case 'p':
        a.Pawns() |= m;
        break;
    case 'n':
        a.Knights() |= m;
        break;
    case 'b':
        a.Bishops() |= m;
        break;
    case 'r':
        a.Rooks() |= m;
        break;
    case 'q':
        a.Queens() |= m;
        break;
    case 'k':
        a.King() = m;
        break;
    default:
        break;
    }
}

// Puts one piece, given by its letter, on MainBoard.
void AddPiece(char letter, int sq)
{
    if (sq < 0 || sq > 63) return;
    const u64 m = SquareMask(sq);
    if (letter >= 'A' && letter <= 'Z')
        PutPiece(ArmyOf<WHITE>(MainBoard), static_cast<char>(letter - 'A' + 'a'), m);
    else
        PutPiece(ArmyOf<BLACK>(MainBoard), letter, m);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Value of the decimal number starting at s, capped so that it cannot overflow.
int ReadRun(const char *s)
{
    int v = 0;
    for (int i = 0; IsDigit(s[i]); i++) {
        v = v * 10 + (s[i] - '0');
        if (v > 1000) return 1000;
    }
    return v;
}

// Records the double step that the en passant field names, if a pawn of the side that
// just moved stands beyond the square: "e3" is e2-e4, "e6" is e7-e5.
void RecordDoubleStep(const char *field)
{
    if (field[0] < 'a' || field[0] > 'h') return;
    const int file = field[0] - 'a';
    ChessBoard &b = MainBoard;
    // A double step of colour a from its second rank over the square of the field.
    auto record = [file, &b](const auto a) {
        const u64 to = a.Relative(SquareMask(SquareOf(file, 3)));
        if (!(a.Pawns() & to)) return;
        b.LastFrom = a.Relative(SquareMask(SquareOf(file, 1)));
        b.LastTo = to;
    };
    if (field[1] == '3')
        record(ArmyOf<WHITE>(b));
    else if (field[1] == '6')
        record(ArmyOf<BLACK>(b));
}

// Gives colour a the castling right of one letter of the castling field: "K" ("Q") names the
// outermost rook on the king's h-file (a-file) side, a file letter the rook on that file of the
// back rank. False when the letter names no rook of a king on its back rank, or a right already
// given.
template <typename A> bool GiveRight(const A a, ChessBoard &b, char letter)
{
    const u64 king = a.King() & a.BackRank;
    const u64 rooks = a.Rooks() & a.BackRank;
    if (!king) return false;
    const int kingSq = LowestSquare(king);
    int rookSq = -1;
    if (letter == 'k') {
        const u64 beyond = rooks & ~((king << 1) - 1);
        if (beyond) rookSq = 63 - __builtin_clzll(beyond);
    } else if (letter == 'q') {
        const u64 before = rooks & (king - 1);
        if (before) rookSq = LowestSquare(before);
    } else {
        const u64 rook = rooks & (FILE_A << (letter - 'a'));
        if (rook && rook != king) rookSq = LowestSquare(rook);
    }
    if (rookSq < 0 || rookSq == kingSq) return false;
    const bool kingSide = rookSq > kingSq;
    const char right = kingSide ? a.KingSide : a.QueenSide;
    if (b.CastleFlags & right) return false;
    b.CastleFlags = static_cast<char>(b.CastleFlags | right);
    b.CastleRook[kingSide ? a.KingSideRook : a.QueenSideRook] = static_cast<u8>(rookSq);
    return true;
}

// Reads the castling field at *p, X-FEN ("KQkq", "Kq", a file letter for a rook that is not
// the outermost) or Shredder-FEN ("HAha"), into b's rights and their rooks; *p is left on the
// end of the field. Upper case is White's, lower case Black's; "-" is no right and other
// characters are skipped.
FenCastling ReadCastling(ChessBoard &b, const char **p)
{
    const char *s = *p;
    bool sound = true;
    if (*s == '-') {
        s++;
    } else {
        for (; *s && *s != ' '; s++) {
            const char c = *s;
            if (c == 'K' || c == 'Q' || (c >= 'A' && c <= 'H'))
                sound &= GiveRight(ArmyOf<WHITE>(b), b, static_cast<char>(c - 'A' + 'a'));
            else if (c == 'k' || c == 'q' || (c >= 'a' && c <= 'h'))
                sound &= GiveRight(ArmyOf<BLACK>(b), b, c);
        }
    }
    *p = s;
    if (!sound) return FenCastling::Unsound;
    return NeedsChess960(b, b.CastleFlags) ? FenCastling::Chess960 : FenCastling::Standard;
}

} // namespace

FenCastling SetupBoard(const char *s)
{
    ChessBoard &b = MainBoard;
    // 1. Empty the piece bitboards.
    auto empty = [](const auto a) {
        a.Pawns() = a.Bishops() = a.Knights() = a.Rooks() = a.Queens() = a.King() = 0;
    };
    empty(ArmyOf<WHITE>(b));
    empty(ArmyOf<BLACK>(b));

    // 2-3. Placement, rank 8 first. Whatever would fall off a rank or off the board is ignored.
    int i = 0;
    int rankStart = 56, sq = 56;
    for (; s[i] && s[i] != ' '; i++) {
        const char c = s[i];
        if (c >= '1' && c <= '8') {
            const int run = ReadRun(s + i);
            if (run > 0) sq += run;
        } else if (c == '/') {
            // Past rank 1 every further rank is off the board; stop counting down there.
            if (rankStart >= 0) rankStart -= 8;
            sq = rankStart;
        } else {
            if (rankStart >= 0 && sq >= rankStart && sq < rankStart + 8) AddPiece(c, sq);
            sq++;
        }
        if (sq > 1000) sq = 1000;
    }

    // 4. Occupancy.
    b.WhitePieces = ArmyOf<WHITE>(b).SetUnion();
    b.BlackPieces = ArmyOf<BLACK>(b).SetUnion();
    b.AllPieces = b.WhitePieces | b.BlackPieces;
    b.InitPieceKeys();

    // 5. Last move, rights and side to move.
    b.LastFrom = b.LastTo = 0;
    b.CastleFlags = 0;
    for (int k = 0; k < 4; k++)
        b.CastleRook[k] = STANDARD_CASTLE_ROOKS[k];
    b.SideToMove = 0;
    if (s[i] != ' ') return FenCastling::Standard; // the text ends after the placement
    const char *side = s + i + 1;
    if (side[0] == 'b') b.SideToMove = 1;
    if (side[0] == '\0' || side[1] == '\0') return FenCastling::Standard;

    // 6. Castling rights.
    const char *p = side + 2;
    const FenCastling castling = ReadCastling(b, &p);

    // En passant field: the double step it names becomes the board's last move.
    if (*p == ' ' && p[1] != '\0') RecordDoubleStep(p + 1);
    return castling;
}

char DecodePiece(u64 m, const ChessBoard &board)
{
    if (m & board.WhitePieces) {
        const char letter = ArmyLetter(ArmyOf<WHITE>(board), m);
        return letter ? letter : 'K';
    }
    const char letter = ArmyLetter(ArmyOf<BLACK>(board), m);
    return letter ? letter : 'k';
}

namespace {

// Writes the castling field of board in X-FEN: "KQkq", "Kq", "-"; a right whose rook is not
// the outermost one on its side of the king is written with the rook's file ("Bkq").
void CastleRights(char *out, const ChessBoard &board)
{
    int n = 0;
    auto rights = [&](const auto a, char kingLetter) {
        const u64 rooks = a.Rooks() & a.BackRank;
        const char queenLetter = static_cast<char>(kingLetter - 'K' + 'Q');
        for (int side = 0; side < 2; side++) {
            if (!(board.CastleFlags & (side ? a.QueenSide : a.KingSide))) continue;
            const int sq = board.CastleRook[side ? a.QueenSideRook : a.KingSideRook];
            const u64 rook = SquareMask(sq);
            // The rooks further out than this one on its side.
            const u64 outer = side ? rooks & (rook - 1) : rooks & ~((rook << 1) - 1);
            if (!outer)
                out[n++] = side ? queenLetter : kingLetter;
            else
                out[n++] = static_cast<char>(kingLetter - 'K' + 'A' + sq % 8);
        }
    };
    rights(ArmyOf<WHITE>(board), 'K');
    rights(ArmyOf<BLACK>(board), 'k');
    if (n == 0) out[n++] = '-';
    out[n] = '\0';
}

// Placement, side and castling text; returns the length written.
int WritePlacement(const ChessBoard &board, char *out)
{
    int n = 0;
    for (int rankStart = 56; rankStart >= 0; rankStart -= 8) {
        int empty = 0;
        for (int file = 0; file < 8; file++) {
            const u64 m = SquareMask(rankStart + file);
            if (!(m & board.AllPieces)) {
                empty++;
                continue;
            }
            if (empty) out[n++] = static_cast<char>('0' + empty);
            empty = 0;
            out[n++] = DecodePiece(m, board);
        }
        if (empty) out[n++] = static_cast<char>('0' + empty);
        if (rankStart) out[n++] = '/';
    }
    out[n++] = ' ';
    out[n++] = board.SideToMove ? 'b' : 'w';
    out[n++] = ' ';
    CastleRights(out + n, board);
    n += static_cast<int>(std::strlen(out + n));
    out[n] = '\0';
    return n;
}

} // namespace

namespace {

// Index of the square a pawn of colour a passed when the move from from to to was its double
// step, or -1 when it was not.
template <typename A> int PassedSquare(const A a, u64 from, u64 to)
{
    if ((to & (to - 1)) || !(to & a.Pawns() & a.Relative(RANK_4))) return -1;
    if (from != a.Behind(a.Behind(to))) return -1;
    return LowestSquare(a.Behind(to));
}

} // namespace

int WriteFen(const ChessBoard &board, int fullMove, char *out)
{
    int n = WritePlacement(board, out);
    // The side that made the last move is the one not to move.
    const int passed = board.SideToMove
                           ? PassedSquare(ArmyOf<WHITE>(board), board.LastFrom, board.LastTo)
                           : PassedSquare(ArmyOf<BLACK>(board), board.LastFrom, board.LastTo);
    char field[3] = "-";
    if (passed >= 0) {
        field[0] = static_cast<char>('a' + passed % 8);
        field[1] = static_cast<char>('1' + passed / 8);
    }
    const int tail = std::snprintf(out + n, static_cast<std::size_t>(FEN_MAX - n), " %s %d %d",
                                   field, static_cast<int>(board.FiftyMoveCount), fullMove);
    n += tail;
    return n < FEN_MAX ? n : FEN_MAX - 1;
}

void Chess960Fen(int number, char *out)
{
    number = number < 0 || number >= CHESS960_POSITIONS ? STANDARD_CHESS960_NUMBER : number;
    char rank[9] = "        ";
    // The number's digits, lowest first: the light-squared bishop (b, d, f, h), the dark-squared
    // one (a, c, e, g), the queen on the nth empty square, the knights by pairs of the remaining
    // five; rook, king, rook fill the last three.
    int n = number;
    rank[2 * (n % 4) + 1] = 'B';
    n /= 4;
    rank[2 * (n % 4)] = 'B';
    n /= 4;
    auto putOnEmpty = [&rank](int index, char piece) {
        for (int file = 0; file < 8; file++)
            if (rank[file] == ' ' && index-- == 0) {
                rank[file] = piece;
                return;
            }
    };
    putOnEmpty(n % 6, 'Q');
    n /= 6;
    static constexpr int KNIGHTS[10][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 2},
                                           {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};
    // The second knight's index counts the squares left after the first is placed.
    putOnEmpty(KNIGHTS[n][0], 'N');
    putOnEmpty(KNIGHTS[n][1] - 1, 'N');
    putOnEmpty(0, 'R');
    putOnEmpty(0, 'K');
    putOnEmpty(0, 'R');
    char black[9];
    for (int i = 0; i < 9; i++)
        black[i] = rank[i] ? static_cast<char>(rank[i] - 'A' + 'a') : '\0';
    std::snprintf(out, FEN_MAX, "%s/pppppppp/8/8/8/8/PPPPPPPP/%s w KQkq - 0 1", black, rank);
}

void InferCastling(ChessBoard &b)
{
    b.CastleFlags = 0;
    for (int i = 0; i < 4; i++)
        b.CastleRook[i] = STANDARD_CASTLE_ROOKS[i];
    if (!b.Chess960) {
        b.CastleFlags = 15;
        KeepPossibleRights(b);
        return;
    }
    for (const char letter : {'k', 'q'}) {
        GiveRight(ArmyOf<WHITE>(b), b, letter);
        GiveRight(ArmyOf<BLACK>(b), b, letter);
    }
}

void LoadPositionFile(const char *name)
{
    std::FILE *fp = std::fopen(name, "r");
    if (!fp) {
        std::printf("ERROR: opening file %s\n", name);
        std::fflush(stdout);
        std::exit(1);
    }
    char line[POSITION_LINE_MAX + 1];
    if (!std::fgets(line, sizeof line, fp)) {
        // No position to set up is a failure, as an unreadable file is.
        std::printf("Empty file\n");
        std::fclose(fp);
        std::fflush(stdout);
        std::exit(1);
    }
    std::fclose(fp);
    line[std::strcspn(line, "\r\n")] = '\0';
    SetupBoard(line);
}
