#include "movegen/see.h"

SEE see;

namespace {

// Ray index of a Direction step, at step + 9; -1 for no step.
constexpr i8 RayOfStep[19] = {7, 1, 6, -1, -1, -1, -1, -1, 3, -1, 2, -1, -1, -1, -1, -1, 5, 0, 4};
// North (+8) is ray 0, east (+1) ray 2, south-east (-7) ray 6, south-west (-9) ray 7; a step
// of 6 (a knight's) lies on no line.
static_assert(RayOfStep[8 + 9] == 0 && RayOfStep[1 + 9] == 2 && RayOfStep[-7 + 9] == 6 &&
              RayOfStep[-9 + 9] == 7 && RayOfStep[6 + 9] == -1);

// ValueCapturedPiece's values in the order LVP looks at the pieces: pawn, knight, bishop,
// rook, queen, king.
constexpr int ExchangeValues[6] = {800, 3250, 3250, 5000, 9750, 1000000};

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
    const u64 occ = b.AllPieces;
    return (RookAttacksFrom(sq, occ) &
            (b.WhiteRooks | b.BlackRooks | b.WhiteQueens | b.BlackQueens)) |
           (BishopAttacksFrom(sq, occ) &
            (b.WhiteBishops | b.BlackBishops | b.WhiteQueens | b.BlackQueens)) |
           (KnightTable[sq] & (b.WhiteKnights | b.BlackKnights)) |
           (KingTable[sq] & (b.WhiteKing | b.BlackKing)) |
           (PawnAttackers[1].of[sq] & b.BlackPawns) | (PawnAttackers[0].of[sq] & b.WhitePawns);
}

int SEE::LVP(char colour, u64 attackers, int *kind)
{
    const ChessBoard &b = *Board;
    const bool black = colour != 0;
    // Pawns, knights, bishops, rooks, queens, king: the first kind present wins.
    u64 found;
    if ((found = attackers & (black ? b.BlackPawns : b.WhitePawns)))
        *kind = 0;
    else if ((found = attackers & (black ? b.BlackKnights : b.WhiteKnights)))
        *kind = 1;
    else if ((found = attackers & (black ? b.BlackBishops : b.WhiteBishops)))
        *kind = 2;
    else if ((found = attackers & (black ? b.BlackRooks : b.WhiteRooks)))
        *kind = 3;
    else if ((found = attackers & (black ? b.BlackQueens : b.WhiteQueens)))
        *kind = 4;
    else if ((found = attackers & (black ? b.BlackKing : b.WhiteKing)))
        *kind = 5;
    else
        return -1;
    return LowestSquare(found);
}

u64 SEE::AddXrayAttacker(u64 attackers, int sq, int dir)
{
    if (dir < -9 || dir > 9 || RayOfStep[dir + 9] < 0) return attackers;
    const int ray = RayOfStep[dir + 9];
    const ChessBoard &b = *Board;
    // The first piece beyond sq, walking away from the target (the board's occupancy does not
    // change during an exchange). Steps N, E, NE and NW run towards higher squares: the nearest
    // piece is the lowest.
    const u64 behind = RayTable[ray][sq & 63] & b.AllPieces;
    if (!behind) return attackers;
    const u64 hit = dir > 0 ? behind & (0 - behind) : SquareMask(63 - __builtin_clzll(behind));
    const u64 straight = b.WhiteRooks | b.BlackRooks, diagonal = b.WhiteBishops | b.BlackBishops;
    const u64 sliders = (ray < 4 ? straight : diagonal) | b.WhiteQueens | b.BlackQueens;
    if (hit & sliders) attackers ^= hit;
    return attackers;
}

int SEE::StaticExchangeEvaluation(char colour, u64 from, u64 to, ChessBoard *board)
{
    const int c = colour ? 1 : 0;
    const int f = from ? LowestSquare(from) : 0;
    const int t = to ? LowestSquare(to) : 0;
    i32 gain[MAXGAIN];

    // 1. Everyone who bears on the target besides the first capturer.
    Board = board;
    const ChessBoard &b = *board;
    u64 attackers = SquareAttacksDefences(to) & ~from;
    // 2. The first capture.
    gain[0] = ValueCapturedPiece(static_cast<char>(c ^ 1), to, b);
    int next = ValueCapturedPiece(static_cast<char>(c), from, b);
    // 3. The slider behind the first capturer joins in.
    const i16 *const towards = Direction[t];
    if (towards[f] != 0) attackers = AddXrayAttacker(attackers, f, towards[f]);
    // 4-5. Recaptures by the least valuable attacker, sides alternating; the value of the piece
    // found is the one ValueCapturedPiece gives its kind.
    int side = c;
    int k = 0;
    int kind = 0;
    for (int s = LVP(static_cast<char>(side), attackers, &kind); s >= 0 && k + 1 < MAXGAIN;
         s = LVP(static_cast<char>(side), attackers, &kind)) {
        side ^= 1;
        gain[k + 1] = next - gain[k];
        next = ExchangeValues[kind];
        attackers &= ~SquareMask(s);
        if (towards[s] != 0) attackers = AddXrayAttacker(attackers, s, towards[s]);
        k++;
    }
    // 6. Minimax back: either side may stop capturing.
    for (int i = k; i >= 1; i--)
        if (gain[i] > -gain[i - 1]) gain[i - 1] = -gain[i];
    // 7.
    return gain[0];
}
