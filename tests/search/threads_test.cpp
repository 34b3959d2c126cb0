// Searches on several threads through the real binary, the way an interface drives them: timed,
// infinite then stopped, pondering then released. Every bestmove must be a legal move of the
// position searched. The ThreadSanitizer build runs these searches to find data races between
// the threads (a race ends the engine, and the test fails).

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "common/process.h"
#include "common/reference.h"

namespace {

const char *const POSITIONS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "8/P6k/8/8/8/8/6pK/8 b - - 0 1",   // promotions for both sides
    "4k3/8/8/8/8/8/3q4/4K3 w - - 0 1", // in check: two replies
};

// The move of the next bestmove line ("" when none came in time).
std::string BestMove(VornProcess &vorn, std::vector<std::string> *seen = nullptr)
{
    std::string line;
    if (!vorn.WaitFor("bestmove", &line, 60000, seen)) return "";
    return line.substr(9, line.find(' ', 9) - 9);
}

TEST(SearchThreads, TimedStoppedAndPonderedSearchesPlayLegalMoves)
{
    for (const int threads : {2, 4}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        VornProcess vorn;
        vorn.Send("uci\nsetoption name Threads value " + std::to_string(threads) + "\nisready\n");
        ASSERT_TRUE(vorn.WaitFor("readyok", nullptr, 60000));
        for (const char *fen : POSITIONS) {
            SCOPED_TRACE(fen);
            const std::set<std::string> legal = ref::LegalTexts(fen);
            vorn.Send(std::string("position fen ") + fen + "\n");

            // On the clock: the search decides when to move.
            vorn.Send("go wtime 1500 btime 1500\n");
            std::vector<std::string> seen;
            EXPECT_EQ(legal.count(BestMove(vorn, &seen)), 1u);
            bool scored = false;
            for (const auto &l : seen)
                scored |= l.rfind("info depth", 0) == 0 && l.find(" nodes ") != std::string::npos;
            EXPECT_TRUE(scored);

            // Infinite: isready is answered while the threads search, stop ends it.
            vorn.Send("go infinite\n");
            Pause(150);
            vorn.Send("isready\n");
            seen.clear();
            EXPECT_TRUE(vorn.WaitFor("readyok", nullptr, 60000, &seen));
            for (const auto &l : seen)
                EXPECT_NE(l.rfind("bestmove", 0), 0u) << "an infinite search ended by itself";
            vorn.Send("stop\n");
            EXPECT_EQ(legal.count(BestMove(vorn)), 1u);

            // Pondering, then the ponder hit: the search goes on as a timed one and moves.
            vorn.Send("go ponder wtime 1000 btime 1000\n");
            Pause(100);
            vorn.Send("ponderhit\n");
            EXPECT_EQ(legal.count(BestMove(vorn)), 1u);
        }
        vorn.Send("quit\n");
        EXPECT_EQ(vorn.Wait(60000), 0);
    }
}

// The xboard dialect on three threads: a timed move, and an analysis ended by exit, after which
// the engine answers at once.
TEST(SearchThreads, XboardCoresPlayAndAnalyse)
{
    VornProcess vorn;
    vorn.Send("xboard\nprotover 2\ncores 3\nnew\nst 1\ngo\n");
    std::string line;
    std::vector<std::string> seen;
    ASSERT_TRUE(vorn.WaitFor("move ", &line, 60000, &seen));
    for (const auto &l : seen)
        EXPECT_NE(l.rfind("Error", 0), 0u) << l;
    const std::set<std::string> legal =
        ref::LegalTexts("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(legal.count(line.substr(5)), 1u) << line;
    vorn.Send("force\nanalyze\n");
    Pause(300);
    vorn.Send("exit\nping 7\n");
    EXPECT_TRUE(vorn.WaitFor("pong 7", nullptr, 60000));
    vorn.Send("quit\n");
    EXPECT_EQ(vorn.Wait(60000), 0);
}

} // namespace
