#include "search/hashtab.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "board/hugepages.h"
#include "core/status.h"
#include "eval/poseval.h"

TranspositionTables PositionCache;

namespace {

// Mate scores beyond this are pushed out by the depth when stored.
constexpr i32 MATE_STORE_BOUND = 109800;

// Entry fields narrower than the search's integers: clamp rather than wrap.
inline i8 ToDepth8(i32 depth)
{
    return static_cast<i8>(std::clamp(depth, -128, 127));
}

// Returns true and writes the cut-off value when a fresh matching entry settles the probe:
// an exact value, an upper bound at or below alpha, or a lower bound at or above beta.
inline bool CutOff(const TTEntry &e, i32 alpha, i32 beta, i32 *valueOut, char *code)
{
    if (e.flag == TT_EXACT) {
        *valueOut = e.value;
        *code = TT_EXACT;
        return true;
    }
    if (e.flag == TT_FAILLOW && e.value <= alpha) {
        *valueOut = alpha;
        *code = TT_FAILLOW;
        return true;
    }
    if (e.flag == TT_FAILHIGH && e.value >= beta) {
        *valueOut = beta;
        *code = TT_FAILHIGH;
        return true;
    }
    return false;
}

// The age's bits in an entry's data word: left out of the check word, so that a cut-off or an
// ageing rewrites the data word alone.
constexpr u64 AGE_BITS = u64{0xF} << 60;

inline u64 PackData(const TTEntry &e)
{
    return static_cast<u32>(e.value) | u64{static_cast<u16>(e.move)} << 32 |
           u64{static_cast<u8>(e.depth)} << 48 | u64{static_cast<u8>(e.flag) & 0xFu} << 56 |
           u64{static_cast<u8>(e.age) & 0xFu} << 60;
}

// Every word of the table is read and written whole: another search thread may be writing the
// same bucket.
inline u64 LoadWord(const u64 *w)
{
    return __atomic_load_n(w, __ATOMIC_RELAXED);
}
inline void StoreWord(u64 *w, u64 v)
{
    __atomic_store_n(w, v, __ATOMIC_RELAXED);
}
inline u32 LoadHalf(const u32 *w)
{
    return __atomic_load_n(w, __ATOMIC_RELAXED);
}
inline void StoreHalf(u32 *w, u32 v)
{
    __atomic_store_n(w, v, __ATOMIC_RELAXED);
}

// Counters and flags that every thread writes: a lost count is harmless, a torn one impossible.
template <typename T> inline T LoadShared(const T &v)
{
    return __atomic_load_n(&v, __ATOMIC_RELAXED);
}
template <typename T> inline void StoreShared(T &v, T x)
{
    __atomic_store_n(&v, x, __ATOMIC_RELAXED);
}
inline void Count(i32 &counter)
{
    const i32 n = LoadShared(counter);
    if (n < INT32_MAX) StoreShared(counter, n + 1);
}

// Ends the program, with a failure status, when a store (problem 1) or a probe (problem 2)
// computes a bucket index past the table: the index mask and the table size disagree.
[[noreturn, gnu::cold, gnu::noinline]] void IndexPastTable(int problem, u64 index)
{
    std::fprintf(stderr, "Major problem%d: index past the table %llu\n", problem,
                 static_cast<unsigned long long>(index));
    std::exit(1);
}

} // namespace

TTEntry TranspositionTables::ReadEntry(const TTBucket &b, int slot)
{
    const u64 data = LoadWord(&b.data[slot]);
    TTEntry e;
    e.upper = LoadWord(&b.check[slot]) ^ (data & ~AGE_BITS);
    e.lowerHigh = LoadHalf(&b.lowerHigh[slot]);
    e.value = static_cast<i32>(static_cast<u32>(data));
    e.move = static_cast<i16>(static_cast<u16>(data >> 32));
    e.depth = static_cast<i8>(static_cast<u8>(data >> 48));
    e.flag = static_cast<i8>((data >> 56) & 0xF);
    e.age = static_cast<i8>(data >> 60);
    return e;
}

int TranspositionTables::HashFull() const
{
    // The first 333 buckets: 999 entries.
    const u64 buckets = BucketCount < 333 ? BucketCount : 333;
    int used = 0;
    for (u64 i = 0; i < buckets; i++) {
        const TTBucket &b = HashTable[i];
        if (__atomic_load_n(&b.era, __ATOMIC_RELAXED) != Era) continue;
        for (int slot = 0; slot < 3; slot++)
            if (LoadWord(&b.data[slot]) & AGE_BITS) used++;
    }
    return static_cast<int>(used * 1000 / (3 * buckets));
}

