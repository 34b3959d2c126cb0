#include "board/movehistory.h"

#include <algorithm>

MoveHistory MainHistory;

void MoveHistory::InsertHashCodeMoveHistory(u64 upper, u64 lower)
{
    // A full (or corrupted) stack refuses the position instead of writing past its array.
    if (NumMoves < 0 || NumMoves >= MAXHISTORY) {
        Refused++;
        return;
    }
    Entries[NumMoves].upper = upper;
    Entries[NumMoves].lower = lower;
    NumMoves++;
}

void MoveHistory::PushGamePosition(u64 upper, u64 lower, bool irreversible)
{
    // Positions before an irreversible move can never repeat again; a long reversible stretch
    // keeps its most recent half, so that the searches always find room above the game.
    if (irreversible || NumMoves < 0)
        Init();
    else if (NumMoves >= GAMEHISTORY_MAX)
        KeepRecent(GAMEHISTORY_MAX / 2);
    InsertHashCodeMoveHistory(upper, lower);
}

void MoveHistory::KeepRecent(i32 keep)
{
    if (keep < 0) keep = 0;
    if (NumMoves <= keep) return;
    std::copy(Entries + NumMoves - keep, Entries + NumMoves, Entries);
    NumMoves = keep;
}

void MoveHistory::InsertMoveHistory(u64 upper, u64 lower)
{
    InsertHashCodeMoveHistory(upper, lower);
}

void MoveHistory::RetractMove()
{
    // A refused position is retracted without touching the stack.
    if (Refused > 0)
        Refused--;
    else if (NumMoves > 0)
        NumMoves--;
}

i8 MoveHistory::ThreeFoldRepDetection(i32 window, u64 upper, u64 lower) const
{
    // 1. An empty window finds nothing, not even the top.
    if (window <= 0) return -1;
    // 2. Scan from the top down to the position window plies back (the one reached by the last
    // irreversible move when the window is the fifty-move count), one side to move only.
    const i32 n = std::min(NumMoves, MAXHISTORY);
    const i32 bottom = n > window ? n - window - 1 : 0;
    i32 count = -1;
    for (i32 i = n - 1; i >= bottom; i -= 2)
        if (Entries[i].upper == upper && Entries[i].lower == lower) count++;
    // 3. Hundreds of matches cannot fit the result; they still mean "repeated".
    return static_cast<i8>(std::min(count, 127));
}
