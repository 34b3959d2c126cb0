#include "search/timeman.h"

namespace {

// --- the share of the clock a move gets ---
// With moves to go: 95 percent of the clock shared among them, half of that for the last three.
constexpr i64 MOVESTOGO_SHARE_PERCENT = 95;
constexpr i32 FEW_MOVES_TO_GO = 4;
// Without: the game is assumed to last 30 moves more, 40 after the 120th ply when there is no
// increment.
constexpr i32 MOVES_LEFT_GUESS = 30;
constexpr i32 LATE_GAME_PLY = 120;
constexpr i32 MOVES_LEFT_LATE = 40;
// The first seven plies after the book get half as much time again.
constexpr i32 OUT_OF_BOOK_PLIES = 7;
// With more than a minute on the clock, every ninth and tenth ply gets three quarters more.
constexpr i32 LONG_CLOCK_MS = 60000;
// The emergency time: the increment and twice the share; when that is more than the clock,
// three tenths of the increment. A share within a second of it is cut to half of it.
constexpr i64 EMERGENCY_INCREMENT_PERMILLE = 300;
constexpr i64 EMERGENCY_MARGIN_MS = 1000;
// The increment is added in full above 20 seconds on the clock, half of it above 10.
constexpr i32 FULL_INCREMENT_ABOVE_MS = 20000;
constexpr i32 HALF_INCREMENT_ABOVE_MS = 10000;

// --- the wall clock ---
// A fixed time per move, less a twentieth of it (10 to 100 ms) for the reply to travel.
constexpr i64 MOVETIME_MARGIN_MIN = 10;
constexpr i64 MOVETIME_MARGIN_MAX = 100;
// The part of the clock that is never spent: a tenth of it, 20 ms to a second.
constexpr i64 CLOCK_SAFETY_MIN = 20;
constexpr i64 CLOCK_SAFETY_MAX = 1000;

// --- nodes for milliseconds ---
// Before the search has measured its speed it counts on half the estimate.
constexpr i32 UNMEASURED_NODES_PER_MS_DIVISOR = 2000;
constexpr i32 NODES_PER_MS_DIVISOR = 1000;

i64 ClampRange(i64 v, i64 lo, i64 hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// The wall-clock limit for a wanted time, kept a safety margin short of the clock.
i32 ClockLimit(i64 wanted, i32 timeLeft)
{
    const i64 safety = ClampRange(timeLeft / 10, CLOCK_SAFETY_MIN, CLOCK_SAFETY_MAX);
    if (wanted > timeLeft - safety) wanted = timeLeft - safety;
    return Clamp32(wanted > 1 ? wanted : 1);
}

// The time an interface loses in transit is not the engine's to spend (analysis has no clock).
i32 Overhead(const SearchLimits &l)
{
    return l.MoveOverhead > 0 && !l.Infinite ? l.MoveOverhead : 0;
}

// The clock less the overhead; an overdrawn clock stays as it is.
i32 ClockLeft(const SearchLimits &l)
{
    const i32 overhead = Overhead(l);
    return l.Time > overhead ? l.Time - overhead : (l.Time > 0 ? 0 : l.Time);
}

} // namespace

TimeBudget PlanBudget(const SearchLimits &l, i32 nps, i32 bookPly)
{
    TimeBudget b;
    if (l.FixedDepth) return b;
    const i32 overhead = Overhead(l);
    const i32 timeLeft = ClockLeft(l);
    const i32 fixedTime = l.MoveTime > overhead ? l.MoveTime - overhead : (l.MoveTime > 0 ? 1 : 0);

    // 1. Time for this move: the fixed time, a share of the moves to the time control, or a
    // share of the clock with the increment added.
    i64 tpm;
    const i64 inc = l.Increment > 0 ? l.Increment : 0;
    if (fixedTime) {
        tpm = fixedTime;
    } else if (l.MovesToGo) {
        tpm = (static_cast<i64>(timeLeft) * MOVESTOGO_SHARE_PERCENT / l.MovesToGo) / 100;
        if (l.MovesToGo < FEW_MOVES_TO_GO) tpm /= 2;
    } else {
        tpm = timeLeft / MOVES_LEFT_GUESS;
        if (l.GamePly > LATE_GAME_PLY && inc <= 0) tpm = timeLeft / MOVES_LEFT_LATE;
        if (l.OpeningBonus && l.GamePly <= bookPly + OUT_OF_BOOK_PLIES)
            tpm = 3 * tpm / 2;
        else if ((l.GamePly % 10 == 0 || l.GamePly % 9 == 0) && timeLeft > LONG_CLOCK_MS)
            tpm = (7 * tpm) >> 2;
        i64 emergency = inc + 2 * tpm;
        if (emergency > timeLeft) emergency = EMERGENCY_INCREMENT_PERMILLE * inc / 1000;
        if (inc > 0) {
            if (timeLeft > FULL_INCREMENT_ABOVE_MS)
                tpm += inc;
            else if (timeLeft > HALF_INCREMENT_ABOVE_MS)
                tpm += inc / 2;
        }
        if (emergency <= tpm + EMERGENCY_MARGIN_MS) tpm = emergency / 2;
        b.FromClock = true;
        b.ClockShareMs = Clamp32(tpm);
        b.ClockLeftMs = timeLeft;
    }
    // An overdrawn clock gives no time, not a negative budget that would stop the first
    // iteration before it has a move.
    b.TimePerMove = Clamp32(tpm > 0 ? tpm : 0);

    // 2. The node budgets at the speed estimate.
    b.NodesPerMove = static_cast<i64>(nps / UNMEASURED_NODES_PER_MS_DIVISOR) * b.TimePerMove;
    b.EmergencyNodes = Clamp32(2 * b.NodesPerMove);

    // 3. The wall-clock limit: never past the fixed time, never later than twice the move's
    // time, and never so late that the interface's clock could run out. Analysis has none.
    if (!l.Infinite) {
        if (fixedTime) {
            const i64 margin = ClampRange(fixedTime / 20, MOVETIME_MARGIN_MIN, MOVETIME_MARGIN_MAX);
            b.HardLimitMs = Clamp32(fixedTime - margin > 1 ? fixedTime - margin : 1);
        } else if (timeLeft > 0) {
            b.HardLimitMs = ClockLimit(2 * static_cast<i64>(b.TimePerMove), timeLeft);
        }
    }
    return b;
}

void Rescale(TimeBudget &b, i32 nps)
{
    b.NodesPerMove = static_cast<i64>(nps / NODES_PER_MS_DIVISOR) * b.TimePerMove;
    b.EmergencyNodes = Clamp32(2 * b.NodesPerMove);
}

void ExtendBudget(TimeBudget &b, const SearchLimits &l, bool softBudgetPassed)
{
    const int factor = softBudgetPassed ? 4 : 2;
    b.TimePerMove = Clamp32(factor * static_cast<i64>(b.TimePerMove));
    b.NodesPerMove *= factor;
    b.EmergencyNodes = Clamp32(factor * static_cast<i64>(b.EmergencyNodes));
    if (b.HardLimitMs && !l.MoveTime && !l.Infinite && l.Time > 0) {
        const i32 left = l.Time > l.MoveOverhead ? l.Time - l.MoveOverhead : 0;
        const i32 grown = ClockLimit(2 * static_cast<i64>(b.TimePerMove), left);
        if (grown > b.HardLimitMs) b.HardLimitMs = grown;
    }
}
