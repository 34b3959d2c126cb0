#include "board/setup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void AddPiece(char letter, int sq)
{
    if (sq < 0 || sq > 63) return;
    const u64 m = SquareMask(sq);
    ChessBoard &b = MainBoard;
    switch (letter) {
    case 'P':
        b.WhitePawns |= m;
        break;
    case 'N':
        b.WhiteKnights |= m;
        break;
    case 'B':
        b.WhiteBishops |= m;
        break;
    case 'R':
        b.WhiteRooks |= m;
        break;
    case 'Q':
        b.WhiteQueens |= m;
        break;
    case 'K':
        b.WhiteKing = m;
        break;
    case 'p':
        b.BlackPawns |= m;
        break;
    case 'n':
        b.BlackKnights |= m;
        break;
    case 'b':
        b.BlackBishops |= m;
        break;
    case 'r':
        b.BlackRooks |= m;
        break;
    case 'q':
        b.BlackQueens |= m;
        break;
    case 'k':
        b.BlackKing = m;
        break;
    default:
        break;
    }
}

namespace {

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
    if (field[1] == '3') {
        const u64 to = SquareMask(SquareOf(file, 3));
        if (b.WhitePawns & to) {
            b.LastFrom = SquareMask(SquareOf(file, 1));
            b.LastTo = to;
        }
    } else if (field[1] == '6') {
        const u64 to = SquareMask(SquareOf(file, 4));
        if (b.BlackPawns & to) {
            b.LastFrom = SquareMask(SquareOf(file, 6));
            b.LastTo = to;
        }
    }
}

} // namespace

void SetupBoard(const char *s)
{
    ChessBoard &b = MainBoard;
    // 1. Empty the piece bitboards.
    b.WhitePawns = b.WhiteBishops = b.WhiteKnights = b.WhiteRooks = b.WhiteQueens = b.WhiteKing = 0;
    b.BlackPawns = b.BlackBishops = b.BlackKnights = b.BlackRooks = b.BlackQueens = b.BlackKing = 0;

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
    b.WhitePieces =
        b.WhitePawns | b.WhiteBishops | b.WhiteKnights | b.WhiteRooks | b.WhiteQueens | b.WhiteKing;
    b.BlackPieces =
        b.BlackPawns | b.BlackBishops | b.BlackKnights | b.BlackRooks | b.BlackQueens | b.BlackKing;
    b.AllPieces = b.WhitePieces | b.BlackPieces;
    b.InitPieceKeys();

    // 5. Last move, rights and side to move.
    b.LastFrom = b.LastTo = 0;
    b.CastleFlags = 0;
    b.SideToMove = 0;
    if (s[i] != ' ') return; // the text ends after the placement
    const char *side = s + i + 1;
    if (side[0] == 'b') b.SideToMove = 1;
    if (side[0] == '\0' || side[1] == '\0') return;

    // 6. Castling rights.
    const char *castle = side + 2;
    const char *p = castle;
    if (*p == '-') {
        p++;
    } else {
        for (; *p && *p != ' '; p++) {
            if (*p == 'K')
                b.CastleFlags |= 1;
            else if (*p == 'Q')
                b.CastleFlags |= 2;
            else if (*p == 'k')
                b.CastleFlags |= 4;
            else if (*p == 'q')
                b.CastleFlags |= 8;
        }
    }

    // En passant field: the double step it names becomes the board's last move.
    if (*p == ' ' && p[1] != '\0') RecordDoubleStep(p + 1);
}

void CastleRights(char *out, char flags)
{
    int n = 0;
    if (flags & 1) out[n++] = 'K';
    if (flags & 2) out[n++] = 'Q';
    if (flags & 4) out[n++] = 'k';
    if (flags & 8) out[n++] = 'q';
    if (n == 0) out[n++] = '-';
    out[n] = '\0';
}

char DecodePiece(u64 m, const ChessBoard &board)
{
    if (m & board.WhitePieces) {
        if (m & board.WhitePawns) return 'P';
        if (m & board.WhiteKnights) return 'N';
        if (m & board.WhiteBishops) return 'B';
        if (m & board.WhiteRooks) return 'R';
        if (m & board.WhiteQueens) return 'Q';
        return 'K';
    }
    if (m & board.BlackPawns) return 'p';
    if (m & board.BlackKnights) return 'n';
    if (m & board.BlackBishops) return 'b';
    if (m & board.BlackRooks) return 'r';
    if (m & board.BlackQueens) return 'q';
    return 'k';
}

namespace {

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
    CastleRights(out + n, board.CastleFlags);
    n += static_cast<int>(std::strlen(out + n));
    out[n] = '\0';
    return n;
}

} // namespace

void pos2fenString(const ChessBoard &board, char *out)
{
    const int n = WritePlacement(board, out);
    std::strcpy(out + n, " - 0 ; ");
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
        std::printf("Empty file\n");
        std::fclose(fp);
        std::fflush(stdout);
        std::exit(0);
    }
    std::fclose(fp);
    line[std::strcspn(line, "\r\n")] = '\0';
    SetupBoard(line);
}
