#pragma once
// Playing levels: a strength on Stockfish's UCI_Elo scale, turned into a node limit for each move
// and a choice among the best few lines that leaves more to chance the lower the level.

#include "search/limits.h"

constexpr i32 MIN_STRENGTH = 1350;  // the weakest level
constexpr i32 FULL_STRENGTH = 1900; // this level and above play at full strength
constexpr int STRENGTH_LINES = 4;   // lines a search at a level chooses from

// The next pseudo-random number of the sequence seed holds (xorshift64*); seed advances.
u64 NextRandom(u64 *seed);
// A level held to MIN_STRENGTH .. FULL_STRENGTH.
inline i32 ClampLevel(i32 elo)
{
    return elo < MIN_STRENGTH ? MIN_STRENGTH : (elo > FULL_STRENGTH ? FULL_STRENGTH : elo);
}
// Limits a search to the level elo; at FULL_STRENGTH or above it is left alone. A search that
// waits for its move (infinite, ponder) keeps its nodes; every other starts no iteration once
// its threads together have searched the level's nodes, and stops at a multiple of them.
void LimitStrength(SearchLimits &limits, i32 elo);
// The nodes a move gets at a level below full strength.
i64 StrengthNodes(i32 elo);
// The level the options ask for: UCI_Elo when limitStrength is set, and Skill Level (0 to 20,
// 20 for full strength) spread over the same range; the weaker of the two.
i32 LevelOf(bool limitStrength, i32 elo, i32 skill);
// The line a level plays among count lines whose scores come best first: a line far enough
// behind is never chosen, and a winning mate in the first line always is. seed advances.
int ChooseLine(const i32 *scores, int count, i32 elo, u64 *seed);
