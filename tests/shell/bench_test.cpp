// The benchmarks through the real binary: the report's exact layout, both runs of -bench2,
// -satrain, and the node-count signature of the search.

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "common/process.h"

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

const char* const kHeader = "    Time Interior Nodes Quiesce Nodes Total Nodes        NPS";

// The counts of one report, read from its four lines after the header.
struct Report {
    long long time = 0, interior = 0, quiesce = 0, total = 0, nps = 0;
    long long leaf = 0, hits = 0, misses = 0;
    long long pawnMisses = 0, pawnAttempts = 0;
};

// Checks the four lines of a report at lines[at..at+3] and returns its counts.
Report CheckReport(const std::vector<std::string>& lines, std::size_t at)
{
    Report r;
    if (at + 4 > lines.size()) {
        ADD_FAILURE() << "report cut short";
        return r;
    }
    // Five right-aligned numbers in fields of 8, 12, 14, 14 and 12 characters.
    const std::string& numbers = lines[at];
    EXPECT_EQ(numbers.size(), 60u) << numbers;
    if (numbers.size() == 60) {
        r.time = std::stoll(numbers.substr(0, 8));
        r.interior = std::stoll(numbers.substr(8, 12));
        r.quiesce = std::stoll(numbers.substr(20, 14));
        r.total = std::stoll(numbers.substr(34, 14));
        r.nps = std::stoll(numbers.substr(48, 12));
        char again[80];
        std::snprintf(again, sizeof again, "%8lld%12lld%14lld%14lld%12lld", r.time, r.interior,
                      r.quiesce, r.total, r.nps);
        EXPECT_EQ(numbers, again);
        EXPECT_GE(r.time, 1);
        EXPECT_EQ(r.total, r.interior + r.quiesce);
        EXPECT_EQ(r.nps, r.total / r.time * 1000);
    }
    std::smatch m;
    const std::regex leaf("Leaf Interior Nodes searched = (\\d+)");
    EXPECT_TRUE(std::regex_match(lines[at + 1], m, leaf)) << lines[at + 1];
    if (!m.empty()) r.leaf = std::stoll(m[1]);

    const std::regex table("Transposition Table Hits (\\d+)  Misses  (\\d+)  Ratio = (\\d+)");
    EXPECT_TRUE(std::regex_match(lines[at + 2], m, table)) << lines[at + 2];
    if (!m.empty()) {
        r.hits = std::stoll(m[1]);
        r.misses = std::stoll(m[2]);
        const long long probes = r.hits + r.misses;
        EXPECT_EQ(std::stoll(m[3]), probes ? r.hits * 100 / probes : 0);
    }

    const std::regex pawn("Pawn misses (\\d+) Pawn attempts (\\d+) Pawn miss rate = (\\S+)");
    EXPECT_TRUE(std::regex_match(lines[at + 3], m, pawn)) << lines[at + 3];
    if (!m.empty()) {
        r.pawnMisses = std::stoll(m[1]);
        r.pawnAttempts = std::stoll(m[2]);
        EXPECT_LE(r.pawnMisses, r.pawnAttempts);
        if (r.pawnAttempts > 0) {
            char rate[64];
            std::snprintf(rate, sizeof rate, "%g", r.pawnMisses * 100.0 / r.pawnAttempts);
            EXPECT_EQ(m[3].str(), rate);
        }
    }
    return r;
}

TEST(Bench, FixedDepthReportHasItsExactLayout)
{
    const RunResult run = RunVorn({"-bench", "-fd", "4"}, "", 60000);
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    const std::vector<std::string> lines = Lines(run.output);
    ASSERT_EQ(lines.size(), 7u) << run.output;
    EXPECT_EQ(lines[0], "Vorn ");
    EXPECT_EQ(lines[1], "Running benchmark 1 2 3 4 5 6");
    EXPECT_EQ(lines[2], kHeader);
    const Report r = CheckReport(lines, 3);
    EXPECT_GT(r.interior, 0);
    EXPECT_GT(r.quiesce, 0);
    EXPECT_GT(r.hits + r.misses, 0);
    EXPECT_GT(r.pawnAttempts, 0);
}

TEST(Bench, SecondBenchmarkReportsBothRuns)
{
    const RunResult run = RunVorn({"-bench2", "-fd", "4"}, "", 60000);
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    const std::vector<std::string> lines = Lines(run.output);
    ASSERT_EQ(lines.size(), 15u) << run.output;
    EXPECT_EQ(lines[0], "Vorn ");
    EXPECT_EQ(lines[1], "Running benchmark ");
    EXPECT_EQ(lines[2], "Progressive Deepening");
    EXPECT_EQ(lines[3], kHeader);
    const Report first = CheckReport(lines, 4);
    EXPECT_EQ(lines[8], "Running benchmark ");
    EXPECT_EQ(lines[9], "Search Exact Depth");
    EXPECT_EQ(lines[10], kHeader);
    const Report second = CheckReport(lines, 11);
    // The table and pawn counters run on from the first run.
    EXPECT_GE(second.hits, first.hits);
    EXPECT_GE(second.misses, first.misses);
    EXPECT_GT(second.hits + second.misses, first.hits + first.misses);
    EXPECT_GT(second.pawnAttempts, first.pawnAttempts);
    EXPECT_GT(first.total, 0);
    EXPECT_GT(second.total, 0);
}

TEST(Bench, SatrainRunsTheFirstBenchmark)
{
    const RunResult bench = RunVorn({"-bench", "-fd", "3"}, "", 60000);
    const RunResult satrain = RunVorn({"-satrain", "-fd", "3"}, "", 60000);
    ASSERT_EQ(bench.exitStatus, 0);
    ASSERT_EQ(satrain.exitStatus, 0);
    const std::vector<std::string> a = Lines(bench.output), b = Lines(satrain.output);
    ASSERT_EQ(a.size(), 7u);
    ASSERT_EQ(b.size(), 7u);
    EXPECT_EQ(b[1], a[1]);
    // The node counts match; the time does not have to.
    EXPECT_EQ(b[3].substr(8, 40), a[3].substr(8, 40));
    for (int i = 4; i < 7; i++) EXPECT_EQ(b[i], a[i]);
}

// The signature of the search: the nodes of the fixed-depth benchmark. A change that alters this
// number alters the search; its commit says so and gives the new number.
TEST(Bench, SignatureAtDepthSix)
{
    const RunResult run = RunVorn({"-bench", "-fd", "6"}, "", 120000);
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    const std::vector<std::string> lines = Lines(run.output);
    ASSERT_EQ(lines.size(), 7u) << run.output;
    const Report r = CheckReport(lines, 3);
    EXPECT_EQ(r.total, 150583);
}

}  // namespace
