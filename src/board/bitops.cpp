#include "board/bitops.h"

#include <array>

namespace {

constexpr u64 DE_BRUIJN = 0x03f79d71b4cb0a89ULL;

constexpr std::array<int, 64> MakeMagicTable()
{
    std::array<int, 64> t{};
    for (int i = 0; i < 64; i++)
        t[(DE_BRUIJN << i) >> 58] = i;
    return t;
}

} // namespace

constexpr std::array<int, 64> MagicTable = MakeMagicTable();
static_assert(MagicTable[0] == 0 && MagicTable[1] == 1 && MagicTable[2] == 48 &&
              MagicTable[3] == 2 && MagicTable[15] == 4);

const int magictable[64] = {
#define V(i) MagicTable[i]
    V(0),  V(1),  V(2),  V(3),  V(4),  V(5),  V(6),  V(7),  V(8),  V(9),  V(10), V(11), V(12),
    V(13), V(14), V(15), V(16), V(17), V(18), V(19), V(20), V(21), V(22), V(23), V(24), V(25),
    V(26), V(27), V(28), V(29), V(30), V(31), V(32), V(33), V(34), V(35), V(36), V(37), V(38),
    V(39), V(40), V(41), V(42), V(43), V(44), V(45), V(46), V(47), V(48), V(49), V(50), V(51),
    V(52), V(53), V(54), V(55), V(56), V(57), V(58), V(59), V(60), V(61), V(62), V(63)
#undef V
};
