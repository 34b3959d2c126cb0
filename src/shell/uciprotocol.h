#pragma once
// The UCI dialect: the command loop, the "go" parameters, the replies and the moves from outside.

#include "core/types.h"

// Protocol states (UCIProtocol::State).
constexpr u8 WAITING = 0;    // no search; the loop reads lines
constexpr u8 SEARCHING = 1;  // "go" with a clock, a fixed depth or a fixed time
constexpr u8 PONDERING = 2;  // "go ponder"
constexpr u8 ANALYZING = 3;  // "go infinite"

// Length of the command line buffer; longer lines are cut.
constexpr int UCI_LINE_MAX = 10000;

class UCIProtocol {
public:
    char InputLine[UCI_LINE_MAX] = {};
    i32 FromSquare = 0;  // squares of the last move text read by MakeMoves (a1 = 0)
    i32 ToSquare = 0;
    char Promo = 0;   // promotion byte of the move chosen by the last search
    u8 HashSide = 0;  // side to move of the replayed position: 0 white, 1 black
    u8 State = WAITING;
    u64 FromMask = 0;
    u64 ToMask = 0;
    char Version[16] = "1.005-64";
    u8 KeepRunning = 1;     // 1 until "quit"
    u8 SendPonderMove = 0;  // "bestmove" carries a "ponder" move
    u8 ShowCurrLine = 1;    // option UCI_ShowCurrLine: the root prints "info currmove" lines

    // Copies text (a line, or a word read by the search) into InputLine and runs UCICore on it.
    int UCIPrep(const char* text);
    // The command loop. From main it reads and handles lines until "quit" or the end of input,
    // which end the process, or until "ponderhit" arrives with no search (returns 1). Nested in
    // a running search it handles the one word in InputLine and returns 1 (go on) or 2 (abort).
    int UCICore();
    // Handles the line in InputLine. Returns 0 when the loop should read the next line, 1 or 2
    // when UCICore must return that value.
    int UCICommand();
    // Replays the whitespace-separated moves of text on MainBoard, stopping at the first move
    // that is malformed or not legal. Returns the number of moves played.
    int ProcessMoves(const char* text);
    // Plays one move text ("e2e4", "e7e8n") on MainBoard when it is legal for HashSide and
    // pushes the new position on the game history. Returns p, or nullptr (nothing played).
    const char* MakeMoves(const char* p);
};

extern UCIProtocol UCI;
