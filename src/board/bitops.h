#pragma once
// Bit utilities: bit scans and population counts.

#include "core/types.h"

// Inverse sequence of the De Bruijn multiplier of RightMostBit.
extern const int magictable[64];

// 1-based index of the lowest set bit; 1 for x = 0 (the same as for a1).
inline int RightMostBit(u64 x)
{
    return magictable[((x & (0 - x)) * 0x03f79d71b4cb0a89ULL) >> 58] + 1;
}

// 0-based index of the lowest set bit of a non-empty board.
inline int LowestSquare(u64 x)
{
    return __builtin_ctzll(x);
}

// Population count; 0 for 0.
inline int SimpleBitCount(u64 x)
{
    return __builtin_popcountll(x);
}

// 0-based index of the highest set bit; -1 for 0.
inline int MyLog2(u64 x)
{
    return x ? 63 - __builtin_clzll(x) : -1;
}
