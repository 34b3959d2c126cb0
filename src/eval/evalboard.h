#pragma once
// The square geometry the evaluation files share.

#include <array>

#include "board/board.h"

namespace evalgeo {

constexpr u64 FileOf(int f)
{
    return FILE_A << f;
}
constexpr u64 RankOf(int r)
{
    return RANK_1 << (8 * r);
}

// A one-bit mask of a square index; 0 for an index off the board.
constexpr u64 Bit(int sq)
{
    return (sq >= 0 && sq < 64) ? u64{1} << sq : 0;
}

// The larger of the file and the rank distance.
constexpr int Distance(int a, int b)
{
    const int df = (a & 7) > (b & 7) ? (a & 7) - (b & 7) : (b & 7) - (a & 7);
    const int dr = (a >> 3) > (b >> 3) ? (a >> 3) - (b >> 3) : (b >> 3) - (a >> 3);
    return df > dr ? df : dr;
}

// The three files around a king's file, kept on the board: a king on the a-file takes
// a, b and c; one on the h-file f, g and h.
constexpr u64 KingWing(int f)
{
    const int mid = f == 0 ? 1 : (f == 7 ? 6 : f);
    return FileOf(mid - 1) | FileOf(mid) | FileOf(mid + 1);
}

// KingWing of every file, and Distance of every pair of squares, as tables for the hot paths.
inline constexpr std::array<u64, 8> KingWings = [] {
    std::array<u64, 8> t{};
    for (int f = 0; f < 8; f++)
        t[f] = KingWing(f);
    return t;
}();
struct DistanceTable {
    u8 d[64][64];
};
inline constexpr DistanceTable Distances = [] {
    DistanceTable t{};
    for (int a = 0; a < 64; a++)
        for (int b = 0; b < 64; b++)
            t.d[a][b] = static_cast<u8>(Distance(a, b));
    return t;
}();

// Every whole file that holds a bit of b.
inline u64 FileFill(u64 b)
{
    b |= b << 8;
    b |= b << 16;
    b |= b << 32;
    b |= b >> 8;
    b |= b >> 16;
    b |= b >> 32;
    return b;
}

static_assert(Distance(18, 56) == 5 && Distance(27, 36) == 1 && Distance(0, 63) == 7);
static_assert(KingWing(0) == (FileOf(0) | FileOf(1) | FileOf(2)));
static_assert(KingWing(7) == (FileOf(5) | FileOf(6) | FileOf(7)));
static_assert(KingWings[3] == KingWing(3) && Distances.d[18][56] == 5 && Distances.d[63][0] == 7);

} // namespace evalgeo
