#pragma once
// Standard input, line by line, for the shell alone: it takes the lines in order, holds back
// those that arrive during a search for after it, and waits for a line and for the search's end
// at the same time (the search's thread rings Wake when it returns). Only the shell reads input;
// it alone interprets the lines.

#include <deque>
#include <string>

#include "core/types.h"

// The longest line kept; the rest of a longer line is dropped.
constexpr int INPUT_LINE_MAX = 1 << 16;
// The most text read ahead of the shell; no more is read while there is this much.
constexpr int INPUT_QUEUE_MAX = 1 << 24;
// The most text held back during one search; a line beyond it is dropped (the dialect says so).
constexpr int HELD_MAX = 1 << 24;

class InputQueue {
  public:
    InputQueue();
    // The next line (without its line end): a held one first, else one from standard input,
    // waiting for it. False at the end of input, with nothing left.
    bool NextLine(std::string *line);
    // A line that has arrived from standard input, without waiting; false when none has.
    bool TakeArrived(std::string *line);
    // Keeps a line that arrived during a search for after it: NextLine gives the held lines
    // first, in order. False (the line dropped) when too much is held already.
    bool Hold(const std::string &line);
    // True when a line with a word on it is held or has arrived: a reader would not wait.
    bool WordWaiting();
    // True once standard input has ended (lines may still wait); EndedAt tells when, on ClockMs.
    bool Ended();
    i32 EndedAt() const { return EndTime; }
    // A count of what has happened: a line arrived, the input ended, Wake rang.
    u64 Events() const { return EventCount; }
    // Waits until Events() differs from seen or ClockMs reaches deadlineMs (negative: no
    // deadline).
    void WaitEvent(u64 seen, i32 deadlineMs);
    // Rings from any thread (the search's, when it has ended): a WaitEvent returns.
    void Wake();

  private:
    std::deque<std::string> Arrived; // read from standard input, not yet taken
    std::deque<std::string> Held;    // kept during a search
    size_t ArrivedBytes = 0;
    size_t HeldBytes = 0;
    std::string Partial; // the start of a line whose end has not come yet
    bool Cut = false;    // Partial has passed INPUT_LINE_MAX: the rest of the line is dropped
    u64 EventCount = 0;
    bool InputEnd = false;
    i32 EndTime = 0;
    int Bell[2] = {-1, -1}; // the pipe Wake rings; made before any search can ring it

    // Waits up to timeoutMs (negative: without limit) for input or the bell, reads what has
    // come and counts it; false when nothing came in time.
    bool Poll(int timeoutMs);
    // Reads what standard input has (it has something, or its end) into lines.
    void ReadAvailable();
};

extern InputQueue Input;
