// The xboard dialect through the real binary: the old dialogue without a handshake, the version 2
// handshake, commands during a search, and the command table in process.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "common/capture.h"
#include "common/process.h"
#include "shell/humanmov.h"
#include "shell/move_referee.h"
#include "core/platform.h"
#include "core/status.h"

namespace {

using referee::DialogueLines;
using referee::IsLegalReply;
using referee::kStart;

const std::regex kOldMoveLine(R"(^(\d+)\. \.\.\. ([a-h][1-8][a-h][1-8][qrbn]?) $)");
const std::regex kMoveLine(R"(^move ([a-h][1-8][a-h][1-8][qrbn]?)$)");

const char* const kFeatures =
    "feature ping=1 setboard=1 usermove=0 san=0 time=1 draw=0 sigint=0 sigterm=0 reuse=1 "
    "analyze=1 colors=1 myname=\"Vorn 1.005-64\" done=1";

// The first ten lines of the start diagram (the last two follow after other output).
const std::vector<std::string> kStartRows = [] {
    std::vector<std::string> rows = referee::Lines(kStartDiagram);
    rows.resize(10);
    return rows;
}();

// Reads the next line that is not the search's own; false when none comes in time.
bool NextLine(VornProcess& vorn, std::string* line, int timeoutMs = 20000)
{
    while (vorn.ReadLine(line, timeoutMs))
        if (!referee::IsSearchNoise(*line)) return true;
    return false;
}

// Reads a board diagram ("displayboard") and returns its first ten lines.
std::vector<std::string> ReadDiagram(VornProcess& vorn)
{
    std::vector<std::string> rows;
    std::string line;
    while (rows.size() < kStartRows.size() && NextLine(vorn, &line)) rows.push_back(line);
    return rows;
}

// Starts an xboard session with the version 2 handshake and checks the feature line.
void Handshake(VornProcess& vorn)
{
    vorn.Send("xboard\nprotover 2\n");
    std::string line;
    ASSERT_TRUE(NextLine(vorn, &line));
    ASSERT_EQ(line, "Vorn ");
    ASSERT_TRUE(NextLine(vorn, &line));
    ASSERT_EQ(line, kFeatures);
}

// Feeds text to DoCommand's argument reads through a pipe standing in for standard input.
class CommandInput {
public:
    explicit CommandInput(const std::string& text)
    {
        int fds[2];
        if (pipe(fds) != 0) return;
        if (write(fds[1], text.data(), text.size()) != static_cast<ssize_t>(text.size())) return;
        close(fds[1]);
        fd_ = fds[0];
        SetInputDescriptor(fd_);
    }
    ~CommandInput()
    {
        SetInputDescriptor(0);
        if (fd_ >= 0) close(fd_);
    }

private:
    int fd_ = -1;
};

TEST(XboardOld, AnswersAMoveWithANumberedLine)
{
    const RunResult r = RunVorn({}, "xboard\nnew\nst 1\ne2e4\n");
    EXPECT_EQ(r.exitStatus, 0);
    const auto lines = DialogueLines(r.output);
    ASSERT_EQ(lines.size(), 3u) << r.output;
    EXPECT_EQ(lines[0], "Vorn ");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[1], m, kOldMoveLine)) << lines[1];
    EXPECT_EQ(m[1], "1");
    EXPECT_TRUE(IsLegalReply(kStart, {"e2e4"}, m[2])) << m[2];
    EXPECT_EQ(lines[2], "Bye, Thanks for the match.");
}

TEST(XboardOld, ForceTakesMovesOfBothSidesAndGoMovesForTheSideToMove)
{
    const RunResult r = RunVorn({}, "xboard\nnew\nst 1\nforce\ne2e4\ne7e5\ngo\n");
    const auto lines = DialogueLines(r.output);
    ASSERT_EQ(lines.size(), 3u) << r.output;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[1], m, kOldMoveLine)) << lines[1];
    EXPECT_TRUE(IsLegalReply(kStart, {"e2e4", "e7e5"}, m[2])) << m[2];
}

