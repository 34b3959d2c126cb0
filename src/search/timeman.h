#pragma once
// The time budget of one move: how long to think, the node budgets that measure it at the
// search's speed, and the wall-clock limit that keeps the clock from running out.

#include "search/limits.h"

struct TimeBudget {
    i32 TimePerMove = 0;    // milliseconds the move is meant to take
    i64 NodesPerMove = 0;   // soft budget: the iteration in progress is the last
    i32 EmergencyNodes = 0; // hard budget: the search stops at once (twice the soft one)
    i32 HardLimitMs = 0; // milliseconds after the clock starts by which the move is made; 0 = none
    bool FromClock = false; // the time is a share of the clock (no fixed time, no moves to go)
    i32 ClockShareMs = 0;   // that share as worked out, before an overdrawn clock makes it 0
    i32 ClockLeftMs = 0;    // the clock less the interface's overhead
};

// The budget of a move under the limits, at the speed estimate nps (nodes per second); bookPly
// is the game ply of the last move played from the book. A fixed depth has no budget.
TimeBudget PlanBudget(const SearchLimits &limits, i32 nps, i32 bookPly);
// The node budgets at a speed measured by the search itself.
void Rescale(TimeBudget &b, i32 nps);
// Twice the budget for a root move that is failing low, four times once the soft budget has
// been passed; the wall-clock limit grows with it, within the same margin of the clock.
void ExtendBudget(TimeBudget &b, const SearchLimits &limits, bool softBudgetPassed);
