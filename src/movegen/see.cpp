#include "movegen/see.h"

#include <cstdio>
#include <cstdlib>

SEE see;

namespace {

constexpr u64 FileA = 0x0101010101010101ULL;
constexpr u64 FileH = 0x8080808080808080ULL;

// Attack-table ray index of a direction step: 0 N, 1 S, 2 E, 3 W, 4 NE, 5 NW, 6 SE, 7 SW.
constexpr int RayIndex(int dir)
{
    switch (dir) {
    case 8:
        return 0;
    case -8:
        return 1;
    case 1:
        return 2;
    case -1:
        return 3;
    case 9:
        return 4;
    case 7:
        return 5;
    case -7:
        return 6;
    case -9:
        return 7;
    default:
        return -1;
    }
}

// Longest possible exchange: one capture per piece on the board, and the first entry.
constexpr int MAXGAIN = 66;

} // namespace

SEE::SEE() : Board(nullptr)
{
    for (int t = 0; t < 64; t++) {
        for (int a = 0; a < 64; a++) {
            const int df = (a & 7) - (t & 7), dr = (a >> 3) - (t >> 3);
            int d = 0;
            if (a == t)
                d = 0;
            else if (df == 0)
                d = dr > 0 ? 8 : -8;
            else if (dr == 0)
                d = df > 0 ? 1 : -1;
            else if (df == dr)
                d = dr > 0 ? 9 : -9;
            else if (df == -dr)
                d = dr > 0 ? 7 : -7;
            Direction[t][a] = static_cast<i16>(d);
        }
    }
}

u64 SEE::SquareAttacksDefences(u64 sqMask)
{
    if (!sqMask) return 0;
    const ChessBoard &b = *Board;
    const int sq = LowestSquare(sqMask);
    const u64 s = u64{1} << sq;
    const u64 occ = b.AllPieces;
    return (RookAttacksFrom(sq, occ) &
            (b.WhiteRooks | b.BlackRooks | b.WhiteQueens | b.BlackQueens)) |
           (BishopAttacksFrom(sq, occ) &
            (b.WhiteBishops | b.BlackBishops | b.WhiteQueens | b.BlackQueens)) |
           (KnightTable[sq] & (b.WhiteKnights | b.BlackKnights)) |
           (KingTable[sq] & (b.WhiteKing | b.BlackKing)) |
           ((((s & ~FileH) << 9) | ((s & ~FileA) << 7)) & b.BlackPawns) |
           ((((s & ~FileH) >> 7) | ((s & ~FileA) >> 9)) & b.WhitePawns);
}

int SEE::LVP(char colour, u64 attackers)
{
    const ChessBoard &b = *Board;
    const u64 order[6] = {
        colour ? b.BlackPawns : b.WhitePawns,     colour ? b.BlackKnights : b.WhiteKnights,
        colour ? b.BlackBishops : b.WhiteBishops, colour ? b.BlackRooks : b.WhiteRooks,
        colour ? b.BlackQueens : b.WhiteQueens,   colour ? b.BlackKing : b.WhiteKing};
    for (u64 pieces : order)
        if (pieces & attackers) return LowestSquare(pieces & attackers);
    return -1;
}

u64 SEE::AddXrayAttacker(u64 attackers, int sq, int dir)
{
    const int ray = RayIndex(dir);
    if (ray < 0) {
        std::printf("ERROR: dir not in range. dir = %d\n", dir);
        std::exit(0);
    }
    const ChessBoard &b = *Board;
    // The first piece beyond sq, walking away from the target.
    const u64 hit = RayAttacks(ray, sq & 63, b.AllPieces) & b.AllPieces;
    const u64 straight = b.WhiteRooks | b.BlackRooks, diagonal = b.WhiteBishops | b.BlackBishops;
    const u64 sliders = (ray < 4 ? straight : diagonal) | b.WhiteQueens | b.BlackQueens;
    if (hit & sliders) attackers ^= hit;
    return attackers;
}

int SEE::StaticExchangeEvaluation(char colour, u64 from, u64 to, ChessBoard *board)
{
    const char c = colour ? 1 : 0;
    const int f = from ? LowestSquare(from) : 0;
    const int t = to ? LowestSquare(to) : 0;
    i32 gain[MAXGAIN];

    // 1. Everyone who bears on the target besides the first capturer.
    Board = board;
    u64 attackers = SquareAttacksDefences(to) & ~from;
    // 2. The first capture.
    gain[0] = ValueCapturedPiece(static_cast<char>(c ^ 1), to, *board);
    int next = ValueCapturedPiece(c, from, *board);
    // 3. The slider behind the first capturer joins in.
    int d = Direction[t][f];
    if (d < -9 || d > 9) {
        std::printf("ERROR: Location #1\n");
        std::printf("ERROR: dir > 10: dir = %d to = %d from = %d\n", d, t, f);
        std::exit(0);
    }
    if (d != 0) attackers = AddXrayAttacker(attackers, f, d);
    // 4-5. Recaptures by the least valuable attacker, sides alternating.
    char side = c;
    int s = LVP(side, attackers);
    int k = 0;
    while (s >= 0 && k + 1 < MAXGAIN) {
        side ^= 1;
        gain[k + 1] = next - gain[k];
        next = ValueCapturedPiece(side, u64{1} << s, *board);
        attackers &= ~(u64{1} << s);
        d = Direction[t][s];
        if (d < -9 || d > 9) {
            std::printf("ERROR: Location #2\n");
            std::printf("ERROR: dir > 10: dir = %d to = %d from = %d\n", d, t, s);
        } else if (d != 0) {
            attackers = AddXrayAttacker(attackers, s, d);
        }
        s = LVP(side, attackers);
        k++;
    }
    // 6. Minimax back: either side may stop capturing.
    for (int i = k; i >= 1; i--)
        if (gain[i] > -gain[i - 1]) gain[i - 1] = -gain[i];
    // 7.
    return gain[0];
}