TEST(XboardOld, MoveNumbersCountFullMoves)
{
    // The engine plays black twice: its first move is number 1, its second number 2.
    const RunResult r = RunVorn({}, "xboard\nnew\nst 1\ng1f3\ng2g3\n");
    const auto lines = DialogueLines(r.output);
    ASSERT_EQ(lines.size(), 4u) << r.output;
    std::smatch first, second;
    ASSERT_TRUE(std::regex_match(lines[1], first, kOldMoveLine)) << lines[1];
    ASSERT_TRUE(std::regex_match(lines[2], second, kOldMoveLine)) << lines[2];
    EXPECT_EQ(first[1], "1");
    EXPECT_EQ(second[1], "2");
    EXPECT_TRUE(IsLegalReply(kStart, {"g1f3", first[2], "g2g3"}, second[2])) << second[2];
}

TEST(XboardOld, SetboardThenGoSearchesThatPosition)
{
    const std::string fen = "4k3/8/8/8/8/8/4P3/4K3 b - - 0 1";
    const RunResult r = RunVorn({}, "xboard\nnew\nst 1\nforce\nsetboard " + fen + "\ngo\n");
    const auto lines = DialogueLines(r.output);
    ASSERT_EQ(lines.size(), 3u) << r.output;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[1], m, kOldMoveLine)) << lines[1];
    EXPECT_TRUE(IsLegalReply(fen, {}, m[2])) << m[2];
}

TEST(XboardOld, SetboardRefusesAPositionWithoutKings)
{
    const RunResult r =
        RunVorn({}, "xboard\nnew\nforce\nsetboard 8/8/8/8/8/8/4P3/8 w - - 0 1\ndisplayboard\n");
    const auto lines = DialogueLines(r.output);
    ASSERT_GE(lines.size(), 12u) << r.output;
    EXPECT_EQ(lines[1], "tellusererror Illegal position");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.begin() + 12), kStartRows);
}

TEST(XboardOld, EditBuildsThePositionAndItsCastlingRights)
{
    // King e1 with a rook on h1 only: castling short is legal, long is not.
    const RunResult r = RunVorn(
        {}, "xboard\nnew\nforce\nedit\n#\nKe1\nRh1\nc\nKe8\n.\ne1c1\ne1g1\ndisplayboard\n");
    const auto lines = DialogueLines(r.output);
    ASSERT_GE(lines.size(), 12u) << r.output;
    EXPECT_EQ(lines[1], "Illegal move: e1c1");
    const std::vector<std::string> expected = {
        "   A B C D E F G H",     "",
        "8  - - - - k - - -  8", "7  - - - - - - - -  7", "6  - - - - - - - -  6",
        "5  - - - - - - - -  5", "4  - - - - - - - -  4", "3  - - - - - - - -  3",
        "2  - - - - - - - -  2", "1  - - - - - R K -  1",
    };
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.begin() + 12), expected);
}

TEST(XboardOld, IllegalOrOffBoardMovesAreRefusedAndNothingIsPlayed)
{
    const RunResult r =
        RunVorn({}, "xboard\nnew\nforce\ne2e5\na0a1\ne7e5\ne2e4x\nz9\ne9e4\ndisplayboard\n");
    const auto lines = DialogueLines(r.output);
    ASSERT_GE(lines.size(), 15u) << r.output;
    EXPECT_EQ(lines[1], "Illegal move: e2e5");
    EXPECT_EQ(lines[2], "Illegal move: a0a1");
    EXPECT_EQ(lines[3], "Illegal move: e7e5");
    EXPECT_EQ(lines[4], "Illegal move: e2e4x");
    // Words that are not moves ("z9", "e9e4") are ignored without a reply.
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.begin() + 15), kStartRows);
}

