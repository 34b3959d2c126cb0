#pragma once
// Helper threads: searches of the program's root that run beside its own search and share
// nothing with it but the transposition table. The program's search owns the clock, the limits
// and the output; the helpers only fill the table, and stop when it stops.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "board/board.h"

class SearchRoutines;

// The most search threads, the program's own included.
constexpr int MAXTHREADS = 256;

class SearchPool {
  public:
    SearchPool();
    ~SearchPool();
    SearchPool(const SearchPool &) = delete;
    SearchPool &operator=(const SearchPool &) = delete;

    // Search threads in all, the program's own included (clamped to 1..MAXTHREADS). The
    // helpers are created here, wait between searches and are ended by the next change or
    // at exit; between searches only.
    void SetThreads(int threads);
    int Threads() const { return static_cast<int>(Helpers.size()) + 1; }

    // Starts every helper on root, the position main is about to search, with main's game
    // positions and root-move list. Waits first for helpers still stopping.
    void Start(const SearchRoutines &main, const ChessBoard &root);
    // Tells every helper to stop at once, without waiting (any thread may ask).
    void RequestStop() { StopFlag.store(true, std::memory_order_relaxed); }
    // The time on ClockMs at which the program's search must have moved (0: none): the helpers
    // stop by themselves then, so that on a crowded processor the program's search is not kept
    // waiting for its turn to look at the clock.
    void SetDeadline(i32 ms) { Deadline.store(ms, std::memory_order_relaxed); }
    // Tells every helper to stop and waits until each has unwound its search.
    void Stop();
    // Nodes the helpers have searched since the last start (counted every thousand or so).
    i64 Nodes() const;
    // A new game for every helper: history, killers and lines forgotten; with pawns, the pawn
    // hashes emptied too. Between searches only.
    void NewGame(bool pawns);

  private:
    struct Helper;
    std::vector<std::unique_ptr<Helper>> Helpers;
    std::mutex Lock;
    std::condition_variable Wake; // a new search, or the end
    std::condition_variable Idle; // the last running helper has stopped
    u64 Generation = 0;           // searches started
    int Running = 0;              // helpers still searching
    bool Quit = false;            // the helpers are to end
    std::atomic<bool> StopFlag{false};
    std::atomic<i32> Deadline{0};

    void Run(Helper *h);
    void EndHelpers();
};

// The program's helper threads (none until the thread count is set above one).
extern SearchPool SearchThreads;
