#pragma once
// Standard input, read line by line on a thread of its own: the shell takes the lines in order,
// holds back those that arrive during a search for after it, and waits for a line and for the
// search's end at the same time. Only the shell reads input; it alone interprets the lines.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

#include "core/types.h"

// The longest line kept; the rest of a longer line is dropped.
constexpr int INPUT_LINE_MAX = 1 << 16;
// The most text that waits to be read; the reader pauses while there is more.
constexpr int INPUT_QUEUE_MAX = 1 << 24;
// The most text held back during one search; a line beyond it is dropped (the dialect says so).
constexpr int HELD_MAX = 1 << 24;

class InputQueue {
  public:
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
    i32 EndedAt();
    // A count of what has happened: a line arrived, the input ended, Wake was called.
    u64 Events();
    // Waits until Events() differs from seen or ClockMs reaches deadlineMs (negative: no
    // deadline).
    void WaitEvent(u64 seen, i32 deadlineMs);
    // Counts an event (the search has ended): a WaitEvent returns.
    void Wake();

  private:
    std::mutex Lock;
    std::condition_variable Changed;  // an event, for the shell
    std::condition_variable Consumed; // text was taken, for the reader
    std::deque<std::string> Arrived;  // read from standard input, not yet taken
    std::deque<std::string> Held;     // kept during a search; the shell's thread only
    size_t ArrivedBytes = 0;
    size_t HeldBytes = 0;
    u64 EventCount = 0;
    bool InputEnd = false;
    i32 EndTime = 0;
    bool Started = false;

    // Starts the reader thread on first use.
    void Start();
    void Read();
    // Appends one line read to Arrived (under Lock), waiting while too much waits already.
    void Push(std::string &&line, std::unique_lock<std::mutex> &lock);
};

extern InputQueue Input;
