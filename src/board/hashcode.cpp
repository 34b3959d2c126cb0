#include "board/hashcode.h"

u64 UPStable[12][64];
u64 LPStable[12][64];
u64 CastleCode[16];
u64 WtoMove;
u64 BtoMove;

u32 BetterRandom32()
{
    static int init = 1;
    static int k, j;
    static u32 y[55];
    static const u32 x[55] = {
        1410651636u, 3012776752u, 3497475623u, 2892145026u, 1571949714u, 3253082284u, 3489895018u,
        387949491u,  2597396737u, 1981903553u, 3160251843u, 129444464u,  1851443344u, 4156445905u,
        224604922u,  1455067070u, 3953493484u, 1460937157u, 2528362617u, 317430674u,  3229354360u,
        117491133u,  832845075u,  1961600170u, 1321557429u, 747750121u,  545747446u,  810476036u,
        503334515u,  4088144633u, 2824216555u, 3738252341u, 3493754131u, 3672533954u, 29494241u,
        1180928407u, 4213624418u, 33062851u,   3221315737u, 1145213552u, 2957984897u, 4078668503u,
        2262661702u, 65478801u,   2527208841u, 1960622036u, 315685891u,  1196037864u, 804614524u,
        1421733266u, 2017105031u, 3882325900u, 810735053u,  384606609u,  2393861397u};
    if (init) {
        init = 0;
        for (int i = 0; i < 55; i++)
            y[i] = x[i];
        u32 r = y[23] + y[54];
        y[54] = r;
        j = 22;
        k = 53;
        return r;
    }
    u32 r = y[j] + y[k];
    y[k] = r;
    if (--j < 0) j = 54;
    if (--k < 0) k = 54;
    return r;
}

namespace {

u64 NextKey()
{
    u64 hi = BetterRandom32();
    u64 lo = BetterRandom32();
    return (hi << 32) | lo;
}

} // namespace

void initPStable()
{
    for (int kind = 0; kind < 12; kind++) {
        for (int sq = 0; sq < 64; sq++) {
            UPStable[kind][sq] = NextKey();
            LPStable[kind][sq] = NextKey();
        }
    }
    for (int i = 0; i < 16; i++)
        CastleCode[i] = NextKey();
    BtoMove = NextKey();
    WtoMove = NextKey();
}

void PieceKeys(const ChessBoard &board, u64 *upper, u64 *lower)
{
    const u64 boards[12] = {board.WhitePawns, board.WhiteKnights, board.WhiteBishops,
                            board.WhiteRooks, board.WhiteQueens,  board.WhiteKing,
                            board.BlackPawns, board.BlackKnights, board.BlackBishops,
                            board.BlackRooks, board.BlackQueens,  board.BlackKing};
    u64 up = 0, lo = 0;
    for (int kind = 0; kind < 12; kind++) {
        for (u64 b = boards[kind]; b; b &= b - 1) {
            int sq = LowestSquare(b);
            up ^= UPStable[kind][sq];
            lo ^= LPStable[kind][sq];
        }
    }
    *upper = up;
    *lower = lo;
}

void genhashcode(char side, int castle, u64 *upper, u64 *lower, const ChessBoard *board)
{
    u64 up, lo;
    PieceKeys(*board, &up, &lo);
    const u64 sideKey = side ? BtoMove : WtoMove;
    const u64 castleKey = CastleCode[castle & 15];
    *upper = up ^ sideKey ^ castleKey;
    *lower = lo ^ sideKey ^ castleKey;
}

u32 PawnKeyOf(const ChessBoard &board)
{
    u64 key = 0;
    for (u64 b = board.WhitePawns; b; b &= b - 1)
        key ^= LPStable[WPAWN][LowestSquare(b)];
    for (u64 b = board.WhiteKing; b; b &= b - 1)
        key ^= LPStable[WKING][LowestSquare(b)];
    for (u64 b = board.BlackPawns; b; b &= b - 1)
        key ^= LPStable[BPAWN][LowestSquare(b)];
    for (u64 b = board.BlackKing; b; b &= b - 1)
        key ^= LPStable[BKING][LowestSquare(b)];
    return static_cast<u32>(key);
}