TEST(XboardOld, UnderPromotionIsLegalWhenTheQueenPromotionIs)
{
    const RunResult r = RunVorn(
        {}, "xboard\nnew\nforce\nsetboard 8/4P3/8/8/8/8/k7/4K3 w - - 0 1\ne7e8x\ne7e8n\ndisplayboard\n");
    const auto lines = DialogueLines(r.output);
    ASSERT_GE(lines.size(), 5u) << r.output;
    EXPECT_EQ(lines[1], "Illegal move: e7e8x");
    EXPECT_EQ(lines[2], "   A B C D E F G H");
    EXPECT_EQ(lines[4], "8  - - - - N - - -  8");
}

TEST(XboardOld, CastlingRightIsLostWhenTheRookIsTakenInItsCorner)
{
    // The bishop takes the rook on h1 and the other rook steps into the corner: white may no
    // longer castle, though king and rook stand on their squares again.
    const RunResult r = RunVorn(
        {}, "xboard\nnew\nforce\nsetboard 4k3/8/8/8/8/8/6b1/4K1RR b K - 0 1\ng2h1\ng1h1\ne8d8\n"
            "e1g1\n");
    const auto lines = DialogueLines(r.output);
    ASSERT_EQ(lines.size(), 3u) << r.output;
    EXPECT_EQ(lines[1], "Illegal move: e1g1");
}

TEST(XboardOld, QuestionMarkMakesTheEngineMoveNow)
{
    VornProcess vorn;
    vorn.Send("xboard\nnew\nst 1000\ne2e4\n");
    std::string line;
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_EQ(line, "Vorn ");
    // A status line while it thinks, then the move at once.
    vorn.Send(".\n");
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_TRUE(std::regex_match(line, std::regex(R"(^stat01: \d+ \d+ \d+ -?\d+ \d+$)"))) << line;
    vorn.Send("?\n");
    ASSERT_TRUE(NextLine(vorn, &line));
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, kOldMoveLine)) << line;
    EXPECT_TRUE(IsLegalReply(kStart, {"e2e4"}, m[2])) << m[2];
    vorn.Send("quit\n");
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_EQ(line, "Bye, Thanks for the match.");
    EXPECT_EQ(vorn.Wait(5000), 0);
}

TEST(XboardOld, LevelAndTimeGiveTheEngineAClock)
{
    const RunResult r = RunVorn({}, "xboard\nnew\nlevel 40 0:30 0\ntime 3000\notim 3000\nd2d4\n");
    const auto lines = DialogueLines(r.output);
    ASSERT_EQ(lines.size(), 3u) << r.output;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[1], m, kOldMoveLine)) << lines[1];
    EXPECT_TRUE(IsLegalReply(kStart, {"d2d4"}, m[2])) << m[2];
}

TEST(XboardHandshake, ProtoverGetsTheFeaturesAndPingGetsPong)
{
    VornProcess vorn;
    Handshake(vorn);
    vorn.Send("ping 17\nnew\nping 18\n");
    std::string line;
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_EQ(line, "pong 17");
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_EQ(line, "pong 18");
    vorn.CloseInput();
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_EQ(line, "Bye, Thanks for the match.");
    EXPECT_EQ(vorn.Wait(5000), 0);
}

TEST(XboardHandshake, FeatureRepliesAreNotTakenForCommands)
{
    VornProcess vorn;
    Handshake(vorn);
    vorn.Send("accepted ping\naccepted setboard\nrejected usermove\nping 3\n");
    std::string line;
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_EQ(line, "pong 3");
}

TEST(XboardHandshake, EngineMovesGoAsMoveLines)
{
    VornProcess vorn;
    Handshake(vorn);
    vorn.Send("new\nst 1\ne2e4\n");
    std::string line;
    ASSERT_TRUE(NextLine(vorn, &line));
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, kMoveLine)) << line;
    const std::string reply = m[1];
    EXPECT_TRUE(IsLegalReply(kStart, {"e2e4"}, reply)) << reply;
    vorn.Send("g1f3\n");
    ASSERT_TRUE(NextLine(vorn, &line));
    ASSERT_TRUE(std::regex_match(line, m, kMoveLine)) << line;
    EXPECT_TRUE(IsLegalReply(kStart, {"e2e4", reply, "g1f3"}, m[1])) << m[1];
}

