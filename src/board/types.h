#pragma once
// Fixed-width types and the square numbering shared by every subsystem.

#include <cstdint>

using u64 = std::uint64_t;  // bit 0 = a1, bit 7 = h1, bit 56 = a8, bit 63 = h8
using u32 = std::uint32_t;
using u16 = std::uint16_t;
using u8 = std::uint8_t;
using i64 = std::int64_t;
using i32 = std::int32_t;
using i16 = std::int16_t;
using i8 = std::int8_t;

// Square index = 8 * rank + file (a1 = 0, h1 = 7, a8 = 56, h8 = 63).
constexpr int SquareOf(int file, int rank) { return 8 * rank + file; }
constexpr u64 SquareMask(int sq) { return u64{1} << sq; }

// Colours: 0 white, anything else black.
constexpr char WHITE = 0;
constexpr char BLACK = 1;

// Promotion byte of a move that promotes nothing.
constexpr char NOPROMOTION = static_cast<char>(236);

// Score scale: a side mated at ply p scores p - MATEVALUE.
constexpr int MATEVALUE = 110000;
constexpr int STALEMATEVALUE = 110001;
constexpr int NOVALUE = -110200;
