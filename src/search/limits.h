#pragma once
// The limits of one search as one value: each dialect turns its commands into one and hands it
// to the driver, which works out the time budget from it.

#include "core/types.h"

// A position has at most 218 legal moves.
constexpr int MAXROOTMOVES = 256;
// The most lines a search reports (MultiPV).
constexpr int MAXMULTIPV = 256;

struct SearchLimits {
    // --- how deep and how long ---
    i32 Depth = 0;           // the deepest iteration; 0 = as deep as the engine goes
    bool FixedDepth = false; // Depth alone ends the search: no clock, no budget
    i32 MoveTime = 0;        // milliseconds for this move ("movetime", "st", -st); 0 = none
    i32 Time = 0;            // the clock of the side to move, milliseconds
    i32 Increment = 0;       // milliseconds added to that clock after the move
    i32 MovesToGo = 0;       // moves left to the next time control; 0 = the rest of the game
    i64 Nodes = 0;           // stop once every thread together has searched this many; 0 = none
    i64 SoftNodes = 0;       // start no iteration once they have searched this many; 0 = none
    i32 Mate = 0;            // stop at a mate in at most this many moves; 0 = none
    bool Infinite = false;   // analysis: no budget, and the move waits until it is asked for
    bool Ponder = false;     // searching on the opponent's time until the ponder hit
    // --- the game around the search ---
    i32 GamePly = 0;           // half-moves of the game played so far
    i32 MoveOverhead = 0;      // milliseconds the interface loses per move, kept off the clock
    bool OpeningBonus = false; // half as much time again for the first moves out of the book
    bool UseBook = false;      // the root may play from the opening book
    bool BookBest = false;     // the heaviest move of the book file, not one drawn by weight
    bool Trace = false;        // report the transposition table's steps (diagnostics)
    // --- what is reported ---
    i32 MultiPV = 1; // lines: the best move, then the best of the rest, and so on
    // --- how well it plays ---
    i32 Strength = 0; // a level on the UCI_Elo scale: one of the best lines is chosen; 0 = full
    // --- the root moves allowed ("searchmoves"); none listed = every move ---
    u16 SearchMoves[MAXROOTMOVES] = {}; // move codes: from index * 64 + to index
    i32 SearchMoveCount = 0;

    // True when the root may play the move code.
    bool Allows(int code) const
    {
        if (SearchMoveCount <= 0) return true;
        for (int i = 0; i < SearchMoveCount && i < MAXROOTMOVES; i++)
            if (SearchMoves[i] == code) return true;
        return false;
    }
    // Adds a move code to the allowed root moves once.
    void Allow(int code)
    {
        for (int i = 0; i < SearchMoveCount; i++)
            if (SearchMoves[i] == code) return;
        if (SearchMoveCount < MAXROOTMOVES) SearchMoves[SearchMoveCount++] = static_cast<u16>(code);
    }
};
