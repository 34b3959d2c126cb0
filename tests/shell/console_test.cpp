// The console game through the real binary: a person's moves and commands, the engine's replies
// and the end of the game.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/process.h"
#include "shell/move_referee.h"

namespace {

using referee::Lines;

// Index of the first line equal to text at or after start, or -1.
int Find(const std::vector<std::string>& lines, const std::string& text, size_t start = 0)
{
    for (size_t i = start; i < lines.size(); i++)
        if (lines[i] == text) return static_cast<int>(i);
    return -1;
}

int Count(const std::vector<std::string>& lines, const std::string& text)
{
    int n = 0;
    for (const auto& l : lines) n += l == text;
    return n;
}

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(Console, IllegalMoveIsRefusedAndAskedAgain)
{
    const RunResult r = RunVorn({}, "hello\ne2e5\ne2e4\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_NE(r.output.find("Enter Move: e2e5\nIllegal move: e2e5\nEnter Move: e2e4\nGame Score 0\n"),
              std::string::npos)
        << r.output;
    // The person's move is on the board; the engine answered and asks again.
    const auto lines = Lines(r.output);
    const int after = Find(lines, "Game Score 0");
    ASSERT_GE(after, 0);
    EXPECT_EQ(lines[after + 7], "4  - - - - P - - -  4");
    EXPECT_TRUE(EndsWith(r.output, "Enter Move: \nBye, Thanks for the match.\n")) << r.output;
}

TEST(Console, EngineMateEndsTheGame)
{
    const RunResult r = RunVorn({}, "hello\nsetboard 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1\ngo\n");
    EXPECT_EQ(r.exitStatus, 0);
    const auto lines = Lines(r.output);
    const int mate = Find(lines, "White mates!");
    ASSERT_GE(mate, 0) << r.output;
    EXPECT_EQ(lines[mate + 1].rfind("Game Score ", 0), 0u);
    EXPECT_EQ(lines[mate + 4], "8  - - - R - - k -  8");
    // Nobody is asked for a move after the mate.
    EXPECT_EQ(r.output.find("Enter Move", r.output.find("White mates!")), std::string::npos);
    EXPECT_TRUE(EndsWith(r.output, "Bye, Thanks for the match.\n")) << r.output;
}

TEST(Console, PersonsMateEndsTheGame)
{
    const RunResult r = RunVorn({}, "hello\nsetboard 3r2k1/8/8/8/8/8/5PPP/6K1 b - - 0 1\nd8d1\ne2e4\n");
    EXPECT_EQ(r.exitStatus, 0);
    const auto lines = Lines(r.output);
    const int mate = Find(lines, "Black mates!");
    ASSERT_GE(mate, 0) << r.output;
    EXPECT_EQ(lines[mate - 1], "Enter Move: d8d1");
    EXPECT_EQ(lines[mate + 1], "Game Score 0");
    EXPECT_EQ(r.output.find("Enter Move", r.output.find("Black mates!")), std::string::npos);
    EXPECT_TRUE(EndsWith(r.output, "Bye, Thanks for the match.\n")) << r.output;
}

TEST(Console, StalemateEndsTheGame)
{
    const RunResult r = RunVorn({}, "hello\nsetboard k7/8/2K5/8/8/8/8/1Q6 w - - 0 1\nb1b6\n");
    const auto lines = Lines(r.output);
    const int end = Find(lines, "Stalemate");
    ASSERT_GE(end, 0) << r.output;
    EXPECT_EQ(lines[end - 1], "Enter Move: b1b6");
    EXPECT_TRUE(EndsWith(r.output, "Bye, Thanks for the match.\n")) << r.output;
}

TEST(Console, FiftyMoveRuleCountsEachHalfMoveOnce)
{
    // The clock stands at 98: the person's move makes 99, the engine's reply 100.
    const RunResult r = RunVorn({}, "hello\nsetboard 7k/8/8/8/8/8/8/R6K w - - 98 80\na1a2\n");
    const auto lines = Lines(r.output);
    const int draw = Find(lines, "1/2-1/2 {Draw by 50 Move Rule}");
    ASSERT_GE(draw, 0) << r.output;
    EXPECT_EQ(Count(lines, "1/2-1/2 {Draw by 50 Move Rule}"), 1);
    // It comes after the engine's reply: two score lines before it.
    int scores = 0;
    for (int i = 0; i < draw; i++) scores += lines[i].rfind("Game Score ", 0) == 0;
    EXPECT_EQ(scores, 2) << r.output;
    EXPECT_TRUE(EndsWith(r.output, "Bye, Thanks for the match.\n")) << r.output;
}

TEST(Console, ForcePlaysBothSidesThenGoMovesForWhite)
{
    const RunResult r = RunVorn({}, "hello\nforce\ne2e4\ne7e5\ngo\n");
    const auto lines = Lines(r.output);
    const int go = Find(lines, "Enter Move: go");
    ASSERT_GE(go, 0) << r.output;
    // The engine's move for white: black's back rows stay as e7e5 left them, the board changed.
    size_t score = go;
    while (score < lines.size() && lines[score].rfind("Game Score ", 0) != 0) score++;
    ASSERT_LT(score + 10, lines.size()) << r.output;
    const std::vector<std::string> diagram(lines.begin() + score + 3, lines.begin() + score + 11);
    const std::vector<std::string> before = {
        "8  r n b q k b n r  8", "7  p p p p - p p p  7", "6  - - - - - - - -  6",
        "5  - - - - p - - -  5", "4  - - - - P - - -  4", "3  - - - - - - - -  3",
        "2  P P P P - P P P  2", "1  R N B Q K B N R  1"};
    EXPECT_EQ(diagram[0], before[0]);
    EXPECT_EQ(diagram[1], before[1]);
    EXPECT_NE(diagram, before) << r.output;
    // The two moves in force mode drew no reply: one score line only, after "go".
    int scores = 0;
    for (const auto& l : lines) scores += l.rfind("Game Score ", 0) == 0;
    EXPECT_EQ(scores, 1) << r.output;
}

TEST(Console, DepthCommandReportsItself)
{
    const RunResult r = RunVorn({}, "hello\nsd\n8\n");
    EXPECT_NE(r.output.find("Enter Move: sd\nsetting MAXDEPTH\nscanstring sd\nMAXDEPTH 8\n"),
              std::string::npos)
        << r.output;
}

TEST(Console, EndOfInputAtThePromptEndsTheProgram)
{
    const RunResult r = RunVorn({}, "hello\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_TRUE(EndsWith(r.output, "Enter Move: \nBye, Thanks for the match.\n")) << r.output;
}

TEST(Console, WithoutAClockTheEngineAnswersAtOnce)
{
    // No time setting: TimeLeft 0, and the engine answers after one iteration.
    const RunResult r = RunVorn({}, "hello\ne2e4\n");
    EXPECT_NE(r.output.find("Time Per Move = 0\nTime Left = 0\nDefaultMovesPerSession = 50\n"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(r.exitStatus, 0);
}

}  // namespace
