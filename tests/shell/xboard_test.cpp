// The xboard and console dialects: exact transcripts of the real binary for whole dialogues,
// the engine's thinking lines left out (searches have a depth limit, so their moves are fixed),
// the answers while the engine thinks, and the clock commands in process.

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include <unistd.h>

#include "common/process.h"
#include "common/reference.h"
#include "core/platform.h"
#include "core/status.h"
#include "shell/xboard.h"

namespace {

using Lines = std::vector<std::string>;

const char *const FEATURES =
    "feature ping=1 setboard=1 usermove=0 san=0 time=1 draw=0 sigint=0 sigterm=0 reuse=1 "
    "analyze=1 colors=1 memory=1 smp=1 exclude=1 myname=\"Vorn 1.005-64\" "
    "variants=\"normal,fischerandom\" option=\"MultiPV -spin 1 1 256\" "
    "option=\"UCI_LimitStrength -check 0\" option=\"BookFile -file \" "
    "option=\"Best Book Move -check 0\" option=\"UCI_Elo -spin 1900 1350 1900\" "
    "option=\"Skill Level -spin 20 0 20\" done=1";
const char *const START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";
const char *const BYE = "Bye, Thanks for the match.";

// The board diagram of a FEN placement with the evaluation line that follows it.
Lines Diagram(const std::string &placement, int eval)
{
    Lines out = {"   A B C D E F G H", ""};
    std::istringstream ranks(placement);
    int rank = 8;
    for (std::string row; std::getline(ranks, row, '/'); rank--) {
        std::string line = std::to_string(rank) + " ";
        for (char c : row)
            for (int n = std::isdigit(c) ? c - '0' : 1; n > 0; n--)
                line += std::string(" ") + (std::isdigit(c) ? '-' : c);
        out.push_back(line + "  " + std::to_string(rank));
    }
    out.insert(out.end(),
               {"", "   A B C D E F G H", "", " PosEval from White view " + std::to_string(eval)});
    return out;
}

Lines Join(std::initializer_list<Lines> parts)
{
    Lines out;
    for (const Lines &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// An interface hears neither the greeting nor the farewell.
Lines Xboard(Lines lines)
{
    return Join({{FEATURES}, lines});
}
Lines Console(Lines lines)
{
    return Join(
        {{"Vorn ", "", "Hello! I am Vorn.", "MAXDEPTH = 56"}, Diagram(START, 0), lines, {BYE}});
}
const Lines CONSOLE_CLOCK = {"Time Per Move = 0", "Time Left = 0", "DefaultMovesPerSession = 50"};
const Lines DEPTH_3 = {"Enter Move: sd", "setting MAXDEPTH", "scanstring sd", "MAXDEPTH 3"};

// Where a dialogue waits for the engine's answer before it goes on.
const std::string THEN = "@then\n";

struct Dialogue {
    std::string input; // parts separated by THEN
    Lines transcript;  // "move *": a move legal after 1.e4
};

std::vector<Dialogue> Dialogues()
{
    const char *const afterE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR";
    const char *const kings = "4k3/8/8/8/8/8/8/4K3";
    const char *const backRank = "setboard 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1\n";
    const std::string timed = "new\nst 1000\ne2e4\n",
                      promotion = "setboard k7/2P5/1K6/8/8/8/8/8 w - - 0 1\ngo\n";
    return {
        {"xboard\nprotover 2\nping 17\nnew\naccepted ping\nrejected usermove\nping 18\nsd "
         "3\ne2e4\nping 5\n" +
             THEN + "new\nsetboard 3r2k1/8/8/8/8/8/5PPP/6K1 b - - 0 1\nd8d1\nping 2\n" +
             "new\nsd 3\nforce\n" + backRank + "go\n" + THEN + "new\nsd 3\ne2e4\n" + THEN +
             "new\nsd 3\nforce\ne2e4\ne7e5\ngo\n" + THEN +
             "new\nsd 3\nforce\nsetboard 4k3/8/8/8/8/8/4P3/4K3 b - - 0 1\ngo\n" + THEN +
             "new\nsd 3\nforce\n" + promotion,
         Xboard({"pong 17", "pong 18", "move e7e5", "pong 5", "0-1 {Black mates}", "pong 2",
                 "move d1d8", "1-0 {White mates}", "move e7e5", "move d2d4", "move e8d7",
                 "move c7c8q", "1-0 {White mates}"})},
        // A missing argument eats no line; unknown words are reported, their lines dropped;
        // take-backs go back in force mode, never into the last game.
        {"xboard\nprotover 2\nlevel 40 5\nping 1\ntime\nping 2\nsd\nping 3\nvariant edit\nE2E4\n"
         "0000\nping 4\nforce\ne2e4\ne7e5\nundo\ne7e6\nremove\nd2d4\nping 5\nnew\nundo\n",
         Xboard({"Error (missing argument): level", "pong 1", "Error (missing argument): time",
                 "pong 2", "Error (missing argument): sd", "pong 3",
                 "Error (unsupported variant): edit", "Error (unknown command): E2E4",
                 "Error (unknown command): 0000", "pong 4", "pong 5",
                 "Error (no move to take back): undo"})},
        // "white" may not leave the side not to move in check; a depth limit holds under a level;
        // a dead position is a draw, king, bishop and pawn against king plays on.
        {"xboard\nprotover 2\nsetboard 4k3/8/8/8/8/8/8/4RK2 b - - 0 1\nwhite\nsd 2\ngo\n" + THEN +
             "new\nlevel 40 60 0\nsd 2\ngo\n" + THEN +
             "new\nforce\nsetboard 8/8/8/4k3/8/8/3n4/4K3 w - - 0 1\nsd 3\ngo\n" + THEN +
             "new\nsetboard 8/8/8/4k3/8/8/3nPB2/4K3 w - - 0 1\nforce\ne1d2\n",
         Xboard({"tellusererror Illegal position", "move e8d8", "move e2e4", "move e1d1",
                 "1/2-1/2 {Draw by insufficient material}"})},
        // Commands during a search end it; the search's move is sent only for "?".
        {"xboard\nprotover 2\n" + timed + "new\nping 1\ndisplayboard\n" + timed +
             "force\nping 2\ndisplayboard\n" + timed +
             "setboard 4k3/8/8/8/8/8/8/4K3 w - - 0 1\nping 3\ndisplayboard\n" + timed +
             "edit\n#\nKe1\nc\nKe8\n.\nping 4\n"
             "displayboard\n" +
             timed + "abort\nping 5\ndisplayboard\n" + timed + "?\nping 6\n" + timed +
             "quit\nping 7\n",
         Xboard(Join({{"pong 1"},
                      Diagram(START, 0),
                      {"pong 2"},
                      Diagram(afterE4, 1050),
                      {"pong 3"},
                      Diagram(kings, 0),
                      {"pong 4"},
                      Diagram(kings, 0),
                      {"pong 5"},
                      Diagram(START, 0),
                      {"move *", "pong 6"}}))},
        // An analysis follows the moves; a finished one (the mate is found at once) waits for its
        // exit and plays nothing; the end of input ends one.
        {"xboard\nprotover 2\nnew\nforce\npost\nanalyze\ne2e4\ne7e5\nexit\nping 4\ndisplayboard\n"
         "new\nforce\n" +
             std::string(backRank) + "analyze\nping 1\nexit\nping 2\nnew\nanalyze\n",
         Xboard(Join({{"pong 4"},
                      Diagram("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR", 0),
                      {"pong 1", "pong 2"}}))},
        // The engine's move lines carry the promotion letter, in lower case, in both forms.
        {"xboard\nnew\nsd 3\ng1f3\n" + THEN + "g2g3\n" + THEN + "force\n" + promotion,
         {"1. ... d7d5 ", "2. ... g8f6 ", "3. ... c7c8q ", "1-0 {White mates}"}},
        // Positions that cannot be played are refused: the side not to move in check, a pawn on
        // the last rank, no kings.
        {"xboard\nnew\nforce\nsetboard 4k3/4R3/8/8/8/8/8/4K3 w - - 0 1\nsetboard "
         "P3k3/8/8/8/8/8/8/4K3 w - - 0 1\n"
         "setboard 8/8/8/8/8/8/4P3/8 w - - 0 1\nedit\n#\nKe1\nRh1\nc\nKe8\n.\ne1c1\ne1g1\n"
         "e2e5\na0a1\ne8e7\ne2e4x\nz9\ne9e4\ndisplayboard\nsetboard 8/4P3/8/8/8/8/k7/4K3 w - - 0 "
         "1\ne7e8x\ne7e8n\n"
         "displayboard\nsetboard 4k3/8/7b/8/4r3/8/4N3/4K3 w - - 0 1\ne2c3\ne1d2\ne1f2\ne1f2\n",
         Join({{"tellusererror Illegal position", "tellusererror Illegal position",
                "tellusererror Illegal position", "Illegal move: e1c1", "Illegal move: e2e5",
                "Illegal move: a0a1", "Illegal move: e2e4x", "Error (unknown command): z9",
                "Error (unknown command): e9e4"},
               Diagram("8/4k3/8/8/8/8/8/5RK1", 5740),
               {"Illegal move: e7e8x"},
               Diagram("4N3/8/8/8/8/8/k7/4K3", 2537),
               // A pinned piece stays; the king steps neither into check nor twice.
               {"Illegal move: e2c3", "Illegal move: e1d2", "Illegal move: e1f2"}})},
        // The third time the position comes, the game is drawn: the black king's moves are
        // forced and the rook goes back and forth.
        {"xboard\nprotover 2\nnew\nsetboard 7k/7p/4K2P/8/8/B7/8/R7 w - - 0 1\nsd 2\na1a2\n" + THEN +
             "a2a1\n" + THEN + "a1a2\n" + THEN + "a2a1\n",
         Xboard(
             {"move h8g8", "move g8h8", "move h8g8", "move g8h8", "1/2-1/2 {Draw by repetition}"})},
        {"hello\nsetboard 3r2k1/8/8/8/8/8/5PPP/6K1 b - - 0 1\nd8d1\ne2e4\n",
         Console(Join({{"Enter Move: setboard", "Enter Move: d8d1", "Black mates!", "Game Score 0"},
                       Diagram("6k1/8/8/8/8/8/5PPP/3r2K1", -2380)}))},
        {"hello\nsd 3\n" + std::string(backRank) + "go\n",
         Console(Join({DEPTH_3,
                       {"Enter Move: setboard", "Enter Move: go"},
                       CONSOLE_CLOCK,
                       {"My move: d1d8", "White mates!", "Game Score 109999"},
                       Diagram("3R2k1/5ppp/8/8/8/8/5PPP/6K1", 5790)}))},
        {"hello\ne2e5\nsetboard k7/8/2K5/8/8/8/8/1Q6 w - - 0 1\nb1b6\n",
         Console(Join({{"Enter Move: e2e5", "Illegal move: e2e5", "Enter Move: setboard",
                        "Enter Move: b1b6", "Stalemate", "Game Score 0"},
                       Diagram("k7/8/1QK5/8/8/8/8/8", 11330)}))},
        // The fifty-move count stands at 98: the person's move makes 99, the engine's reply 100.
        {"hello\nsd 3\nsetboard 7k/8/8/8/8/8/8/R6K w - - 98 80\na1a2\n",
         Console(Join({DEPTH_3,
                       {"Enter Move: setboard", "Enter Move: a1a2", "Game Score 0"},
                       Diagram("7k/8/8/8/8/8/R7/7K", 5690),
                       CONSOLE_CLOCK,
                       {"My move: h8g7", "Game Score 0"},
                       Diagram("8/6k1/8/8/8/8/R7/7K", 5620),
                       {"1/2-1/2 {Draw by 50 Move Rule}"}}))},
    };
}

TEST(Dialogue, XboardAndConsoleTranscripts)
{
    const std::set<std::string> legal = ref::LegalTexts(std::string(START) + " b KQkq - 0 1");
    const std::regex noise(
        R"(^(info nps|info time|Look through the Opening Book|tellics kibitz|\d+ -?\d+ \d+ \d+ ))");
    for (const Dialogue &d : Dialogues()) {
        std::vector<std::string> parts;
        for (size_t at = 0, next; at <= d.input.size(); at = next + THEN.size()) {
            next = d.input.find(THEN, at);
            if (next == std::string::npos) next = d.input.size();
            parts.push_back(d.input.substr(at, next - at));
        }
        const RunResult r = Converse({}, parts);
        EXPECT_EQ(r.exitStatus, 0) << d.input;
        Lines lines;
        std::istringstream in(r.output);
        for (std::string l; std::getline(in, l);) {
            if (std::regex_search(l, noise)) continue;
            if (l.rfind("move ", 0) == 0 && legal.count(l.substr(5)) &&
                d.input.find("st 1000") != std::string::npos)
                l = "move *";
            lines.push_back(l);
        }
        EXPECT_EQ(lines, d.transcript) << d.input;
    }
}

// The lines up to one that starts with prefix (its own included); a failure when none comes.
Lines Until(VornProcess &v, const std::string &prefix)
{
    Lines seen;
    EXPECT_TRUE(v.WaitFor(prefix, nullptr, 20000, &seen)) << "no " << prefix;
    return seen;
}

bool Starts(const Lines &lines, const std::string &prefix)
{
    for (const std::string &l : lines)
        if (l.rfind(prefix, 0) == 0) return true;
    return false;
}

// While the engine thinks: "." is answered at once, "ping" and "time" after the move, "?" moves
// at once, a take-back stops the search without its move; during analysis "ping" and "." are
// answered at once (the moves typed during one, and its end, are in the transcripts).
TEST(XboardThinking, AnswersWhileTheEngineThinks)
{
    VornProcess v;
    v.Send("xboard\nprotover 2\nnew\nst 30\ne2e4\n.\n");
    EXPECT_FALSE(Starts(Until(v, "stat01: "), "move")) << "the status line waits for no move";
    v.Send("time 5000\nping 1\n?\n");
    Lines seen = Until(v, "pong 1");
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[seen.size() - 2].rfind("move ", 0), 0u) << "pong 1 comes after the move";

    // A take-back while the engine thinks about its reply to d2d4: no move, and d2d4 is gone.
    v.Send("d2d4\nundo\nping 2\n");
    EXPECT_FALSE(Starts(Until(v, "pong 2"), "move"));
    v.Send("force\nd2d4\nping 3\n");
    EXPECT_FALSE(Starts(Until(v, "pong 3"), "Illegal move")) << "d2d4 was taken back";

    // Analysis of the position after 1.e4 (reply) 2.d4, black to move.
    v.Send("analyze\nping 4\n.\n");
    seen = Until(v, "stat01: ");
    EXPECT_TRUE(Starts(seen, "pong 4")) << "ping is answered at once during analysis";
    v.Send("quit\n");
    EXPECT_EQ(v.Wait(20000), 0);
}

// Thinking lines give the time in centiseconds: a search of about a second shows 20 or more.
TEST(XboardThinking, ThinkingTimeIsInCentiseconds)
{
    VornProcess v;
    v.Send("xboard\nprotover 2\npost\nst 1\ngo\n");
    int longest = -1;
    std::smatch m;
    for (const std::string &l : Until(v, "move "))
        if (std::regex_match(l, m, std::regex("\\d+ -?\\d+ (\\d+) \\d+ .*")))
            longest = std::stoi(m[1]);
    EXPECT_GE(longest, 20) << "thinking lines after a search of about a second";
}

// The clock commands read their values from the rest of their own line; times are kept in
// milliseconds ("time" comes in centiseconds, "level" in minutes or minutes:seconds and
// seconds of increment, a fraction allowed, "st" in seconds) and saturate instead of overflowing.
TEST(XboardCommands, ClockCommandsSetMilliseconds)
{
    const Status saved = MainStatus;
    const struct {
        const char *command;
        const char *rest;
        i32 movesToGo, timeLeft, increment, fixedTime;
    } cases[] = {
        {"level", "40 5 0\n", 40, 300000, 0, 0},
        {"level", "0 2:30 12\n", 0, 150000, 12000, 0},
        {"level", "0 1 0.5\n", 0, 60000, 500, 0},
        {"time", "6000\n", 0, 60000, 0, 0},
        {"time", "99999999999\n", 0, INT32_MAX, 0, 0},
        {"st", "3\n", 0, 180000, 0, 3000},
    };
    for (const auto &c : cases) {
        MainStatus.MovesPerSession = MainStatus.TimeLeft = MainStatus.TimeInc = MainStatus.ST = 0;
        // The rest of the command's line is where the interpreter reads its arguments.
        Interpreter.SetLine(c.rest);
        EXPECT_EQ(DoCommand(c.command), CommandResult::Handled) << c.command;
        Interpreter.SetLine("");
        EXPECT_EQ(MainStatus.MovesPerSession, c.movesToGo) << c.command << " " << c.rest;
        EXPECT_EQ(MainStatus.TimeLeft, c.timeLeft) << c.command << " " << c.rest;
        EXPECT_EQ(MainStatus.TimeInc, c.increment) << c.command << " " << c.rest;
        EXPECT_EQ(MainStatus.ST, c.fixedTime) << c.command << " " << c.rest;
    }
    MainStatus = saved;
}

} // namespace
