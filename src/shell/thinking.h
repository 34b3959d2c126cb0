#pragma once
// The program's search on a thread of its own while the shell goes on reading: the dialect in
// use answers each line that arrives meanwhile (at once, or after the move), and the search
// learns only that it must stop or that its ponder move was played.

#include <string>

#include "board/board.h"
#include "search/limits.h"

// The move a search chose and its score; no move (from or to empty) when it found none.
struct SearchDecision {
    int score = 0;
    u64 from = 0;
    u64 to = 0;
    char promotion = NOPROMOTION;
};

// What the dialect makes of a line that arrives while the search runs.
enum class Verdict : u8 {
    Answered, // answered (or passed over) at once; the search goes on
    Held,     // kept, in order, for after the search
    Released, // the search may answer as soon as it has its move (a ponder hit)
    Stop,     // the search stops and answers; the lines after this one wait for it
};

// A dialect's answers during a search.
class LineHandler {
  public:
    virtual ~LineHandler() = default;
    // Acts on a line (already held by the handler when it is to wait).
    virtual Verdict OnLine(const std::string &line) = 0;
};

// Milliseconds a search may go on after the end of input: nobody is left to wait for it.
constexpr i32 END_OF_INPUT_GRACE_MS = 5000;

// Searches board under limits on the search's own thread and hands every line that arrives to
// handler until the move may be given: at once for a search with a budget, after a release for
// a ponder or infinite search (which waits, even when it has ended by itself). At the end of
// input a waiting search stops at once, any other within END_OF_INPUT_GRACE_MS.
SearchDecision ThinkWhileReading(const ChessBoard &board, const SearchLimits &limits,
                                 LineHandler &handler);
