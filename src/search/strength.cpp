#include "search/strength.h"

#include <cmath>

namespace {

// The nodes of a move at some levels, measured against Stockfish's levels at 5+0.05; between
// two of them the nodes grow by the same factor every point.
struct LevelNodes {
    i32 elo;
    double nodes;
};
constexpr LevelNodes LEVEL_NODES[] = {
    {MIN_STRENGTH, 1500}, {1500, 3000}, {1700, 7000}, {FULL_STRENGTH, 400000}};
// The choice's margin shrinks by two tenths of a centipawn a point up to here.
constexpr i32 MARGIN_END = 2000;
// The hard node limit of a level, in soft ones.
constexpr i64 HARD_NODES_FACTOR = 8;
// Scores beyond this are mates (the search's mate scores start above it).
constexpr i32 MATE_BOUND = 109000;

// How far behind the best line a chosen line may be, in the search's units (a tenth of a
// centipawn): 130 centipawns at the weakest level, 20 just below full strength, nothing at it.
i32 Margin(i32 elo)
{
    if (elo >= FULL_STRENGTH) return 0;
    if (elo < MIN_STRENGTH) elo = MIN_STRENGTH;
    return (MARGIN_END - elo) * 2;
}

} // namespace

u64 NextRandom(u64 *seed)
{
    u64 x = *seed ? *seed : 0x9E3779B97F4A7C15ull;
    x ^= x >> 12;
    x ^= x << 25;
    x ^= x >> 27;
    *seed = x;
    return x * 0x2545F4914F6CDD1Dull;
}

i64 StrengthNodes(i32 elo)
{
    if (elo <= MIN_STRENGTH) return static_cast<i64>(LEVEL_NODES[0].nodes);
    int k = 1;
    while (LEVEL_NODES[k].elo < elo && LEVEL_NODES[k].elo < FULL_STRENGTH)
        k++;
    const LevelNodes &a = LEVEL_NODES[k - 1], &b = LEVEL_NODES[k];
    const double t = static_cast<double>((elo < b.elo ? elo : b.elo) - a.elo) / (b.elo - a.elo);
    return static_cast<i64>(a.nodes * std::pow(b.nodes / a.nodes, t) + 0.5);
}

void LimitStrength(SearchLimits &limits, i32 elo)
{
    if (elo >= FULL_STRENGTH) return;
    limits.Strength = ClampLevel(elo);
    if (limits.MultiPV < STRENGTH_LINES) limits.MultiPV = STRENGTH_LINES;
    if (limits.Infinite || limits.Ponder) return;
    // The iteration under way when the nodes are spent is finished, within a hard limit, so
    // that the lines to choose from come from one iteration.
    const i64 nodes = StrengthNodes(limits.Strength);
    limits.SoftNodes = nodes;
    if (limits.Nodes == 0 || limits.Nodes > HARD_NODES_FACTOR * nodes)
        limits.Nodes = HARD_NODES_FACTOR * nodes;
}

int ChooseLine(const i32 *scores, int count, i32 elo, u64 *seed)
{
    if (count <= 1 || scores[0] > MATE_BOUND) return 0;
    const i32 margin = Margin(elo);
    int chosen = 0;
    i64 best = 0;
    for (int i = 0; i < count; i++) {
        if (scores[i] < scores[0] - margin) continue;
        const i64 v = scores[i] + static_cast<i64>(NextRandom(seed) % static_cast<u64>(margin + 1));
        if (i == 0 || v > best) {
            best = v;
            chosen = i;
        }
    }
    return chosen;
}

i32 LevelOf(bool limitStrength, i32 elo, i32 skill)
{
    const i32 asked = limitStrength ? elo : FULL_STRENGTH;
    const i32 bySkill =
        skill >= 20 ? FULL_STRENGTH
                    : MIN_STRENGTH + (FULL_STRENGTH - MIN_STRENGTH) * (skill > 0 ? skill : 0) / 20;
    return asked < bySkill ? asked : bySkill;
}
