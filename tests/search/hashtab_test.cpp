#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "search/hashtab.h"

namespace {

// Positions that share one bucket: same low 21 bits of the lower half, different elsewhere.
constexpr u64 kBucket = 0x12345;
constexpr u64 kLowerA = (u64{0xA1} << 40) | kBucket;
constexpr u64 kLowerB = (u64{0xB2} << 40) | kBucket;
constexpr u64 kLowerC = (u64{0xC3} << 40) | (u64{1} << 21) | kBucket;
constexpr u64 kLowerD = (u64{0xD4} << 40) | (u64{7} << 29) | kBucket;
constexpr u64 kUpper = 0x0123456789ABCDEFull;

constexpr i32 kUnset = 0x5A5A5A5A;

class TranspositionTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        PositionCache.ClearTranspositionTables();
        PositionCache.hits = 0;
        PositionCache.misses = 0;
    }

    static const TTEntry& Slot(int i) { return PositionCache.HashTable[kBucket].slot[i]; }

    // Stores with the unused arguments filled in.
    static void Store(u64 lower, int depth, int move, int value, int flag, u64 upper = kUpper)
    {
        PositionCache.InsertTranspositionTables(upper, lower, 0, depth, static_cast<i16>(move),
                                                value, static_cast<char>(flag), -110000, 110000);
    }

    // Probes and keeps what came back.
    int Probe(u64 lower, int depth, int alpha, int beta, u64 upper = kUpper)
    {
        value = kUnset;
        move = kUnset;
        return PositionCache.SearchTranspositionTables(upper, lower, 1, depth, alpha, beta, &value,
                                                       &move);
    }

    i32 value = kUnset;
    i32 move = kUnset;
};

TEST_F(TranspositionTable, EmptyTableProbeIsAMiss)
{
    EXPECT_EQ(Probe(kLowerA, 3, -100, 100), 3);
    EXPECT_EQ(value, kUnset);
    EXPECT_EQ(move, kUnset);
    EXPECT_EQ(PositionCache.misses, 1);
    EXPECT_EQ(PositionCache.hits, 0);
}

TEST_F(TranspositionTable, ShallowerResultForSamePositionGoesToSlotOne)
{
    Store(kLowerA, 5, 100, 10, 2);
    Store(kLowerA, 3, 200, 20, 2);
    EXPECT_EQ(Slot(0).depth, 5);
    EXPECT_EQ(Slot(0).move, 100);
    EXPECT_EQ(Slot(0).age, 2);
    EXPECT_EQ(Slot(1).depth, 3);
    EXPECT_EQ(Slot(1).move, 200);
    EXPECT_EQ(Slot(1).age, 4);
    EXPECT_EQ(Slot(2).age, 0);
    EXPECT_EQ(Slot(2).upper, 0u);
}

TEST_F(TranspositionTable, DeeperOrEqualResultForSamePositionTakesSlotZero)
{
    Store(kLowerA, 3, 100, 10, 2);
    Store(kLowerA, 5, 200, 20, 2);
    EXPECT_EQ(Slot(0).depth, 5);
    EXPECT_EQ(Slot(0).age, 2);
    EXPECT_EQ(Slot(1).depth, 3);
    EXPECT_EQ(Slot(1).move, 100);
    Store(kLowerA, 5, 300, 30, 1);
    EXPECT_EQ(Slot(0).move, 300);
    EXPECT_EQ(Slot(1).move, 200);
    EXPECT_EQ(Slot(2).move, 100);
}

TEST_F(TranspositionTable, NewPositionBesideFreshSlotZeroDropsSlotTwo)
{
    Store(kLowerA, 1, 1, 0, 2);
    Store(kLowerB, 9, 2, 0, 2);  // slot 0 is fresh and another position: depth does not matter
    Store(kLowerC, 2, 3, 0, 2);
    EXPECT_EQ(Slot(0).lower, kLowerA);
    EXPECT_EQ(Slot(1).lower, kLowerC);
    EXPECT_EQ(Slot(1).age, 4);
    EXPECT_EQ(Slot(2).lower, kLowerB);
    Store(kLowerD, 4, 4, 0, 2);
    EXPECT_EQ(Slot(0).lower, kLowerA);
    EXPECT_EQ(Slot(1).lower, kLowerD);
    EXPECT_EQ(Slot(2).lower, kLowerC);
    EXPECT_EQ(Probe(kLowerB, 1, -100, 100), 3);
    EXPECT_EQ(move, kUnset);
}

