#include "board/attacks.h"

#include <cstdio>
#include <cstdlib>

#include "board/hugepages.h"

u64 KnightTable[64];
u64 KingTable[64];
Magic RookMagics[64];
Magic BishopMagics[64];
u64 RayTable[8][64];

namespace {

// Magic multipliers found offline by a seeded search over sparse random numbers.
constexpr u64 RookMagicNumbers[64] = {
    0x1080004008801020ULL, 0x0840092002c03000ULL, 0x1900200010400900ULL, 0x0880100008000480ULL,
    0x4200100420080200ULL, 0x8100020100080400ULL, 0x0200040110886200ULL, 0x0200008040220411ULL,
    0x0404800084400220ULL, 0x0000401000402000ULL, 0x0086001081220440ULL, 0x0408800800100280ULL,
    0x000a001201040820ULL, 0x8848800200840080ULL, 0x4001000100040200ULL, 0x0442000102105084ULL,
    0x9080010020804100ULL, 0x0040404000201009ULL, 0x0000808010002009ULL, 0x2200090021d00100ULL,
    0x0008008008040080ULL, 0x0004004002010040ULL, 0x0011040008015042ULL, 0x00000a0001768104ULL,
    0x0000800080204009ULL, 0x2010004140002001ULL, 0x9800200280100080ULL, 0x1000100080080080ULL,
    0x0442000a00049020ULL, 0x2100040080020080ULL, 0x0800120400900148ULL, 0x0010040a00128541ULL,
    0x2800804000800030ULL, 0x1010002000400041ULL, 0x4000200011004100ULL, 0x0610008410800800ULL,
    0x0400802402800800ULL, 0xc100020080800400ULL, 0x0002000802000401ULL, 0x0182085882000401ULL,
    0x0220204000808000ULL, 0x2860100040024022ULL, 0x0001002004110040ULL, 0x99101042000a0020ULL,
    0x0004080004008080ULL, 0x0010040002008080ULL, 0x2012004881020004ULL, 0x8300842444820011ULL,
    0x0088403882010200ULL, 0x0820400080210100ULL, 0x0110910040a00300ULL, 0x0801100280080480ULL,
    0x0242009008200600ULL, 0x1002000489500200ULL, 0x0040800200010080ULL, 0x0091800041000080ULL,
    0x0000209300488001ULL, 0x04c1002414824001ULL, 0x020020000b001041ULL, 0x7000100004200901ULL,
    0x8002002004100802ULL, 0x30010002084c0007ULL, 0x0888221800813004ULL, 0x4000002840840112ULL,
};

constexpr u64 BishopMagicNumbers[64] = {
    0xa010041108003100ULL, 0x006082020a002900ULL, 0x6810010619200000ULL, 0x08281a0520000408ULL,
    0x0001104001000400ULL, 0x0018901008048400ULL, 0x00040a0210245280ULL, 0x000200210808a402ULL,
    0x9140048410821200ULL, 0x0800091010820041ULL, 0x20504804832202c0ULL, 0x0100091401081000ULL,
    0x8021011140000012ULL, 0x0810020804450400ULL, 0x208b0542109008a2ULL, 0x0080084a08040204ULL,
    0x0040e2a80811244cULL, 0x2505022008008108ULL, 0x0430220100420040ULL, 0x010a040420220040ULL,
    0x1105000290400000ULL, 0x0093001200822120ULL, 0x4000a62048043004ULL, 0x280120048a015004ULL,
    0x006090002a020814ULL, 0x44042000240800d0ULL, 0x01102800040a4400ULL, 0x1004080080220040ULL,
    0x0001001011004024ULL, 0x0010044000805040ULL, 0x0914041200820100ULL, 0x0004821012821480ULL,
    0x0024040500c05021ULL, 0x0088611002080200ULL, 0x0116080a00040020ULL, 0x4000020080080080ULL,
    0x2450450140840040ULL, 0x0000880201484100ULL, 0x0222020404020092ULL, 0x8081110600002e00ULL,
    0x2842101105000801ULL, 0x1100809008001025ULL, 0x00020202221c0400ULL, 0x0422014022009020ULL,
    0x0210046102100c00ULL, 0xc004008082029102ULL, 0x00aa461801101200ULL, 0x0404080080201108ULL,
    0x020542108c205002ULL, 0x0410544804100100ULL, 0x0040910841100000ULL, 0x0400200042021100ULL,
    0x00004204850400c0ULL, 0x0200100410a42102ULL, 0x1040020801210102ULL, 0x0805040410420000ULL,
    0x2884804130100200ULL, 0x800c262201242000ULL, 0x1058000194108800ULL, 0x0014221054420204ULL,
    0x0104000012a02200ULL, 0x0200881003300100ULL, 0x0140400202840100ULL, 0x0402020801010201ULL,
};

constexpr int ROOK_TABLE_SIZE = 102400;
constexpr int BISHOP_TABLE_SIZE = 5248;

constexpr int DirectionSteps[8][2] = {{0, 1}, {0, -1}, {1, 0},  {-1, 0},
                                      {1, 1}, {-1, 1}, {1, -1}, {-1, -1}};

// Where a ray of each direction of RayTable ends: the board's edge that way.
constexpr u64 Edges[8] = {RANK_8,          RANK_1,          FILE_H,          FILE_A,
                          RANK_8 | FILE_H, RANK_8 | FILE_A, RANK_1 | FILE_H, RANK_1 | FILE_A};

// The attacks of a slider on sq along directions firstDir .. firstDir + 3, each ray up to and
// including the first piece of occ. RayTable must be filled.
u64 SlideAlongRays(int sq, u64 occ, int firstDir)
{
    u64 att = 0;
    for (int d = firstDir; d < firstDir + 4; d++)
        att |= RayAttacks(d, sq, occ);
    return att;
}

// The squares whose occupancy matters: each ray without its last square, on the edge.
u64 RelevantMask(int sq, int firstDir)
{
    u64 m = 0;
    for (int d = firstDir; d < firstDir + 4; d++)
        m |= RayTable[d][sq] & ~Edges[d];
    return m;
}

void FillMagics(Magic *magics, const u64 *multipliers, u64 *table, int firstDir)
{
    u64 *next = table;
    for (int sq = 0; sq < 64; sq++) {
        Magic &m = magics[sq];
        m.mask = RelevantMask(sq, firstDir);
        m.magic = multipliers[sq];
        m.shift = 64 - __builtin_popcountll(m.mask);
        m.attacks = next;
        // Walk every subset of the mask (Carry-Rippler) and store its attack set.
        u64 sub = 0;
        do {
            next[SliderIndex(m, sub)] = SlideAlongRays(sq, sub, firstDir);
            sub = (sub - m.mask) & m.mask;
        } while (sub);
        next += u64{1} << (64 - m.shift);
    }
}

} // namespace

