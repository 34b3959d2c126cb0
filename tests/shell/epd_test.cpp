// The test-suite modes through the real binary: -ts searches each position of a file, -pev shows
// each board, -mimicstudent only sets each one up.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "common/process.h"
#include "shell/move_referee.h"

namespace {

using referee::Lines;

const std::string kSuite = std::string(VORN_TEST_DATA) + "/suite3.epd";

// The three positions of the suite file, as the engine reads them.
const char* const kPositions[3] = {
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - -",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -",
    "8/4P3/8/8/8/8/k7/4K3 w - -",
};

TEST(EpdSuite, SearchesEveryPositionAndCountsThem)
{
    const RunResult r = RunVorn({"-ts", kSuite}, "go\n", 60000);
    EXPECT_EQ(r.exitStatus, 0);
    const auto lines = Lines(r.output);
    ASSERT_GE(lines.size(), 4u) << r.output;
    EXPECT_EQ(lines[1], "## file opened " + kSuite);
    EXPECT_EQ(lines[2], "## Entering ParseEPDSuite and Opened data file");
    EXPECT_EQ(lines.back(), "3");
    // Each position: its line, then depth 3 (no -fd given), the score, three spaces and the
    // move text (which starts with a space) with the line the search expects.
    const std::regex result(R"(^3 (-?\d+)    ([a-h][1-8][a-h][1-8][qrbn]?) .*$)");
    std::vector<std::string> moves;
    for (size_t i = 0; i + 1 < lines.size(); i++) {
        std::smatch m;
        if (!std::regex_match(lines[i], m, result)) continue;
        moves.push_back(m[2]);
        size_t text = i - 1;
        while (text > 0 && referee::IsSearchNoise(lines[text])) text--;
        EXPECT_EQ(lines[text].rfind(kPositions[moves.size() - 1], 0), 0u) << lines[text];
    }
    ASSERT_EQ(moves.size(), 3u) << r.output;
    for (int i = 0; i < 3; i++)
        EXPECT_TRUE(referee::IsLegalReply(kPositions[i], {}, moves[i])) << moves[i];
    EXPECT_EQ(moves[0], "d1d8");  // mate in one
    // Boards are shown with their evaluation.
    EXPECT_NE(r.output.find(" PosEval from White view "), std::string::npos);
}

TEST(EpdSuite, FixedDepthOptionSetsTheSearchDepth)
{
    const RunResult r = RunVorn({"-fd", "2", "-ts", kSuite}, "go\n", 60000);
    int results = 0;
    for (const auto& l : Lines(r.output))
        results += std::regex_match(l, std::regex(R"(^2 -?\d+    [a-h][1-8][a-h][1-8].*$)"));
    EXPECT_EQ(results, 3) << r.output;
}

TEST(EpdSuite, PevShowsEachBoardWithoutItsEvaluation)
{
    const RunResult r = RunVorn({"-pev", kSuite}, "go\n");
    EXPECT_EQ(r.exitStatus, 0);
    const auto lines = Lines(r.output);
    int boards = 0;
    for (const auto& l : lines) boards += l == "   A B C D E F G H";
    EXPECT_EQ(boards, 6) << r.output;  // the letters head and foot each board
    EXPECT_EQ(r.output.find("PosEval"), std::string::npos);
    EXPECT_EQ(lines.back(), "3");
}

TEST(EpdSuite, MimicStudentSetsUpThePositionsSilently)
{
    const RunResult r = RunVorn({"-mimicstudent", kSuite}, "go\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.output, "Vorn \n"
                        "## Mimic Student option detected \n"
                        "## Mimic == STUDENT\n"
                        "## file opened " + kSuite + "\n"
                        "## Entering ParseEPDSuite and Opened data file\n"
                        "In ParseEPDSuite and Mimic == STUDENT \n"
                        "3\n");
}

TEST(EpdSuite, WaitsForOneWordFirst)
{
    // Without any input the word read at start-up fails and the suite still runs.
    const RunResult r = RunVorn({"-mimicstudent", kSuite}, "");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(Lines(r.output).back(), "3");
}

TEST(EpdSuite, UnreadableFileEndsWithStatusOne)
{
    const RunResult r = RunVorn({"-ts", "/nonexistent/suite.epd"}, "go\n");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.output, "Vorn \nERROR: opening file /nonexistent/suite.epd\n");
    // A suite option without its file is reported the same way.
    const RunResult none = RunVorn({"-pev"}, "go\n");
    EXPECT_EQ(none.exitStatus, 1);
    EXPECT_EQ(none.output, "Vorn \nERROR: opening file \n");
}

TEST(EpdSuite, PositionWithoutKingsIsReportedNotSearched)
{
    char name[] = "/tmp/vorn_epd_XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    const std::string text = "8/8/8/8/8/8/4P3/8 w - -\n4k3/8/8/8/8/8/8/4K2R w K -\n";
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    const RunResult r = RunVorn({"-fd", "2", "-ts", name}, "go\n", 60000);
    unlink(name);
    EXPECT_EQ(r.exitStatus, 0);
    const auto lines = Lines(r.output);
    EXPECT_EQ(lines[3], "ERROR: illegal position 8/8/8/8/8/8/4P3/8 w - -");
    int results = 0;
    for (const auto& l : lines) results += std::regex_match(l, std::regex(R"(^2 -?\d+    .*$)"));
    EXPECT_EQ(results, 1) << r.output;
    EXPECT_EQ(lines.back(), "2");
}

}  // namespace
