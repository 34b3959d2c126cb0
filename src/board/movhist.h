#pragma once
// The position stack: hash codes of the positions from the game's start to the searched node.

#include "core/types.h"

constexpr i32 MAXHISTORY = 600;

// One position: its hash-code pair as genhashcode makes it.
struct HistoryEntry {
    u64 upper;
    u64 lower;
};

class MoveHistory {
public:
    HistoryEntry Entries[MAXHISTORY];  // oldest first; the top is Entries[NumMoves - 1]
    i32 NumMoves = 0;                  // entries in use

    // Empties the stack.
    i32 Refused = 0;                   // positions refused by a full stack, not yet retracted

    void Init()
    {
        NumMoves = 0;
        Refused = 0;
    }
    // Pushes a position; warns past 590 entries and refuses the push when the stack is full.
    void InsertHashCodeMoveHistory(u64 upper, u64 lower);
    // Pushes a position, exactly as InsertHashCodeMoveHistory.
    void InsertMoveHistory(u64 upper, u64 lower);
    // Pops the top position; an empty stack stays empty.
    void RetractMove();
    // Returns the number of entries equal to (upper, lower) among the last window entries with
    // the top's side to move, minus one for the top itself (capped at 127): 0 means no earlier
    // occurrence, -1 that nothing matched or the window was empty.
    i8 ThreeFoldRepDetection(i32 window, u64 upper, u64 lower) const;
};

extern MoveHistory MoveList;
