#pragma once
// Precomputed attack tables: knight and king steps, magic lookups for the sliders.
// Every result equals the ray-stepping definition (first blocker of either colour included).

#include "core/types.h"

// A slider table is indexed by the processor's bit extraction (BMI2 PEXT) where the compiler
// may use it, except on the first two Zen generations, which run it slowly in microcode; by
// the magic multiplication elsewhere. Both give each occupancy of a square's relevant squares
// its own index below 2^bits, so the tables have the same size either way.
#if defined(__BMI2__) && !defined(__znver1__) && !defined(__znver2__)
#define VORN_SLIDER_PEXT 1
#include <immintrin.h>
#else
#define VORN_SLIDER_PEXT 0
#endif

struct Magic {
    const u64 *attacks; // start of this square's slice of the shared table
    u64 mask;           // relevant occupancy: the rays without their last square
    u64 magic;          // unused where PEXT indexes the table
    int shift;          // 64 - bits of the mask
};

extern u64 KnightTable[64];
extern u64 KingTable[64];
extern Magic RookMagics[64];
extern Magic BishopMagics[64];
// Empty-board rays by direction: 0 N, 1 S, 2 E, 3 W, 4 NE, 5 NW, 6 SE, 7 SW.
extern u64 RayTable[8][64];

// Fills every attack table; main calls it once before anything else needs attacks.
void InitAttackTables();

// Index of occupancy occ in the square's slice of a slider table.
inline u64 SliderIndex(const Magic &m, u64 occ)
{
#if VORN_SLIDER_PEXT
    return _pext_u64(occ, m.mask);
#else
    return ((occ & m.mask) * m.magic) >> m.shift;
#endif
}

inline u64 RookAttacksFrom(int sq, u64 occ)
{
    const Magic &m = RookMagics[sq];
    return m.attacks[SliderIndex(m, occ)];
}

inline u64 BishopAttacksFrom(int sq, u64 occ)
{
    const Magic &m = BishopMagics[sq];
    return m.attacks[SliderIndex(m, occ)];
}

inline u64 QueenAttacksFrom(int sq, u64 occ)
{
    return RookAttacksFrom(sq, occ) | BishopAttacksFrom(sq, occ);
}

// One bitboard per square, for tables built at compile time.
struct SquareSets {
    u64 of[64];
};

// Empty-board reach of a rook (straight) or a bishop from each square.
constexpr SquareSets SliderReach(bool straight)
{
    SquareSets t{};
    const int first = straight ? 0 : 4;
    constexpr int step[8][2] = {{0, 1}, {0, -1}, {1, 0},  {-1, 0},
                                {1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    for (int sq = 0; sq < 64; sq++)
        for (int d = first; d < first + 4; d++)
            for (int f = (sq & 7) + step[d][0], r = (sq >> 3) + step[d][1];
                 f >= 0 && f < 8 && r >= 0 && r < 8; f += step[d][0], r += step[d][1])
                t.of[sq] |= SquareMask(8 * r + f);
    return t;
}

// The squares from which a pawn of the given colour (0 white, 1 black) attacks each square.
constexpr SquareSets PawnAttackersOf(int colour)
{
    SquareSets t{};
    for (int sq = 0; sq < 64; sq++) {
        const u64 s = SquareMask(sq);
        t.of[sq] = colour == 0 ? ((s & ~FILE_H) >> 7) | ((s & ~FILE_A) >> 9)
                               : ((s & ~FILE_A) << 7) | ((s & ~FILE_H) << 9);
    }
    return t;
}

inline constexpr SquareSets RookReach = SliderReach(true);
inline constexpr SquareSets BishopReach = SliderReach(false);
inline constexpr SquareSets PawnAttackers[2] = {PawnAttackersOf(0), PawnAttackersOf(1)};

// Knight and king attacks of every square of a set, by guarded shifts.
inline u64 KnightSetAttacks(u64 s)
{
    constexpr u64 notA = ~0x0101010101010101ULL, notH = ~0x8080808080808080ULL;
    constexpr u64 notAB = ~0x0303030303030303ULL, notGH = ~0xc0c0c0c0c0c0c0c0ULL;
    return ((s & notGH) >> 6) | ((s & notAB) >> 10) | ((s & notH) >> 15) | ((s & notA) >> 17) |
           ((s & notAB) << 6) | ((s & notGH) << 10) | ((s & notA) << 15) | ((s & notH) << 17);
}

inline u64 KingSetAttacks(u64 s)
{
    constexpr u64 notA = ~0x0101010101010101ULL, notH = ~0x8080808080808080ULL;
    return (s << 8) | (s >> 8) | ((s & notH) << 9) | ((s & notH) >> 7) | ((s & notH) << 1) |
           ((s & notA) << 7) | ((s & notA) >> 9) | ((s & notA) >> 1);
}

// The ray from sq in direction dir, up to and including the first piece of occ.
inline u64 RayAttacks(int dir, int sq, u64 occ)
{
    u64 ray = RayTable[dir][sq];
    u64 blockers = ray & occ;
    if (blockers) {
        // N, E, NE, NW run towards higher squares; the others towards lower ones.
        int first = (dir == 0 || dir == 2 || dir == 4 || dir == 5) ? __builtin_ctzll(blockers)
                                                                   : 63 - __builtin_clzll(blockers);
        ray ^= RayTable[dir][first];
    }
    return ray;
}
