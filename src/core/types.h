#pragma once
// Fixed-width types and the square numbering shared by every subsystem.

#include <cstdint>

using u64 = std::uint64_t; // bit 0 = a1, bit 7 = h1, bit 56 = a8, bit 63 = h8
using u32 = std::uint32_t;
using u16 = std::uint16_t;
using u8 = std::uint8_t;
using i64 = std::int64_t;
using i32 = std::int32_t;
using i16 = std::int16_t;
using i8 = std::int8_t;

// A 64-bit value held to the range of an i32: numbers from outside, and products of them, never
// wrap around.
constexpr i32 Clamp32(i64 v)
{
    return static_cast<i32>(v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : v));
}

// Square index = 8 * rank + file (a1 = 0, h1 = 7, a8 = 56, h8 = 63).
constexpr int SquareOf(int file, int rank)
{
    return 8 * rank + file;
}
constexpr u64 SquareMask(int sq)
{
    return u64{1} << sq;
}

// Files and ranks as bitboards.
constexpr u64 FILE_A = 0x0101010101010101ULL;
constexpr u64 FILE_H = 0x8080808080808080ULL;
constexpr u64 RANK_1 = 0x00000000000000FFULL;
constexpr u64 RANK_2 = 0x000000000000FF00ULL;
constexpr u64 RANK_3 = 0x0000000000FF0000ULL;
constexpr u64 RANK_4 = 0x00000000FF000000ULL;
constexpr u64 RANK_5 = 0x000000FF00000000ULL;
constexpr u64 RANK_6 = 0x0000FF0000000000ULL;
constexpr u64 RANK_7 = 0x00FF000000000000ULL;
constexpr u64 RANK_8 = 0xFF00000000000000ULL;
// The light squares (h1 and a8 among them).
constexpr u64 LIGHT_SQUARES = 0x55aa55aa55aa55aaULL;

// The squares of the back ranks, for castling and the rooks' corners.
namespace BackRank {
constexpr u64 A1 = SquareMask(0), B1 = SquareMask(1), C1 = SquareMask(2), D1 = SquareMask(3);
constexpr u64 E1 = SquareMask(4), F1 = SquareMask(5), G1 = SquareMask(6), H1 = SquareMask(7);
constexpr u64 A8 = SquareMask(56), B8 = SquareMask(57), C8 = SquareMask(58), D8 = SquareMask(59);
constexpr u64 E8 = SquareMask(60), F8 = SquareMask(61), G8 = SquareMask(62), H8 = SquareMask(63);
} // namespace BackRank

// Squares ahead of the squares of sq on their files and both neighbouring files, up to the
// edge, towards White's last rank (side 0) or Black's (side 1).
constexpr u64 FrontSpan(char side, u64 sq)
{
    const u64 files = sq | ((sq & ~FILE_A) >> 1) | ((sq & ~FILE_H) << 1);
    u64 span = 0;
    if (side == 0)
        for (u64 r = files << 8; r; r <<= 8)
            span |= r;
    else
        for (u64 r = files >> 8; r; r >>= 8)
            span |= r;
    return span;
}

// Colours: 0 white, anything else black.
constexpr char WHITE = 0;
constexpr char BLACK = 1;

// Promotion byte of a move that promotes nothing.
constexpr char NOPROMOTION = static_cast<char>(236);

// Score scale: a side mated at ply p scores p - MATEVALUE.
constexpr int MATEVALUE = 110000;
constexpr int STALEMATEVALUE = 110001;
constexpr int NOVALUE = -110200;
