#pragma once
// Bit utilities: bit scans, population counts and bitboard display.

#include "core/types.h"

// De Bruijn multiplier of the bit scan; magictable is its inverse sequence.
extern const u64 Somemagic[1];
extern const int magictable[64];
extern const char files[9]; // "abcdefgh"

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

// 1-based index of the lowest set bit by binary search; 64 for x = 0.
int MybitScanForward(u64 x);

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

// Prints "1 " when bit sq of x is set, else "- ".
void DisplayBit(int sq, u64 x);

// Prints a bitboard in the layout of the board diagram.
void Displaybits(u64 x);
