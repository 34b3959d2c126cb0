// Start-up and the batch modes through the real binary: help, the greeting and its options, the
// test-suite runner and the benchmark's node-count signature.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>

#include "common/process.h"

namespace {

const char *const HELP = "Vorn \n"
                         "xboard   used when interfacing with xboard\n"
                         "-uci   used when interfacing with an UCI based GUI\n"
                         "-bench  run an internal benchmark suite\n"
                         "-fd  n    fixes search depth to n ply (min n = 3)\n"
                         "-lpf filename  loads a position from file\n"
                         "-pev  filename - run through a testsuite (EPD Format) & output full "
                         "evaluation detail per position\n"
                         "-sd  n   sets max search depth to n ply (min n = 3)\n"
                         "-sp  self play\n"
                         "-ts  filename run through a testsuite (EPD Format)\n";

std::string Greeting(const std::string &maxDepth)
{
    return "Vorn \n\nHello! I am Vorn.\nMAXDEPTH = " + maxDepth +
           "\n   A B C D E F G H\n\n8  r n b q k b n r  8\n7  p p p p p p p p  7\n";
}

TEST(Startup, HelpAndTheGreetingWithItsOptions)
{
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"-h"}, {"-help"}, {"-sd", "7", "-bench", "-h", "-uci"}}) {
        const RunResult r = RunVorn(args, "e2e4\n");
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ("Vorn \n" + r.output, HELP) << "the help alone: no interface is greeted";
    }
    // At a terminal a person sees the banner first, whatever the options print after it.
    VornProcess terminal({"-help"}, VornProcess::AtTerminal{});
    std::string first, second;
    EXPECT_TRUE(terminal.ReadLine(&first, 20000) && terminal.ReadLine(&second, 20000));
    EXPECT_EQ(first + "\n" + second.substr(0, 6), "Vorn \nxboard");
    EXPECT_EQ(terminal.Wait(20000), 0);
    // Option values are read without overflow: a huge depth or time per move saturates.
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "56"},
        {{"-sd", "7"}, "7"},
        {{"-fd", "5", "-sd", "9"}, "9"},
        {{"-sd"}, "0"},
        {{"-sd", "99999999999999999999"}, "2147483647"},
        {{"-st", "99999999"}, "56"},
        {{"--help"}, "56"}};
    for (const auto &[args, depth] : cases) {
        const RunResult r = RunVorn(args, "quit\n");
        EXPECT_EQ(r.output.substr(0, Greeting(depth).size()), Greeting(depth)) << r.output;
        EXPECT_EQ(r.exitStatus, 0);
    }
    // A position loaded from a file is the one greeted (its first line only).
    const std::string file = ::testing::TempDir() + "vorn_start.fen";
    std::ofstream(file) << "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1\n8/8/8/8/8/8/8/K6k w - -\n";
    const RunResult loaded = RunVorn({"-lpf", file}, "quit\n");
    EXPECT_NE(loaded.output.find("MAXDEPTH = 56\n   A B C D E F G H\n\n8  r - - - k - - r  8\n"),
              std::string::npos)
        << loaded.output;
    // An empty file holds no position: a failure, not a success.
    std::ofstream(file, std::ios::trunc).close();
    const RunResult empty = RunVorn({"-lpf", file}, "quit\n");
    EXPECT_EQ(empty.exitStatus, 1) << empty.output;
    std::remove(file.c_str());
}

// Each position of the suite is searched to depth 3 and counted; the mate is found.
TEST(Startup, TestSuiteSearchesEveryPosition)
{
    const std::string suite = std::string(VORN_TEST_DATA) + "/suite3.epd";
    const RunResult r = RunVorn({"-ts", suite}, "go\n", 60000);
    EXPECT_EQ(r.exitStatus, 0);
    std::smatch m;
    std::vector<std::string> moves;
    const std::regex result(R"(\n3 -?\d+    ([a-h][1-8][a-h][1-8][qrbn]?) )");
    for (auto it = r.output.cbegin(); std::regex_search(it, r.output.cend(), m, result);
         it = m[0].second)
        moves.push_back(m[1]);
    ASSERT_EQ(moves.size(), 3u) << r.output;
    EXPECT_EQ(moves[0], "d1d8");
    EXPECT_EQ(r.output.substr(r.output.size() - 3), "\n3\n");
    const RunResult missing = RunVorn({"-ts", "/nonexistent/suite.epd"}, "go\n");
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_EQ(missing.output, "Vorn \nERROR: opening file /nonexistent/suite.epd\n");
}

// The signature of the search: the nodes of the fixed-depth benchmark. A change that alters
// this number alters the search; its commit says so and gives the new number.
TEST(Bench, SignatureAtDepthSix)
{
    const RunResult run = RunVorn({"-bench", "-fd", "6"}, "", 120000);
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    std::smatch m;
    const std::regex report(
        "^Vorn \nRunning benchmark 1 2 3 4 5 6\n    Time Interior Nodes Quiesce Nodes Total Nodes  "
        "      NPS\n"
        " *\\d+ +(\\d+) +(\\d+) +(\\d+) +\\d+\nLeaf Interior Nodes searched = \\d+\n"
        "Transposition Table Hits \\d+  Misses  \\d+  Ratio = \\d+\nPawn misses \\d+ Pawn attempts "
        "\\d+ Pawn miss rate = \\S+\n$");
    ASSERT_TRUE(std::regex_match(run.output, m, report)) << run.output;
    EXPECT_EQ(std::stoll(m[1]) + std::stoll(m[2]), std::stoll(m[3]));
    EXPECT_EQ(std::stoll(m[3]), 150583);
    // "bench", as benchmark scripts call engines: the same report and a nodes and nps line.
    const RunResult word = RunVorn({"bench", "-fd", "6"}, "", 120000);
    EXPECT_EQ(word.output.substr(0, run.output.find("    Time")),
              run.output.substr(0, run.output.find("    Time")));
    EXPECT_TRUE(std::regex_search(word.output, std::regex("\n150583 nodes \\d+ nps\n$")))
        << word.output;
}

} // namespace