void TranspositionTables::WriteEntry(TTBucket &b, int slot, const TTEntry &e)
{
    const u64 data = PackData(e);
    StoreWord(&b.check[slot], e.upper ^ (data & ~AGE_BITS));
    StoreWord(&b.data[slot], data);
    StoreHalf(&b.lowerHigh[slot], e.lowerHigh);
}

bool TranspositionTables::Holds(const TTBucket &b, int slot, u64 upper, u64 lower, TTEntry *e)
{
    // Most slots are told apart by the top half of the lower key alone.
    if (LoadHalf(&b.lowerHigh[slot]) != static_cast<u32>(lower >> 32)) return false;
    *e = ReadEntry(b, slot);
    return e->upper == upper && e->lowerHigh == static_cast<u32>(lower >> 32);
}

TTBucket &TranspositionTables::Bucket(u64 index)
{
    TTBucket &b = HashTable[index];
    if (__atomic_load_n(&b.era, __ATOMIC_RELAXED) != Era) {
        const TTEntry empty{};
        for (int slot = 0; slot < 3; slot++)
            WriteEntry(b, slot, empty);
        __atomic_store_n(&b.era, Era, __ATOMIC_RELAXED);
    }
    return b;
}

TranspositionTables::TranspositionTables()
{
    // One huge-page entry covers 32768 buckets, so random probes rarely miss the TLB.
    HashTable = static_cast<TTBucket *>(MapLargeTable(sizeof(TTBucket) * BucketCount));
    if (HashTable == nullptr) {
        std::printf("ERROR: cannot allocate the transposition table (%lu bytes)\n",
                    static_cast<unsigned long>(TTABLESIZE) * sizeof(TTBucket));
        std::fflush(stdout);
        std::exit(1);
    }
    hits = 0;
    misses = 0;
}

bool TranspositionTables::Resize(u64 megabytes)
{
    u64 buckets = 1;
    const u64 bytes = (megabytes > 0 ? megabytes : 1) << 20;
    while (2 * buckets * sizeof(TTBucket) <= bytes && 2 * buckets <= (u64{1} << 32))
        buckets *= 2;
    void *table = MapLargeTable(sizeof(TTBucket) * (buckets + 3));
    if (!table) return false;
    UnmapLargeTable(HashTable, sizeof(TTBucket) * BucketCount);
    HashTable = static_cast<TTBucket *>(table);
    BucketCount = buckets + 3;
    IndexMask = buckets - 1;
    Era = 0;
    Written = false;
    Prepared = false;
    Touched = false;
    return true;
}

void TranspositionTables::Prepare()
{
    // One write per page brings the whole table in (after the background request, if one was
    // made); later probes never wait for memory.
    if (!Prepared) Prepared = true;
    WaitPrepared();
}

void TranspositionTables::PrepareInBackground()
{
    if (Prepared) return;
    Prepared = true;
#ifdef MADV_POPULATE_WRITE
    // The kernel brings the pages in on a thread of its own while the engine goes on answering;
    // it changes no byte of the table, so the searches may use it meanwhile.
    void *table = HashTable;
    const std::size_t size = sizeof(TTBucket) * BucketCount;
    std::thread([table, size] { madvise(table, size, MADV_POPULATE_WRITE); }).detach();
#else
    Prepared = false;
#endif
}

void TranspositionTables::WaitPrepared()
{
    if (Touched) return;
    Touched = true;
    // One write per page maps every page for this thread too, as a search would find it; pages
    // the background request has brought in already cost nothing.
    volatile char *bytes = reinterpret_cast<volatile char *>(HashTable);
    const std::size_t size = sizeof(TTBucket) * BucketCount;
    for (std::size_t i = 0; i < size; i += 4096)
        bytes[i] = bytes[i];
    volatile char *pawns = reinterpret_cast<volatile char *>(PE.PawnTable);
    for (std::size_t i = 0; i < sizeof(PawnHashEntry) * PAWNHASHSIZE; i += 4096)
        pawns[i] = pawns[i];
}