TEST(XboardHandshake, PingDuringTheSearchIsAnsweredAfterTheMove)
{
    VornProcess vorn;
    Handshake(vorn);
    vorn.Send("new\nst 1000\ne2e4\nping 5\n?\n");
    std::string line;
    ASSERT_TRUE(NextLine(vorn, &line));
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, kMoveLine)) << line;
    EXPECT_TRUE(IsLegalReply(kStart, {"e2e4"}, m[1])) << m[1];
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_EQ(line, "pong 5");
}

TEST(XboardHandshake, NewDuringTheSearchSendsNoMoveAndStartsAFreshGame)
{
    VornProcess vorn;
    Handshake(vorn);
    vorn.Send("new\nst 1000\ne2e4\n");
    usleep(300000);
    vorn.Send("new\nping 1\ndisplayboard\n");
    std::string line;
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_EQ(line, "pong 1");
    EXPECT_EQ(ReadDiagram(vorn), kStartRows);
    // The new game goes on normally.
    vorn.Send("st 1\nd2d4\n");
    while (NextLine(vorn, &line) && line.rfind("move ", 0) != 0) {
    }
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, kMoveLine)) << line;
    EXPECT_TRUE(IsLegalReply(kStart, {"d2d4"}, m[1])) << m[1];
}

TEST(XboardHandshake, ForceSetboardAndEditDuringTheSearchKeepTheirBoard)
{
    const std::vector<std::string> afterE4 = {
        "   A B C D E F G H",     "",
        "8  r n b q k b n r  8", "7  p p p p p p p p  7", "6  - - - - - - - -  6",
        "5  - - - - - - - -  5", "4  - - - - P - - -  4", "3  - - - - - - - -  3",
        "2  P P P P - P P P  2", "1  R N B Q K B N R  1",
    };
    const std::vector<std::string> lone = {
        "   A B C D E F G H",     "",
        "8  - - - - k - - -  8", "7  - - - - - - - -  7", "6  - - - - - - - -  6",
        "5  - - - - - - - -  5", "4  - - - - - - - -  4", "3  - - - - - - - -  3",
        "2  - - - - - - - -  2", "1  - - - - K - - -  1",
    };
    struct Case {
        std::string command;
        std::vector<std::string> board;
    };
    const Case cases[] = {
        {"force\n", afterE4},
        {"setboard 4k3/8/8/8/8/8/8/4K3 w - - 0 1\n", lone},
        {"edit\n#\nKe1\nc\nKe8\n.\n", lone},
        {"abort\n", kStartRows},
    };
    for (const Case& c : cases) {
        VornProcess vorn;
        Handshake(vorn);
        vorn.Send("new\nst 1000\ne2e4\n");
        usleep(300000);
        vorn.Send(c.command + "ping 9\ndisplayboard\n");
        std::string line;
        ASSERT_TRUE(NextLine(vorn, &line)) << c.command;
        EXPECT_EQ(line, "pong 9") << c.command;
        EXPECT_EQ(ReadDiagram(vorn), c.board) << c.command;
    }
}

TEST(XboardHandshake, MateByTheEngineEndsTheGameAndANewGameFollows)
{
    VornProcess vorn;
    Handshake(vorn);
    vorn.Send("new\nforce\nsetboard 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1\nst 1\ngo\n");
    std::string line;
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_EQ(line, "move d1d8");
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_EQ(line, "White mates!");
    // The engine stays for the next game.
    vorn.Send("new\nst 1\ne2e4\n");
    ASSERT_TRUE(NextLine(vorn, &line));
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, kMoveLine)) << line;
    EXPECT_TRUE(IsLegalReply(kStart, {"e2e4"}, m[1])) << m[1];
}

TEST(XboardHandshake, MateByTheOpponentIsSeen)
{
    VornProcess vorn;
    Handshake(vorn);
    vorn.Send("new\nsetboard 3r2k1/8/8/8/8/8/5PPP/6K1 b - - 0 1\nd8d1\nping 2\n");
    std::string line;
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_EQ(line, "Black mates!");
    // No move is asked of the mated engine; it still answers.
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_EQ(line, "pong 2");
}

