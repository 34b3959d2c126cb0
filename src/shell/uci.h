#pragma once
// The UCI dialect: the command loop, a "go" line turned into search limits, the "position" line
// that replays a game on MainBoard, and the bestmove.

#include <string>

#include "board/board.h"
#include "search/limits.h"

class UCIProtocol {
  public:
    u8 HashSide = 0;        // side to move of the replayed position: 0 white, 1 black
    u8 SendPonderMove = 0;  // option Ponder: "bestmove" carries a "ponder" move
    u8 ShowCurrLine = 0;    // option UCI_ShowCurrLine: the root prints "info currmove" lines
    u8 PositionRefused = 0; // the last "position" was unsound: "go" answers "bestmove 0000"

    // The command loop, from the first line on; "quit" and the end of input end the program.
    [[noreturn]] void Loop(const std::string &firstLine);
    // Handles one line while no search runs (a "go" runs its search to its bestmove).
    void Command(const std::string &line);
    // Replays the whitespace-separated moves of text on MainBoard, stopping at the first move
    // that is malformed or not legal. Returns the number of moves played.
    int ProcessMoves(const char *text);
    // Plays one move text ("e2e4", "e7e8n") on MainBoard when it is legal for HashSide and
    // pushes the new position on the game history. Returns p, or nullptr (nothing played).
    const char *MakeMoves(const char *p);
};

extern UCIProtocol UCI;

// The limits of a "go" line for the position board: the clock of its side to move, and only its
// legal moves as "searchmoves". Every number is held to a sane range first.
SearchLimits GoLimits(const char *line, const ChessBoard &board);
