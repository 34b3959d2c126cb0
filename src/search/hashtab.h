#pragma once
// The transposition table: three-entry buckets addressed by the position's hash-code pair.

#include <cstddef>

#include "core/types.h"

// Buckets in the array; only the first 2^21 are ever addressed by the index mask.
constexpr u32 TTABLESIZE = 2097155;

// One stored search result, as the table's users see it.
struct TTEntry {
    u64 upper;     // upper half of the hash code
    u32 lowerHigh; // top 32 bits of the lower half (the bucket stands for its low bits)
    i32 value;     // score, mate scores pushed out by the stored depth
    i16 move;      // best move code (from index * 64 + to index); 0 when none
    i8 depth;      // remaining depth of the search that produced the entry
    i8 flag;       // TT_FAILLOW (an upper bound), TT_FAILHIGH (a lower bound) or TT_EXACT
    i8 age;        // 0 stale or empty; 2 or 4 written or confirmed since the last ageing
};

// Three entries in one cache line, slot 0 first. An entry is a data word (value in bits 0-31,
// move 32-47, depth 48-55, flag 56-59, age 60-63), a check word (the upper key XORed with the
// data word, its age left out) and the top half of the lower key. Search threads read and write
// each field whole and without locks: an entry whose words come from two different writes fails
// its key check and is ignored.
struct alignas(64) TTBucket {
    u64 check[3];
    u64 data[3];
    u32 lowerHigh[3];
    u16 spare;
    u16 era; // the clearing the bucket's contents date from
};
static_assert(sizeof(TTBucket) == 64, "a bucket is one cache line");
static_assert(offsetof(TTBucket, era) == 62, "the era closes the bucket");

// Probe results.
constexpr char TT_FAILLOW = 0;  // stored upper bound at or below alpha; value = alpha
constexpr char TT_FAILHIGH = 1; // stored lower bound at or above beta; value = beta
constexpr char TT_EXACT = 2;    // stored exact value
constexpr char TT_NOCUT = 3;    // no cut-off
constexpr char TT_NONULL = 4;   // no cut-off, and a null move here should not fail high

class TranspositionTables {
  public:
    TTBucket *HashTable;            // BucketCount buckets, allocated at start-up and by Resize
    u64 BucketCount = TTABLESIZE;   // a power of two and three spare
    u64 IndexMask = TTABLESIZE - 4; // the bucket of a key: its low bits
    // Written by every search thread: on a cache line of their own.
    alignas(64) i32 hits;           // probes that ended in a cut-off
    i32 misses;                     // probes that did not
    bool Written = false;           // something was stored since the last clear
    bool Prepared = false;          // every page of the table has been brought in
    u16 Era = 0;                    // clearings since the table was last zeroed in full

    // Allocates the zeroed bucket array (ends the program if it cannot).
    TranspositionTables();
    // Replaces the table by an empty one of the largest power-of-two number of buckets that
    // fits in megabytes (at least one). False, with the table kept as it is, when the memory
    // cannot be had.
    bool Resize(u64 megabytes);
    // The table's size in whole megabytes.
    u64 Megabytes() const { return (BucketCount * sizeof(TTBucket)) >> 20; }

    // Brings every page of the table into memory once, so that no search waits for the system
    // to supply pages; called when an interface connects, before a benchmark, or by the first
    // search.
    void Prepare();
    // Brings the table's pages in on a background thread, without waiting; an interface that
    // has just connected gets its answer at once.
    void PrepareInBackground();
    bool Touched = false;  // every page has been written once by this thread
    // Writes each page of the table and the pawn hash once (at most once per table).
    void WaitPrepared();
    // Empties every entry; the counters are kept. A clearing only starts a new era: a bucket
    // from an earlier era is zeroed when it is next probed or stored to, so that every probe
    // and store sees exactly the empty table a full wipe would leave.
    void ClearTranspositionTables();
    // Marks every entry stale: its move and depth still help ordering but it gives no cut-off.
    void AgeTranspositionTables();
    // Stores a search result; side, alpha and beta are not used.
    void InsertTranspositionTables(u64 upper, u64 lower, char side, i32 depth, i16 move, i32 value,
                                   char flag, i32 alpha, i32 beta);
    // Probes for a position; returns a result code, the cut-off value in *valueOut and the
    // best stored move in *moveOut (left alone when the position is not stored).
    char SearchTranspositionTables(u64 upper, u64 lower, char side, i32 depth, i32 alpha, i32 beta,
                                   i32 *valueOut, i32 *moveOut);

    // Starts bringing in the bucket of a position that is about to be probed, so that the probe
    // finds it in the cache; the table does not change.
    void Prefetch(u64 lower) const
    {
        __builtin_prefetch(HashTable + (lower & IndexMask));
    }

    // Permille of the entries written or confirmed since the table was last aged, counted in
    // the first buckets (a sample: cheap enough for every progress line).
    int HashFull() const;

    // The entry in a slot of a bucket, read word by word; and the entry written into it.
    static TTEntry ReadEntry(const TTBucket &b, int slot);
    static void WriteEntry(TTBucket &b, int slot, const TTEntry &e);
    // True, with the entry read, when a slot holds the position of the keys.
    static bool Holds(const TTBucket &b, int slot, u64 upper, u64 lower, TTEntry *e);

  private:
    // The bucket of an index, zeroed first if it dates from before the last clearing.
    TTBucket &Bucket(u64 index);
};

extern TranspositionTables PositionCache;