TEST(XboardHandshake, QuitDuringTheSearchEndsAtOnce)
{
    VornProcess vorn;
    Handshake(vorn);
    vorn.Send("new\nst 1000\ne2e4\n");
    usleep(300000);
    vorn.Send("quit\n");
    std::string line;
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_EQ(line, "Bye, Thanks for the match.");
    EXPECT_EQ(vorn.Wait(5000), 0);
}

TEST(XboardHandshake, EndOfInputDuringTheSearchEndsAfterTheMove)
{
    VornProcess vorn;
    Handshake(vorn);
    vorn.Send("new\nst 1\ne2e4\n");
    vorn.CloseInput();
    std::string line;
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_TRUE(std::regex_match(line, kMoveLine)) << line;
    ASSERT_TRUE(NextLine(vorn, &line));
    EXPECT_EQ(line, "Bye, Thanks for the match.");
    EXPECT_EQ(vorn.Wait(5000), 0);
}

TEST(XboardHandshake, AnalysisFollowsTheMovesAndExitLeavesTheBoard)
{
    VornProcess vorn;
    Handshake(vorn);
    vorn.Send("new\nforce\npost\nanalyze\n");
    usleep(300000);
    vorn.Send("e2e4\n");
    usleep(300000);
    vorn.Send("e7e5\n");
    usleep(300000);
    vorn.Send("exit\nping 4\ndisplayboard\n");
    std::string line;
    while (NextLine(vorn, &line) && line != "pong 4") {
        // Thinking lines only: depth, score, time, nodes and the line.
        EXPECT_TRUE(std::regex_match(line, std::regex(R"(^\d+ -?\d+ \d+ \d+ .*$|^stat01: .*$)")))
            << line;
    }
    EXPECT_EQ(line, "pong 4");
    const std::vector<std::string> expected = {
        "   A B C D E F G H",     "",
        "8  r n b q k b n r  8", "7  p p p p - p p p  7", "6  - - - - - - - -  6",
        "5  - - - - p - - -  5", "4  - - - - P - - -  4", "3  - - - - - - - -  3",
        "2  P P P P - P P P  2", "1  R N B Q K B N R  1",
    };
    EXPECT_EQ(ReadDiagram(vorn), expected);
}

TEST(XboardHandshake, FinishedAnalysisWaitsForExitAndKeepsTheBoard)
{
    VornProcess vorn;
    Handshake(vorn);
    // The mate is found at once; the analysis still waits, answers and plays nothing.
    vorn.Send("new\nforce\nsetboard 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1\nanalyze\n");
    usleep(500000);
    vorn.Send("ping 1\n");
    std::string line;
    while (NextLine(vorn, &line) && line != "pong 1") {
    }
    EXPECT_EQ(line, "pong 1");
    vorn.Send("exit\nping 2\ndisplayboard\n");
    while (NextLine(vorn, &line) && line != "pong 2") {
    }
    EXPECT_EQ(line, "pong 2");
    const auto board = ReadDiagram(vorn);
    ASSERT_EQ(board.size(), 10u);
    EXPECT_EQ(board[2], "8  - - - - - - k -  8");
    EXPECT_EQ(board[9], "1  - - - R - - K -  1");
}

TEST(XboardHandshake, EndOfInputEndsAnAnalysis)
{
    VornProcess vorn;
    Handshake(vorn);
    vorn.Send("new\nanalyze\n");
    usleep(300000);
    vorn.CloseInput();
    std::string line;
    while (NextLine(vorn, &line) && line != "Bye, Thanks for the match.") {
    }
    EXPECT_EQ(line, "Bye, Thanks for the match.");
    EXPECT_EQ(vorn.Wait(5000), 0);
}

