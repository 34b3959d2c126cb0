#pragma once
// The UCI dialect: the command loop, the "go" parameters, the replies and the moves from outside.

#include "core/types.h"

// Protocol states (UCIProtocol::State).
constexpr u8 WAITING = 0;   // no search; the loop reads lines
constexpr u8 SEARCHING = 1; // "go" with a clock, a fixed depth or a fixed time
constexpr u8 PONDERING = 2; // "go ponder"
constexpr u8 ANALYZING = 3; // "go infinite"

// Length of the command line buffer; longer lines are cut.
constexpr int UCI_LINE_MAX = 1 << 16;
// Room for the commands that arrive during a search and wait for its end.
constexpr int UCI_QUEUE_MAX = 1 << 18;

class UCIProtocol {
  public:
    char InputLine[UCI_LINE_MAX] = {};
    i32 FromSquare = 0; // squares of the last move text read by MakeMoves (a1 = 0)
    i32 ToSquare = 0;
    char Promo = 0;  // promotion byte of the move chosen by the last search
    u8 HashSide = 0; // side to move of the replayed position: 0 white, 1 black
    u8 State = WAITING;
    u64 FromMask = 0;
    u64 ToMask = 0;
    char Version[16] = "1.005-64";
    u8 KeepRunning = 1;     // 1 until "quit"
    u8 SendPonderMove = 0;  // "bestmove" carries a "ponder" move
    u8 ShowCurrLine = 0;    // option UCI_ShowCurrLine: the root prints "info currmove" lines
    u8 PositionRefused = 0; // the last "position" was unsound: "go" answers "bestmove 0000"
    char Queued[UCI_QUEUE_MAX] = {}; // lines kept during a search, each ending in a newline
    i32 QueuedLength = 0;

    // From main: runs the command loop from the line text. During a search: text is a word the
    // search has read; the rest of its line is read, and the line acts at once ("isready",
    // "ponderhit", "stop", "quit") or waits for the search's end. Returns 1 (go on) or 2 (stop).
    int UCIPrep(const char *text);
    // The command loop: handles lines until "quit" or the end of input, which end the process.
    int UCICore();
    // Handles the line in InputLine. Returns 0.
    int UCICommand();
    // Keeps a line that arrived during a search for when it has ended.
    void Queue(const char *line);
    // The next line into InputLine: a kept one first, else one from standard input. False at
    // the end of input.
    bool NextLine();
    // Replays the whitespace-separated moves of text on MainBoard, stopping at the first move
    // that is malformed or not legal. Returns the number of moves played.
    int ProcessMoves(const char *text);
    // Plays one move text ("e2e4", "e7e8n") on MainBoard when it is legal for HashSide and
    // pushes the new position on the game history. Returns p, or nullptr (nothing played).
    const char *MakeMoves(const char *p);
};

extern UCIProtocol UCI;
