// The contracts interfaces and scripts rely on, through the real binary: search limits, commands
// queued during a search, long games, unsound positions, game ends and the output formats.

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "common/process.h"
#include "core/status.h"
#include "search/hashtab.h"
#include "shell/uci.h"

namespace {

std::vector<std::string> LinesOf(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

std::vector<std::string> Starting(const std::string &text, const std::string &prefix)
{
    std::vector<std::string> out;
    for (const auto &l : LinesOf(text))
        if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
}

bool Has(const std::string &text, const std::string &line)
{
    for (const auto &l : LinesOf(text))
        if (l == line) return true;
    return false;
}

// Every expected line appears, in this order, among the lines.
void ExpectInOrder(const std::vector<std::string> &lines, const std::vector<std::string> &expected,
                   const char *name, const std::string &output)
{
    size_t at = 0;
    for (const std::string &want : expected) {
        while (at < lines.size() && lines[at] != want)
            at++;
        EXPECT_LT(at, lines.size()) << name << ": missing \"" << want << "\"\n" << output;
    }
}

// The word after "bestmove".
std::string MoveOf(const std::string &bestmove)
{
    return bestmove.substr(9, bestmove.find(' ', 9) - 9);
}

RunResult Uci(const std::string &commands, int timeoutMs = 20000)
{
    return RunVorn({}, "uci\n" + commands, timeoutMs);
}

// --- UCI ---

// Each case: commands after "uci", and lines that must appear in order in the answer.
struct UciCase {
    const char *name;
    const char *input;
    std::vector<std::string> expected;
};

TEST(UciContract, RepliesInOrder)
{
    const UciCase cases[] = {
        {"unsound positions are refused until a sound one comes",
         "position fen 4k3/8/8/8/8/8/4R3/4K3 w - - 0 1\ngo depth 3\n"
         "position fen 8/8/8/8/8/8/8/8 w - - 0 1\ngo depth 1\n"
         "position fen k7/8/8/8/8/8/8/K6P w - - 0 1\ngo depth 1\nisready\n",
         {"info string refused position: the side not to move is in check", "bestmove 0000",
          "info string refused position: no white king", "bestmove 0000",
          "info string refused position: a pawn on the first or last rank", "bestmove 0000",
          "readyok"}},
        {"commands are whole words; strays do nothing",
         "goat\nquitter\nponderhit\nstop\nisready\n",
         {"info string unknown command: goat", "info string unknown command: quitter", "readyok"}},
        {"every go ends with a bestmove, Mimic on its own line",
         "position startpos\ngo depth 1 Mimic Student\nisready\n",
         {"Mimic info Student", "readyok"}},
        {"unknown options are named, never an error",
         "setoption name NoSuchThing value 3\nisready\n",
         {"info string unknown option: NoSuchThing", "readyok"}},
    };
    for (const UciCase &c : cases) {
        const RunResult r = Uci(c.input);
        const auto lines = LinesOf(r.output);
        ExpectInOrder(lines, c.expected, c.name, r.output);
        // Nothing but the protocol reaches the interface.
        for (const auto &l : lines)
            EXPECT_TRUE(std::regex_match(
                l, std::regex("(id|option|uciok|readyok|info|bestmove|Mimic) ?.*")))
                << c.name << ": " << l;
    }
}

TEST(UciContract, ScoreLinesCarryEveryFieldAndMatesAreInMoves)
{
    const RunResult r = Uci("position fen k7/8/2K5/8/8/8/8/7R w - - 0 1\ngo depth 5\n"
                            "position fen k7/8/1QK5/8/8/8/8/8 b - - 0 1\ngo depth 3\n"
                            "position fen k7/1Q6/1K6/8/8/8/8/8 b - - 0 1\ngo depth 3\n");
    const std::regex line("info depth \\d+ seldepth \\d+ score (cp -?\\d+|mate -?\\d+)( lowerbound)? "
                          "nodes \\d+ nps \\d+ hashfull \\d+ time \\d+( pv( [a-h][1-8][a-h][1-8][qrbn]?)+ )?");
    for (const auto &l : Starting(r.output, "info")) {
        if (l.find(" score ") == std::string::npos) continue;
        EXPECT_TRUE(std::regex_match(l, line)) << l;
    }
    EXPECT_NE(r.output.find("score mate 2 "), std::string::npos) << r.output;
    // Mated and stalemated roots.
    EXPECT_NE(r.output.find("score mate 0 "), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("score cp 0 "), std::string::npos) << r.output;
    EXPECT_EQ(Starting(r.output, "bestmove").size(), 3u);
}

// The options an interface sets, and what each one does.
TEST(UciContract, OptionsTakeEffect)
{
    const RunResult r = Uci("isready\n");
    for (const char *option : {"option name Hash type spin default 128 min 1 max 131072",
                               "option name Clear Hash type button",
                               "option name Threads type spin default 1 min 1 max 256",
                               "option name Move Overhead type spin default 0 min 0 max 5000"})
        EXPECT_TRUE(Has(r.output, option)) << option;
    auto command = [](const char *line) { UCI.Command(line); };
    TranspositionTables &t = PositionCache;
    const Status saved = MainStatus;
    // 15 MB hold 2^17 buckets of 64 bytes (8 MB); 128 MB give the default 2^21 buckets again.
    command("setoption name Hash value 15");
    EXPECT_EQ(t.BucketCount, (u64{1} << 17) + 3);
    EXPECT_EQ(t.Megabytes(), 8u);
    command("setoption name Hash value 128");
    EXPECT_EQ(t.BucketCount, u64{TTABLESIZE});
    // A stored entry answers a probe until the table is cleared.
    t.InsertTranspositionTables(1, 77, 0, 4, 5, 123, TT_EXACT, -1000, 1000);
    i32 value = 0, move = 0;
    EXPECT_EQ(t.SearchTranspositionTables(1, 77, 0, 4, -1000, 1000, &value, &move), TT_EXACT);
    command("setoption name Clear Hash");
    EXPECT_EQ(t.SearchTranspositionTables(1, 77, 0, 4, -1000, 1000, &value, &move), TT_NOCUT);
    command("setoption name Move Overhead value 300");
    EXPECT_EQ(MainStatus.MoveOverhead, 300);
    MainStatus = saved;
}

// A depth beside a clock or a move time is a ceiling; nodes stop the search; a depth alone is
// still exact.
TEST(UciContract, LimitsCombine)
{
    const RunResult r = Uci("position startpos\ngo wtime 300 btime 300 depth 40\n"
                            "go movetime 200 depth 40\ngo nodes 30000\ngo depth 4\n",
                            30000);
    ASSERT_NE(r.exitStatus, -1) << "a limit was ignored: no move in 30 s\n" << r.output;
    EXPECT_EQ(Starting(r.output, "bestmove").size(), 4u) << r.output;
    // The third search: its last line counts at least the nodes asked for, and not many more
    // than the last iteration could add.
    std::vector<long long> nodes;
    std::vector<int> depths;
    int search = 0;
    for (const auto &l : LinesOf(r.output)) {
        if (l.rfind("bestmove", 0) == 0) search++;
        std::smatch m;
        if (std::regex_search(l, m, std::regex("^info depth (\\d+) .* nodes (\\d+) ")) &&
            search == 2)
            nodes.push_back(std::stoll(m[2]));
        if (std::regex_search(l, m, std::regex("^info depth (\\d+) ")) && search == 3)
            depths.push_back(std::stoi(m[1]));
    }
    ASSERT_FALSE(nodes.empty());
    EXPECT_GE(nodes.back(), 30000);
    EXPECT_LT(nodes.back(), 200000);
    ASSERT_FALSE(depths.empty());
    EXPECT_EQ(depths.back(), 4);
}

// A game of 2,000 plies (the knights shuffle) plays on, with its repetitions seen.
TEST(UciContract, LongGamesPlay)
{
    const char *shuffle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    std::string line = "position startpos moves";
    for (int i = 0; i < 2001; i++)
        line += std::string(" ") + shuffle[i % 4];
    const RunResult r = Uci(line + "\ngo depth 4\n");
    const auto best = Starting(r.output, "bestmove");
    ASSERT_EQ(best.size(), 1u) << r.output;
    EXPECT_TRUE(MoveOf(best[0]) != "0000" && MoveOf(best[0])[1] >= '6') << best[0];
    EXPECT_EQ(r.output.find("ERROR"), std::string::npos);
}

// --- xboard and the console ---

struct DialogueCase {
    const char *name;
    const char *input;
    std::vector<std::string> expected; // in order
    std::vector<std::string> absent;
};

TEST(XboardContract, RepliesInOrder)
{
    const DialogueCase cases[] = {
        {"a missing argument eats no line",
         "level 40 5\nping 1\ntime\nping 2\nsd\nping 3\n",
         {"Error (missing argument): level", "pong 1", "Error (missing argument): time", "pong 2",
          "Error (missing argument): sd", "pong 3"},
         {}},
        {"unknown words are reported, their lines dropped",
         "variant edit\nE2E4\n0000\nping 4\n",
         {"Error (unknown command): variant", "Error (unknown command): E2E4",
          "Error (unknown command): 0000", "pong 4"},
         {}},
        {"take-backs go back in force mode, never into the last game",
         "force\ne2e4\ne7e5\nundo\ne7e6\nremove\nd2d4\nping 5\nnew\nundo\n",
         {"pong 5", "Error (no move to take back): undo"},
         {"Illegal move: e7e6", "Illegal move: d2d4"}},
        {"white and black keep the position sound",
         "setboard 4k3/8/8/8/8/8/8/4RK2 b - - 0 1\nwhite\nsd 2\ngo\nping 8\n",
         {"tellusererror Illegal position", "pong 8"},
         {"move e1e8"}},
        {"a depth limit holds under a level", "new\nlevel 40 60 0\nsd 2\ngo\n", {"move e2e4"}, {}},
        {"mate is sent as a result",
         "setboard 7k/8/6K1/8/8/8/8/R7 w - - 0 1\nsd 3\ngo\n",
         {"move a1a8", "1-0 {White mates}"},
         {}},
        {"a dead position is a draw",
         "setboard 8/8/8/4k3/8/8/3n4/4K3 w - - 0 1\nsd 3\ngo\n",
         {"1/2-1/2 {Draw by insufficient material}"},
         {}},
        {"king, bishop and pawn against king plays on",
         "setboard 8/8/8/4k3/8/8/3nPB2/4K3 w - - 0 1\nforce\ne1d2\nping 6\n",
         {"pong 6"},
         {"1/2-1/2 {Draw by insufficient material}"}},
    };
    for (const DialogueCase &c : cases) {
        const RunResult r = RunVorn({}, std::string("xboard\nprotover 2\n") + c.input, 20000);
        const auto lines = LinesOf(r.output);
        ExpectInOrder(lines, c.expected, c.name, r.output);
        for (const std::string &never : c.absent)
            EXPECT_FALSE(Has(r.output, never)) << c.name;
    }
}

// Thinking lines give the time in centiseconds; a "time" sent during the search waits for the
// move; "?" leaves the thinking output on.
TEST(XboardContract, ThinkingTimeIsInCentiseconds)
{
    VornProcess v;
    v.Send("xboard\nprotover 2\npost\nst 1\ngo\n");
    std::string line;
    v.Send("time 100\n?\n");
    ASSERT_TRUE(v.WaitFor("move ", &line, 10000));
    std::vector<std::string> seen;
    v.Send("force\nnew\npost\nst 1\ngo\n");
    ASSERT_TRUE(v.WaitFor("move ", &line, 10000, &seen));
    int longest = -1;
    for (const auto &l : seen) {
        std::smatch m;
        if (std::regex_match(l, m, std::regex("\\d+ -?\\d+ (\\d+) \\d+ .*")))
            longest = std::stoi(m[1]);
    }
    EXPECT_GE(longest, 20) << "thinking lines after a search of about a second";
}

TEST(ConsoleContract, TalksAndAnalysisEnds)
{
    const RunResult game = Converse({"-fd", "2"}, {"hello\ne2e4\n", "help\nquit\n"});
    EXPECT_TRUE(
        std::regex_search(game.output, std::regex("My move: [a-h][1-8][a-h][1-8]\nGame Score")))
        << game.output;
    EXPECT_NE(game.output.find("undo, remove     take back one move, or two"), std::string::npos);
    // An analysis at the console reads its input: exit ends it, quit ends the program.
    const RunResult analysis = RunVorn({}, "hello\nanalyze\nexit\nquit\n", 20000);
    EXPECT_EQ(analysis.exitStatus, 0) << analysis.output;
    EXPECT_NE(analysis.output.find("Bye, Thanks for the match."), std::string::npos);
}

} // namespace