void InitAttackTables()
{
    for (int sq = 0; sq < 64; sq++) {
        KnightTable[sq] = KnightSetAttacks(SquareMask(sq));
        KingTable[sq] = KingSetAttacks(SquareMask(sq));
        for (int d = 0; d < 8; d++) {
            u64 ray = 0;
            int f = (sq & 7) + DirectionSteps[d][0], r = (sq >> 3) + DirectionSteps[d][1];
            while (f >= 0 && f < 8 && r >= 0 && r < 8) {
                ray |= SquareMask(8 * r + f);
                f += DirectionSteps[d][0];
                r += DirectionSteps[d][1];
            }
            RayTable[d][sq] = ray;
        }
    }
    // Both slider tables fit one huge page, so lookups scattered over them seldom miss the TLB.
    static u64 *const sliders =
        static_cast<u64 *>(MapLargeTable(sizeof(u64) * (ROOK_TABLE_SIZE + BISHOP_TABLE_SIZE)));
    if (sliders == nullptr) {
        std::printf("ERROR: cannot allocate the attack tables\n");
        std::fflush(stdout);
        std::exit(1);
    }
    FillMagics(RookMagics, RookMagicNumbers, sliders, 0);
    FillMagics(BishopMagics, BishopMagicNumbers, sliders + ROOK_TABLE_SIZE, 4);
}