TEST_F(TranspositionTable, StaleSlotZeroGivesWayToAnyPosition)
{
    Store(kLowerA, 8, 1, 0, 2);
    PositionCache.AgeTranspositionTables();
    Store(kLowerB, 1, 2, 0, 2);
    EXPECT_EQ(Slot(0).lower, kLowerB);
    EXPECT_EQ(Slot(0).age, 2);
    EXPECT_EQ(Slot(1).lower, kLowerA);
    EXPECT_EQ(Slot(1).age, 0);
}

TEST_F(TranspositionTable, AgedEntryGivesMoveButNoCutOff)
{
    Store(kLowerA, 4, 777, 55, 2);
    ASSERT_EQ(Probe(kLowerA, 4, -100, 100), 2);
    PositionCache.AgeTranspositionTables();
    EXPECT_EQ(Probe(kLowerA, 4, -100, 100), 3);
    EXPECT_EQ(move, 777);
    EXPECT_EQ(value, kUnset);
    EXPECT_EQ(PositionCache.hits, 1);
    EXPECT_EQ(PositionCache.misses, 1);
}

TEST_F(TranspositionTable, CutOffCodesWriteTheirValues)
{
    Store(kLowerA, 4, 11, 123, 2);
    EXPECT_EQ(Probe(kLowerA, 4, -1000, 1000), 2);
    EXPECT_EQ(value, 123);
    EXPECT_EQ(move, 11);

    Store(kLowerB, 4, 12, -50, 0);
    EXPECT_EQ(Probe(kLowerB, 3, -40, 100), 0);
    EXPECT_EQ(value, -40);
    EXPECT_EQ(Probe(kLowerB, 3, -60, 100), 4);  // above alpha: no cut-off, only the hint

    Store(kLowerC, 4, 13, 300, 1);
    EXPECT_EQ(Probe(kLowerC, 4, 0, 200), 1);
    EXPECT_EQ(value, 200);
    EXPECT_EQ(Probe(kLowerC, 4, 0, 301), 3);

    EXPECT_EQ(PositionCache.hits, 3);
    EXPECT_EQ(PositionCache.misses, 2);
}

TEST_F(TranspositionTable, ExactEntryCutsOnlyAtItsDepthOrLess)
{
    Store(kLowerA, 4, 21, 77, 2);
    EXPECT_EQ(Probe(kLowerA, 5, -1000, 1000), 3);
    EXPECT_EQ(move, 21);
    EXPECT_EQ(Probe(kLowerA, 4, -1000, 1000), 2);
    EXPECT_EQ(value, 77);
}

TEST_F(TranspositionTable, UpperBoundBelowBetaHintsNullMoveFails)
{
    Store(kLowerA, 4, 0, -50, 0);
    EXPECT_EQ(Probe(kLowerA, 6, 0, 100), 4);
    EXPECT_EQ(value, kUnset);
    EXPECT_EQ(PositionCache.misses, 1);
    // A bound at or above beta gives no hint.
    EXPECT_EQ(Probe(kLowerA, 6, -100, -50), 3);
}

TEST_F(TranspositionTable, NullMoveHintReachesThreePliesFromDepthSix)
{
    Store(kLowerA, 3, 0, -50, 0);
    EXPECT_EQ(Probe(kLowerA, 6, -100, 100), 4);  // 3 >= 6 - 3
    EXPECT_EQ(Probe(kLowerA, 7, -100, 100), 3);  // 3 <  7 - 3
    EXPECT_EQ(Probe(kLowerA, 5, -100, 100), 4);  // 3 >= 5 - 2
    Store(kLowerB, 2, 0, -50, 0);
    EXPECT_EQ(Probe(kLowerB, 5, -100, 100), 3);  // 2 <  5 - 2
}

TEST_F(TranspositionTable, MateScoresCarryTheStoreDepth)
{
    Store(kLowerA, 3, 0, 109801, 2);
    EXPECT_EQ(Slot(0).value, 109804);
    EXPECT_EQ(Probe(kLowerA, 3, -110000, 110000), 2);
    EXPECT_EQ(value, 109804);

    Store(kLowerB, 3, 0, -109801, 2);
    EXPECT_EQ(Probe(kLowerB, 3, -110000, 110000), 2);
    EXPECT_EQ(value, -109804);

    Store(kLowerC, 3, 0, 109800, 2);
    EXPECT_EQ(Probe(kLowerC, 3, -110000, 110000), 2);
    EXPECT_EQ(value, 109800);
    Store(kLowerD, 3, 0, -109800, 2);
    EXPECT_EQ(Probe(kLowerD, 3, -110000, 110000), 2);
    EXPECT_EQ(value, -109800);
}