TEST(XboardCommands, EngineMoveLineCarriesThePromotionLetter)
{
    const u64 e7 = u64{1} << 52, e8 = u64{1} << 60, e2 = u64{1} << 12, e4 = u64{1} << 28;
    MainStatus.GamePly = 3;
    Interpreter.Protover = 0;
    EXPECT_EQ(CaptureStdout([&] { MakeGUIMove(e7, e8, 'Q', 0); }), "2. ... e7e8q \n");
    EXPECT_EQ(CaptureStdout([&] { MakeGUIMove(e2, e4, NOPROMOTION, 0); }), "2. ... e2e4 \n");
    Interpreter.Protover = 2;
    EXPECT_EQ(CaptureStdout([&] { MakeGUIMove(e7, e8, 'Q', 0); }), "move e7e8q\n");
    EXPECT_EQ(CaptureStdout([&] { MakeGUIMove(e2, e4, NOPROMOTION, 0); }), "move e2e4\n");
    Interpreter.Protover = 0;
    MainStatus.GamePly = 1;
}

TEST(XboardCommands, LevelTimeAndStSetTheClockInMilliseconds)
{
    Status& st = MainStatus;
    {
        CommandInput in("40 5 0\n");
        EXPECT_EQ(DoCommand("level"), CMD_HANDLED);
        EXPECT_EQ(st.MovesPerSession, 40);
        EXPECT_EQ(st.TimeLeft, 300000);
        EXPECT_EQ(st.TimeInc, 0);
    }
    {
        CommandInput in("0 2:30 12\n");
        DoCommand("level");
        EXPECT_EQ(st.MovesPerSession, 0);
        EXPECT_EQ(st.TimeLeft, 150000);
        EXPECT_EQ(st.TimeInc, 12);
    }
    {
        CommandInput in("6000\n");
        DoCommand("time");
        EXPECT_EQ(st.TimeLeft, 60000);
    }
    {
        CommandInput in("99999999999\n");
        DoCommand("time");
        EXPECT_EQ(st.TimeLeft, INT32_MAX);
    }
    {
        CommandInput in("3\n");
        DoCommand("st");
        EXPECT_EQ(st.ST, 3000);
        EXPECT_EQ(st.TimePerMove, 2700);
        EXPECT_EQ(st.TimeLeft, 180000);
    }
    st.initVars();
}

TEST(XboardCommands, AnalysisKeepsTheFixedTimeAndExitGivesItBack)
{
    Status& st = MainStatus;
    st.ST = 5000;
    EXPECT_EQ(DoCommand("analyze"), CMD_END);
    EXPECT_EQ(st.ST, 5000);
    EXPECT_EQ(st.AnalyzeMode, 1);
    EXPECT_EQ(DoCommand("exit"), CMD_END);
    EXPECT_EQ(st.AnalyzeMode, 0);
    EXPECT_EQ(st.ST, 5000);
    // Without a fixed time analysis has no end, and leaving it restores "none".
    st.ST = 0;
    DoCommand("analyze");
    EXPECT_GT(st.ST, 1000000000);
    DoCommand("exit");
    EXPECT_EQ(st.ST, 0);
    st.initVars();
}

TEST(XboardCommands, BookToggleTwiceRestoresItAndIsIgnoredInAnalysis)
{
    Status& st = MainStatus;
    const u8 before = st.UseBook;
    DoCommand("bk");
    EXPECT_NE(st.UseBook, before);
    DoCommand("bk");
    EXPECT_EQ(st.UseBook, before);
    st.AnalyzeMode = 1;
    DoCommand("bk");
    EXPECT_EQ(st.UseBook, before);
    st.AnalyzeMode = 0;
}

TEST(XboardCommands, MoveWordsAndUnknownWords)
{
    EXPECT_EQ(DoCommand("e2e4"), CMD_MOVE);
    EXPECT_EQ(DoCommand("a0"), CMD_MOVE);
    EXPECT_EQ(DoCommand("e9e4"), CMD_HANDLED);
    EXPECT_EQ(DoCommand("i2i4"), CMD_HANDLED);
    EXPECT_EQ(DoCommand("hint"), CMD_HANDLED);
    EXPECT_EQ(DoCommand("Force"), CMD_HANDLED);
    EXPECT_EQ(MainStatus.ForceMode, 0);
}

}  // namespace