void TranspositionTables::ClearTranspositionTables()
{
    // A table that nothing was stored in since it was last cleared is still empty.
    if (!LoadShared(Written)) return;
    StoreShared(Written, false);
    // Once the era counter has gone round, every bucket is zeroed at once (era 0 included).
    if (Era == 0xFFFF) {
        std::memset(static_cast<void *>(HashTable), 0, sizeof(TTBucket) * BucketCount);
        Era = 0;
        return;
    }
    Era++;
}

void TranspositionTables::AgeTranspositionTables()
{
    // A table that nothing was stored in since it was last cleared has nothing to age.
    if (!LoadShared(Written)) return;
    for (u64 i = 0; i < BucketCount; i++) {
        u64 *data = HashTable[i].data;
        for (int slot = 0; slot < 3; slot++)
            StoreWord(&data[slot], LoadWord(&data[slot]) & ~AGE_BITS);
    }
}

void TranspositionTables::InsertTranspositionTables(u64 upper, u64 lower, char, i32 depth, i16 move,
                                                    i32 value, char flag, i32, i32)
{
    // 1. Bucket index from the low 32 bits of the lower half.
    const u64 index = (lower & 0xFFFFFFFFull) & IndexMask;
    if (index >= BucketCount) IndexPastTable(1, index);
    if (!LoadShared(Written)) StoreShared(Written, true);
    TTBucket &b = Bucket(index);

    // 2. Mate scores carry the depth so the search can take its own ply off again.
    if (value > MATE_STORE_BOUND)
        value += depth;
    else if (value < -MATE_STORE_BOUND)
        value -= depth;

    TTEntry e{};
    e.upper = upper;
    e.lowerHigh = static_cast<u32>(lower >> 32);
    e.move = move;
    e.flag = static_cast<i8>(flag);
    e.value = value;
    e.depth = ToDepth8(depth);

    // 3. A stale slot 0, or one holding this position no deeper, gives way: all shift down.
    const TTEntry s0 = ReadEntry(b, 0);
    const bool stale = s0.age <= 0;
    const bool same = s0.upper == upper && s0.lowerHigh == e.lowerHigh;
    WriteEntry(b, 2, ReadEntry(b, 1));
    if (stale || (same && s0.depth <= depth)) {
        WriteEntry(b, 1, s0);
        e.age = 2;
        WriteEntry(b, 0, e);
        return;
    }

    // 4. Otherwise slot 0 stays and the new entry pushes slot 1 down.
    e.age = 4;
    WriteEntry(b, 1, e);
}

char TranspositionTables::SearchTranspositionTables(u64 upper, u64 lower, char, i32 depth,
                                                    i32 alpha, i32 beta, i32 *valueOut,
                                                    i32 *moveOut)
{
    const u64 index = (lower & 0xFFFFFFFFull) & IndexMask;
    if (index >= BucketCount) IndexPastTable(2, index);
    TTBucket &b = Bucket(index);
    const i32 r = depth >= 6 ? 3 : 2;
    i32 bestDepth = -1;
    char result = TT_NOCUT;
    char code;

    // 1. Slot 0: its move is taken whatever its age; a cut-off refreshes its age.
    TTEntry s0;
    if (Holds(b, 0, upper, lower, &s0)) {
        *moveOut = s0.move;
        bestDepth = s0.depth;
        if (s0.age > 0) {
            if (s0.flag == TT_FAILLOW && s0.value < beta && s0.depth >= depth - r)
                result = TT_NONULL;
            if (depth <= s0.depth && CutOff(s0, alpha, beta, valueOut, &code)) {
                if (s0.age != 2) {
                    s0.age = 2;
                    WriteEntry(b, 0, s0);
                }
                Count(hits);
                return code;
            }
        }
    }

    // 2. and 3. Slots 1 and 2: the move of the deepest match wins; no age refresh.
    for (int i = 1; i < 3; i++) {
        TTEntry s;
        if (!Holds(b, i, upper, lower, &s)) continue;
        if (s.depth > bestDepth) {
            *moveOut = s.move;
            bestDepth = s.depth;
        }
        if (s.age > 0) {
            if (s.flag == TT_FAILLOW && s.value < beta && s.depth >= depth - r) result = TT_NONULL;
            if (depth <= s.depth && CutOff(s, alpha, beta, valueOut, &code)) {
                Count(hits);
                return code;
            }
        }
    }

    // 4. No cut-off.
    Count(misses);
    return result;
}
