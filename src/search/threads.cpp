#include "search/threads.h"

#include <cstring>
#include <thread>

#include "board/movehistory.h"
#include "eval/poseval.h"
#include "movegen/see.h"
#include "search/hashtab.h"
#include "search/search.h"

SearchPool SearchThreads;

// Everything one helper searches with: its own evaluator and pawn hash, exchange evaluator,
// move history, limits and search tables. Only the transposition table is shared.
struct SearchPool::Helper {
    int Id = 0;
    PositionEvaluate Eval;
    SEE Exchange;
    MoveHistory Positions;
    SearchLimits Limits;
    SearchRoutines Search;
    ChessBoard Root;
    std::atomic<i64> Nodes{0};
    std::thread Thread;
};

SearchPool::SearchPool() = default;

SearchPool::~SearchPool()
{
    EndHelpers();
}

void SearchPool::EndHelpers()
{
    StopFlag.store(true, std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> lock(Lock);
        Quit = true;
    }
    Wake.notify_all();
    for (auto &h : Helpers)
        if (h->Thread.joinable()) h->Thread.join();
    Helpers.clear();
    std::lock_guard<std::mutex> lock(Lock);
    Quit = false;
    Running = 0;
}

void SearchPool::SetThreads(int threads)
{
    if (threads < 1) threads = 1;
    if (threads > MAXTHREADS) threads = MAXTHREADS;
    if (threads == Threads()) return;
    Stop();
    EndHelpers();
    for (int id = 1; id < threads; id++) {
        auto h = std::make_unique<Helper>();
        h->Id = id;
        SearchRoutines &s = h->Search;
        s.Eval = &h->Eval;
        s.Exchange = &h->Exchange;
        s.Positions = &h->Positions;
        s.Output = &QuietOutput;
        s.StopSignal = &StopFlag;
        s.StopDeadline = &Deadline;
        s.NodeReport = &h->Nodes;
        s.NewGame();
        Helper *raw = h.get();
        Helpers.push_back(std::move(h));
        raw->Thread = std::thread([this, raw] { Run(raw); });
    }
}

void SearchPool::Run(Helper *h)
{
    u64 seen = 0;
    std::unique_lock<std::mutex> lock(Lock);
    for (;;) {
        Wake.wait(lock, [&] { return Quit || Generation != seen; });
        if (Quit) return;
        seen = Generation;
        lock.unlock();
        // Odd helpers start one iteration deeper than the program's search, so that the
        // threads do not all work the same depth at the same time.
        h->Search.HelperDeepening(h->Root, h->Limits, 1 + h->Id % 2);
        lock.lock();
        if (--Running == 0) Idle.notify_all();
    }
}

void SearchPool::Start(const SearchRoutines &main, const ChessBoard &root)
{
    if (Helpers.empty()) return;
    Stop();
    {
        std::lock_guard<std::mutex> lock(Lock);
        StopFlag.store(false, std::memory_order_relaxed);
        for (auto &h : Helpers) {
            h->Root = root;
            h->Positions = *main.Positions;
            // The helper has no clock, no book and no output: it searches the root moves the
            // program's search may play until it is stopped.
            h->Limits = SearchLimits();
            h->Limits.SearchMoveCount = main.Limits.SearchMoveCount;
            std::memcpy(h->Limits.SearchMoves, main.Limits.SearchMoves,
                        sizeof h->Limits.SearchMoves);
            h->Nodes.store(0, std::memory_order_relaxed);
        }
        Running = static_cast<int>(Helpers.size());
        Generation++;
    }
    Wake.notify_all();
}

void SearchPool::Stop()
{
    if (Helpers.empty()) return;
    StopFlag.store(true, std::memory_order_relaxed);
    std::unique_lock<std::mutex> lock(Lock);
    Idle.wait(lock, [&] { return Running == 0; });
}

void SearchPool::NewGame(bool pawns)
{
    Stop();
    for (auto &h : Helpers) {
        h->Search.NewGame();
        if (pawns) h->Eval.ClearPawnHash();
    }
}

i64 SearchPool::Nodes() const
{
    i64 n = 0;
    for (const auto &h : Helpers)
        n += h->Nodes.load(std::memory_order_relaxed);
    return n;
}
