#include "shell/thinking.h"

#include <atomic>
#include <string>
#include <thread>

#include "core/platform.h"
#include "search/search.h"
#include "shell/input.h"

SearchDecision ThinkWhileReading(const ChessBoard &board, const SearchLimits &limits,
                                 LineHandler &handler)
{
    // 1. The search starts on its own thread; when it returns it wakes the shell.
    // It works on copies: the shell's position stays the shell's.
    SearchDecision decision;
    std::atomic<bool> finished{false};
    const ChessBoard root = board;
    const SearchLimits rootLimits = limits;
    MainSearch.ArmRequests();
    const i32 start = ClockMs();
    std::thread thread([&] {
        decision.score = MainSearch.ProgressiveDeepening(root, rootLimits, &decision.from,
                                                         &decision.to, &decision.promotion);
        finished.store(true, std::memory_order_release);
        Input.Wake();
    });

    // 2. The lines that arrive meanwhile, until the move may be given.
    bool released = !limits.Infinite && !limits.Ponder;
    bool stopping = false; // a stop was asked for: the lines after it wait for the move
    for (;;) {
        const u64 seen = Input.Events();
        if (finished.load(std::memory_order_acquire) && released) break;
        std::string line;
        if (!stopping && Input.TakeArrived(&line)) {
            switch (handler.OnLine(line)) {
            case Verdict::Answered:
            case Verdict::Held:
                break;
            case Verdict::Released:
                released = true;
                break;
            case Verdict::Stop:
                MainSearch.RequestStop();
                released = stopping = true;
                break;
            }
            continue;
        }
        // The end of input, with every line read: nobody waits for a move that waits for a
        // release, and no search runs on for long.
        i32 deadline = -1;
        if (!stopping && Input.Ended()) {
            deadline = (Input.EndedAt() > start ? Input.EndedAt() : start) + END_OF_INPUT_GRACE_MS;
            if (!released || ClockMs() >= deadline) {
                MainSearch.RequestStop();
                released = stopping = true;
                continue;
            }
        }
        Input.WaitEvent(seen, deadline);
    }
    thread.join();
    return decision;
}