TEST_F(TranspositionTable, MoveComesFromTheDeepestMatch)
{
    Store(kLowerB, 9, 99, 0, 2);   // another position holds slot 0
    Store(kLowerA, 5, 11, 0, 2);   // slot 1
    Store(kLowerA, 2, 22, 0, 2);   // slot 1, the depth-5 entry moves to slot 2
    EXPECT_EQ(Probe(kLowerA, 8, -100, 100), 3);
    EXPECT_EQ(move, 11);
    // A fresh slot 1 of the position cuts off from there too, without touching slot 0.
    EXPECT_EQ(Probe(kLowerA, 2, -100, 100), 2);
    EXPECT_EQ(move, 22);
}

TEST_F(TranspositionTable, DepthBeyondItsFieldIsClampedNotWrapped)
{
    Store(kLowerA, 300, 41, 9, 2);
    EXPECT_EQ(Slot(0).depth, 127);
    EXPECT_EQ(Probe(kLowerA, 127, -100, 100), 2);
    EXPECT_EQ(Probe(kLowerA, 128, -100, 100), 3);
}

TEST_F(TranspositionTable, PositionsNeedBothHalvesToMatch)
{
    Store(kLowerA, 4, 31, 5, 2);
    EXPECT_EQ(Probe(kLowerA, 4, -100, 100, kUpper ^ 1), 3);
    EXPECT_EQ(move, kUnset);
    EXPECT_EQ(Probe(kLowerB, 4, -100, 100), 3);
    EXPECT_EQ(move, kUnset);
}

TEST_F(TranspositionTable, ClearEmptiesEntriesAndKeepsCounters)
{
    Store(kLowerA, 4, 31, 5, 2);
    Probe(kLowerA, 4, -100, 100);
    Probe(kLowerB, 4, -100, 100);
    PositionCache.ClearTranspositionTables();
    EXPECT_EQ(Probe(kLowerA, 1, -100, 100), 3);
    EXPECT_EQ(move, kUnset);
    EXPECT_EQ(PositionCache.hits, 1);
    EXPECT_EQ(PositionCache.misses, 2);
    EXPECT_EQ(Slot(0).lower, 0u);
}

TEST_F(TranspositionTable, ClearedEntryStaysGoneWhenTheClearingsComeRound)
{
    Store(kLowerA, 4, 31, 5, 2);
    // Every clearing here follows a store to another bucket, so none of them is skipped.
    for (int i = 0; i < 65536; i++) {
        Store(kBucket + 1, 1, 1, 0, 2);
        PositionCache.ClearTranspositionTables();
    }
    EXPECT_EQ(Probe(kLowerA, 1, -100, 100), 3);
    EXPECT_EQ(move, kUnset);
}

TEST(TranspositionTableMasks, MaskTableAndSize)
{
    EXPECT_EQ(PositionCache.HashMask[0], 3u);
    EXPECT_EQ(PositionCache.HashMask[2], 255u);
    EXPECT_EQ(PositionCache.HashMask[3], 511u);
    EXPECT_EQ(PositionCache.HashMask[15], 2097151u);
    EXPECT_EQ(PositionCache.HashMask[22], 268435455u);
    EXPECT_EQ(PositionCache.HashMask[23], 4294967295u);
    EXPECT_EQ(TTABLESIZE, (1u << 21) + 3);
}

#if defined(__SANITIZE_ADDRESS__)
#define VORN_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORN_ASAN 1
#endif
#endif

// The sanitizer reserves far more address space than any limit below would allow.
#ifndef VORN_ASAN
// Returns the process's address-space size in bytes, or 0 if it cannot be read.
unsigned long long AddressSpaceBytes()
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    unsigned long long kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmSize: %llu kB", &kb) == 1) break;
    std::fclose(f);
    return kb * 1024;
}

// Leaves room for 64 MB more, sends standard output to the error stream and builds a second
// table, which cannot fit.
void AllocateSecondTableWithoutRoom(unsigned long long used)
{
    rlimit lim;
    lim.rlim_cur = lim.rlim_max = used + (64ull << 20);
    setrlimit(RLIMIT_AS, &lim);
    std::fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    TranspositionTables second;
    std::printf("allocated at %p\n", static_cast<void*>(second.HashTable));
    std::exit(0);
}

TEST(TranspositionTableDeathTest, FailedAllocationEndsWithAnError)
{
    const unsigned long long used = AddressSpaceBytes();
    if (used == 0) GTEST_SKIP() << "no /proc/self/status";
    EXPECT_EXIT(AllocateSecondTableWithoutRoom(used), ::testing::ExitedWithCode(1),
                "ERROR: cannot allocate the transposition table");
}
#endif

}  // namespace
