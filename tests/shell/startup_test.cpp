// Start-up: the status defaults and masks, the command line, the first word and the console
// greeting, through the real binary and in process.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "board/board.h"
#include "common/capture.h"
#include "common/process.h"
#include "core/platform.h"
#include "shell/startup.h"
#include "core/status.h"

namespace {

const char* const kHelp =
    "Vorn \n"
    "xboard   used when interfacing with xboard\n"
    "-uci   used when interfacing with an UCI based GUI\n"
    "-bench  run an internal benchmark suite\n"
    "-fd  n    fixes search depth to n ply (min n = 3)\n"
    "-lpf filename  loads a position from file\n"
    "-pev  filename - run through a testsuite (EPD Format) & output full evaluation detail per position\n"
    "-sd  n   sets max search depth to n ply (min n = 3)\n"
    "-sp  self play\n"
    "-ts  filename run through a testsuite (EPD Format)\n";

std::string Greeting(int maxDepth)
{
    return "Vorn \n"
           "\n"
           "Hello! I am Vorn.\n"
           "MAXDEPTH = " + std::to_string(maxDepth) + "\n" + kStartDiagram;
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

TEST(CommandLine, HelpPrintsTheNineLinesAndExits)
{
    for (const char* opt : {"-help", "-h"}) {
        const RunResult r = RunVorn({opt}, "");
        EXPECT_EQ(r.exitStatus, 0) << opt;
        EXPECT_EQ(r.output, kHelp) << opt;
    }
    // Options before it are applied but nothing runs; a word on the input is never read.
    const RunResult r = RunVorn({"-sd", "7", "-perft", "-bench", "-h", "-uci"}, "e2e4\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.output, kHelp);
    // Help options match whole arguments only.
    const RunResult other = RunVorn({"-hh", "--help"}, "e2e4\n", 5000);
    EXPECT_TRUE(StartsWith(other.output, Greeting(56))) << other.output;
}

TEST(Startup, AnyOtherFirstWordGreetsWithTheBoard)
{
    for (const char* word : {"e2e4\n", "hello", "  \n\t go \n", "new\n"}) {
        const RunResult r = RunVorn({}, word, 5000);
        EXPECT_TRUE(StartsWith(r.output, Greeting(56))) << word << "\n" << r.output;
    }
}

TEST(Startup, SearchDepthOptionsShowInTheGreeting)
{
    RunResult r = RunVorn({"-sd", "7"}, "e2e4\n", 5000);
    EXPECT_TRUE(StartsWith(r.output, Greeting(7))) << r.output;
    r = RunVorn({"-fd", "5"}, "e2e4\n", 5000);
    EXPECT_TRUE(StartsWith(r.output, Greeting(5))) << r.output;
    r = RunVorn({"-fd", "5", "-sd", "9"}, "e2e4\n", 5000);
    EXPECT_TRUE(StartsWith(r.output, Greeting(9))) << r.output;
    r = RunVorn({"-sd"}, "e2e4\n", 5000);  // no value: zero
    EXPECT_TRUE(StartsWith(r.output, Greeting(0))) << r.output;
    r = RunVorn({"-sd", "99999999999999999999"}, "e2e4\n", 5000);
    EXPECT_TRUE(StartsWith(r.output, Greeting(2147483647))) << r.output;
}

TEST(Startup, HugeTimePerMoveIsNoOverflow)
{
    const RunResult r = RunVorn({"-st", "99999999"}, "e2e4\n", 5000);
    EXPECT_TRUE(StartsWith(r.output, Greeting(56))) << r.output;
}

TEST(Startup, LoadedPositionIsShownInTheGreeting)
{
    char name[] = "/tmp/vorn_lpf_XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    const std::string fen = "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1\n";
    ASSERT_EQ(write(fd, fen.data(), fen.size()), static_cast<ssize_t>(fen.size()));
    close(fd);
    const RunResult r = RunVorn({"-lpf", name}, "go\n", 5000);
    std::remove(name);
    EXPECT_TRUE(StartsWith(r.output,
                           "Vorn \n\nHello! I am Vorn.\nMAXDEPTH = 56\n   A B C D E F G H\n\n"
                           "8  r - - - k - - r  8\n"
                           "7  - - - - - - - -  7\n"
                           "6  - - - - - - - -  6\n"
                           "5  - - - - - - - -  5\n"
                           "4  - - - - - - - -  4\n"
                           "3  - - - - - - - -  3\n"
                           "2  - - - - - - - -  2\n"
                           "1  R - - - K - - R  1\n\n   A B C D E F G H\n"))
        << r.output;
}

TEST(Startup, InterfaceWordsSkipTheGreeting)
{
    for (const char* word : {"xboard\n", "uci\n", "xboardx\n", "myuci\n"}) {
        const RunResult r = RunVorn({}, word, 3000);
        EXPECT_TRUE(StartsWith(r.output, "Vorn \n")) << word;
        EXPECT_EQ(r.output.find("Hello!"), std::string::npos) << word << "\n" << r.output;
    }
    for (const char* opt : {"xboard", "-uci"}) {
        const RunResult r = RunVorn({opt}, "e2e4\n", 3000);
        EXPECT_EQ(r.output.find("Hello!"), std::string::npos) << opt << "\n" << r.output;
    }
}

TEST(Startup, BenchThreeStartsTheGameWithoutReadingAWord)
{
    const RunResult r = RunVorn({"-bench3"}, "", 5000);
    EXPECT_TRUE(StartsWith(r.output, Greeting(56))) << r.output;
}

TEST(Startup, MimicStudentAnnouncesItself)
{
    const RunResult r = RunVorn({"-mimicstudent", "/nonexistent/suite.epd"}, "x\n", 3000);
    EXPECT_TRUE(StartsWith(r.output, "Vorn \n## Mimic Student option detected \n")) << r.output;
}

// In-process parsing: the globals are restored after each test.
class ParseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedStatus_ = MainStatus;
        savedBoard_ = MainBoard;
        MainStatus.initVars();
        MainStatus.xboard = 0;
        MainStatus.UCIMode = 0;
        MainBoard.InitRep();
    }
    void TearDown() override
    {
        MainStatus = savedStatus_;
        MainBoard = savedBoard_;
    }
    void Parse(std::vector<std::string> args)
    {
        args.insert(args.begin(), "vorn");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ParseCommandLine(static_cast<int>(args.size()), argv.data());
    }

private:
    Status savedStatus_;
    ChessBoard savedBoard_;
};

TEST_F(ParseTest, FixedTimePerMove)
{
    Parse({"-st", "3"});
    EXPECT_EQ(MainStatus.TimePerMove, 2700);
    EXPECT_EQ(MainStatus.TimeLeft, 180000);
    EXPECT_EQ(MainStatus.ST, 3000);
    Parse({"-st", "99999999"});
    EXPECT_EQ(MainStatus.TimePerMove, 2147483647);
    EXPECT_EQ(MainStatus.TimeLeft, 2147483647);
    EXPECT_EQ(MainStatus.ST, 2147483647);
    Parse({"-st", "-99999999"});
    EXPECT_EQ(MainStatus.TimeLeft, -2147483647 - 1);
    Parse({"-st", "abc"});
    EXPECT_EQ(MainStatus.TimePerMove, 0);
}

TEST_F(ParseTest, FixedDepthAndPerft)
{
    Parse({"-fd", "5", "-perft"});
    EXPECT_EQ(MainStatus.FD, 5);
    EXPECT_EQ(MainStatus.PERFT, 1);
    EXPECT_EQ(MainBoard.MaxDepth, 5);
    EXPECT_EQ(MainBoard.FixedDepth, 5);
    Parse({"-sd", "12x"});
    EXPECT_EQ(MainBoard.MaxDepth, 12);
    EXPECT_EQ(MainStatus.FD, 5);
}

TEST_F(ParseTest, FlagsAndExactMatches)
{
    Parse({"-bench2", "-kibitz", "-nobook", "-post", "-sp", "-trace", "-HPC", "-mt", "-uci"});
    EXPECT_EQ(MainStatus.BenchMode, 2);
    EXPECT_EQ(MainStatus.Kibitz, 1);
    EXPECT_EQ(MainStatus.UseBook, 0);
    EXPECT_EQ(MainStatus.Post, 1);
    EXPECT_EQ(MainStatus.SelfPlay, 1);
    EXPECT_EQ(MainStatus.Trace, 1);
    EXPECT_EQ(MainStatus.UCIMode, 1);  // the value of -mt still meets the later tests
    Parse({"-bench6", "-perftx", "-satrainx"});
    EXPECT_EQ(MainStatus.BenchMode, 2);
    EXPECT_EQ(MainStatus.PERFT, 0);
    EXPECT_EQ(MainStatus.SATrain, 0);
    Parse({"-satrain", "use-xboard-now"});
    EXPECT_EQ(MainStatus.SATrain, 1);
    EXPECT_EQ(MainStatus.xboard, 1);
}

TEST_F(ParseTest, ContainsOptionsMatchInsideArguments)
{
    Parse({"--sp", "x-trace", "-posting", "my-kibitz", "a-nobook!", "--sd", "8", "myxboardz"});
    EXPECT_EQ(MainStatus.SelfPlay, 1);
    EXPECT_EQ(MainStatus.Trace, 1);
    EXPECT_EQ(MainStatus.Post, 1);
    EXPECT_EQ(MainStatus.Kibitz, 1);
    EXPECT_EQ(MainStatus.UseBook, 0);
    EXPECT_EQ(MainBoard.MaxDepth, 8);
    EXPECT_EQ(MainStatus.xboard, 1);
    Parse({"--uci-"});
    EXPECT_EQ(MainStatus.UCIMode, 1);
}

TEST_F(ParseTest, TestSuiteFileIsTheValueOfTheLastSuiteOption)
{
    Parse({"-ts", "first.epd", "-pev", "second.epd"});
    EXPECT_EQ(MainStatus.DoTestSuite, 1);
    EXPECT_EQ(MainStatus.PEV, 1);
    EXPECT_STREQ(TestSuiteFile(), "second.epd");
    // Values are tested too: a file name holding "-uci" switches UCI on.
    Parse({"-ts", "my-uci-suite.epd"});
    EXPECT_STREQ(TestSuiteFile(), "my-uci-suite.epd");
    EXPECT_EQ(MainStatus.UCIMode, 1);
    Parse({"-ts"});
    EXPECT_STREQ(TestSuiteFile(), "");
    const std::string longName(5000, 'f');
    Parse({"-ts", longName});
    EXPECT_EQ(std::strlen(TestSuiteFile()), 1023u);
}

TEST(Status, InitVarsDefaults)
{
    Status s;
    EXPECT_EQ(s.NPS, 1200000);
    s.HumanToMove = 0;
    s.PERFT = s.BenchMode = s.SATrain = s.Post = s.MimicMode = s.DoTestSuite = s.PEV = 1;
    s.SelfPlay = s.Trace = 1;
    s.GameInProgress = 0;
    s.GamePly = 40;
    s.Kibitz = 2;
    s.UseBook = 0;
    s.TimePerMove = 5;
    s.MovesPerSession = 7;
    s.DefaultMovesPerSession = 9;
    s.FD = 4;
    s.ST = 1000;
    s.xboard = s.ForceMode = s.AnalyzeMode = s.RestartGame = s.Pondering = 1;
    s.TimeLeft = 123;
    s.TimeInc = 4;
    s.NPS = 777;
    s.initVars();
    EXPECT_EQ(s.HumanToMove, 1);
    EXPECT_EQ(s.PERFT + s.BenchMode + s.SATrain + s.Post + s.MimicMode + s.DoTestSuite + s.PEV, 0);
    EXPECT_EQ(s.SelfPlay + s.Trace, 0);
    EXPECT_EQ(s.GameInProgress, 1);
    EXPECT_EQ(s.GamePly, 1);
    EXPECT_EQ(s.Kibitz, 0);
    EXPECT_EQ(s.UCIMode, 0);
    EXPECT_EQ(s.UseBook, 1);
    EXPECT_EQ(s.TimePerMove, 0);
    EXPECT_EQ(s.MovesPerSession, 0);
    EXPECT_EQ(s.DefaultMovesPerSession, 50);
    EXPECT_EQ(s.FD, 0);
    EXPECT_EQ(s.ST, 0);
    // Left alone.
    EXPECT_EQ(s.xboard + s.ForceMode + s.AnalyzeMode + s.RestartGame + s.Pondering, 5);
    EXPECT_EQ(s.TimeLeft, 123);
    EXPECT_EQ(s.TimeInc, 4);
    EXPECT_EQ(s.NPS, 777);
}

TEST(Status, InitVarsKeepsTheInterfaceSettingsInUciMode)
{
    Status s;
    s.UCIMode = 1;
    s.Kibitz = 1;
    s.UseBook = 0;
    s.TimePerMove = 5;
    s.MovesPerSession = 7;
    s.DefaultMovesPerSession = 9;
    s.FD = 4;
    s.ST = 1000;
    s.GamePly = 9;
    s.initVars();
    EXPECT_EQ(s.UCIMode, 1);
    EXPECT_EQ(s.Kibitz, 1);
    EXPECT_EQ(s.UseBook, 0);
    EXPECT_EQ(s.TimePerMove, 5);
    EXPECT_EQ(s.MovesPerSession, 7);
    EXPECT_EQ(s.DefaultMovesPerSession, 9);
    EXPECT_EQ(s.FD, 4);
    EXPECT_EQ(s.ST, 1000);
    EXPECT_EQ(s.GamePly, 1);
}

u64 Squares(std::initializer_list<const char*> names)
{
    u64 m = 0;
    for (const char* n : names) m |= u64{1} << ((n[0] - 'a') + 8 * (n[1] - '1'));
    return m;
}

TEST(Status, MasksHoldTheirSquares)
{
    Status s;
    s.initVars();
    EXPECT_EQ(s.FileMask[0], 0x0101010101010101u);
    EXPECT_EQ(s.FileMask[7], 0x8080808080808080u);
    EXPECT_EQ(s.RankMask[0], 0xFFu);
    EXPECT_EQ(s.RankMask[7], 0xFF00000000000000u);
    EXPECT_EQ(s.FilesGH, s.FileMask[6] | s.FileMask[7]);
    EXPECT_EQ(s.FilesAB, s.FileMask[0] | s.FileMask[1]);
    EXPECT_EQ(s.FilesFGH, s.FileMask[5] | s.FileMask[6] | s.FileMask[7]);
    EXPECT_EQ(s.FilesABC, s.FileMask[0] | s.FileMask[1] | s.FileMask[2]);
    const u64 shortDiagonals[8] = {
        Squares({"f5", "e6", "d7"}), Squares({"c5", "d6", "e7"}), Squares({"f4", "e5", "d6"}),
        Squares({"c4", "d5", "e6"}), Squares({"d2", "e3", "f4"}), Squares({"e2", "d3", "c4"}),
        Squares({"d3", "e4", "f5"}), Squares({"e3", "d4", "c5"})};
    for (int i = 0; i < 8; i++) EXPECT_EQ(s.ShortDiagonal[i], shortDiagonals[i]) << i;
    const u64 longDiagonals[6] = {
        Squares({"h2", "g3", "f4", "e5", "d6", "c7"}), Squares({"g2", "f3", "e4", "d5", "c6", "b7"}),
        Squares({"f2", "e3", "d4", "c5", "b6", "a7"}), Squares({"c2", "d3", "e4", "f5", "g6", "h7"}),
        Squares({"b2", "c3", "d4", "e5", "f6", "g7"}), Squares({"a2", "b3", "c4", "d5", "e6", "f7"})};
    for (int i = 0; i < 6; i++) EXPECT_EQ(s.LongDiagonal[i], longDiagonals[i]) << i;
    EXPECT_EQ(s.LongDiagonal[0], 0x0004081020408000u);
    EXPECT_EQ(s.LightSquares, 0x55aa55aa55aa55aau);
    EXPECT_EQ(s.LightSquares & Squares({"a1", "h8", "c1", "f8"}), 0u);
    EXPECT_EQ(s.LightSquares & Squares({"h1", "a8", "f1", "e8"}), Squares({"h1", "a8", "f1", "e8"}));
    EXPECT_EQ(s.DarkSquares, ~s.LightSquares);
    EXPECT_EQ(s.CornerSquares, Squares({"a1", "h1", "a8", "h8"}));
    EXPECT_EQ(s.LowerHalf, s.RankMask[0] | s.RankMask[1] | s.RankMask[2] | s.RankMask[3]);
    EXPECT_EQ(s.UpperHalf, ~s.LowerHalf);
    const u64 named[32] = {s.SqH8, s.SqH7, s.SqF7, s.SqG7, s.SqH6, s.SqF6, s.SqG6, s.SqA8,
                           s.SqA7, s.SqC7, s.SqA6, s.SqB7, s.SqC6, s.SqB6, s.SqH1, s.SqH2,
                           s.SqF2, s.SqG2, s.SqH3, s.SqF3, s.SqG3, s.SqA1, s.SqA2, s.SqC2,
                           s.SqB2, s.SqA3, s.SqC3, s.SqB3, s.SqB8, s.SqG8, s.SqB1, s.SqG1};
    const char* names[32] = {"h8", "h7", "f7", "g7", "h6", "f6", "g6", "a8", "a7", "c7", "a6",
                             "b7", "c6", "b6", "h1", "h2", "f2", "g2", "h3", "f3", "g3", "a1",
                             "a2", "c2", "b2", "a3", "c3", "b3", "b8", "g8", "b1", "g1"};
    for (int i = 0; i < 32; i++) EXPECT_EQ(named[i], Squares({names[i]})) << names[i];
}

// Feeds text to the platform reader through a pipe.
class FirstWordTest : public ::testing::Test {
protected:
    void Feed(const std::string& text)
    {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
        close(fds[1]);
        fd_ = fds[0];
        SetInputDescriptor(fd_);
        saved_ = MainStatus;
        MainStatus.UCIMode = MainStatus.xboard = 0;
    }
    void TearDown() override
    {
        SetInputDescriptor(0);
        if (fd_ >= 0) close(fd_);
        MainStatus = saved_;
    }
    int fd_ = -1;
    Status saved_;
};

TEST_F(FirstWordTest, UciWordIsKeptAndTheCharacterAfterItConsumed)
{
    Feed("  uci\nisready\n");
    ReadFirstWord();
    EXPECT_STREQ(FirstWord(), "uci");
    EXPECT_EQ(MainStatus.UCIMode, 1);
    EXPECT_EQ(MainStatus.xboard, 0);
    EXPECT_EQ(ReadChar(), 'i');
}

TEST_F(FirstWordTest, XboardWord)
{
    Feed("xboard\nprotover 2\n");
    ReadFirstWord();
    EXPECT_STREQ(FirstWord(), "xboard");
    EXPECT_EQ(MainStatus.xboard, 1);
    EXPECT_EQ(MainStatus.UCIMode, 0);
}

TEST_F(FirstWordTest, LongWordIsCut)
{
    Feed(std::string(1000, 'e') + " next");
    ReadFirstWord();
    EXPECT_EQ(std::strlen(FirstWord()), static_cast<size_t>(FIRST_WORD_MAX - 1));
    char word[16];
    EXPECT_EQ(ReadWord(word, sizeof word), 4);
    EXPECT_STREQ(word, "next");
}

TEST_F(FirstWordTest, EndOfInputGivesAnEmptyWord)
{
    Feed("");
    ReadFirstWord();
    EXPECT_STREQ(FirstWord(), "");
    EXPECT_EQ(MainStatus.UCIMode + MainStatus.xboard, 0);
}

}  // namespace
