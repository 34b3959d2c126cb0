#pragma once
// The move history: hash codes of the positions from the game's start to the searched node,
// the stack repetitions are found in. The program's is MainHistory.

#include "core/types.h"

constexpr i32 MAXHISTORY = 1024;
// The most positions a game keeps for its repetitions; the rest of the stack is the search's.
constexpr i32 GAMEHISTORY_MAX = 640;

// One position: its hash-code pair as genhashcode makes it.
struct HistoryEntry {
    u64 upper;
    u64 lower;
};

class MoveHistory {
  public:
    HistoryEntry Entries[MAXHISTORY]; // oldest first; the top is Entries[NumMoves - 1]
    i32 NumMoves = 0;                 // entries in use

    // Empties the stack.
    i32 Refused = 0; // positions refused by a full stack, not yet retracted

    void Init()
    {
        NumMoves = 0;
        Refused = 0;
    }
    // Pushes a position of the game after a move (irreversible: a capture or a pawn move).
    void PushGamePosition(u64 upper, u64 lower, bool irreversible);
    // Keeps only the most recent keep entries.
    void KeepRecent(i32 keep);
    // Pushes a position; a full stack refuses the push (and its retraction).
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

extern MoveHistory MainHistory;
