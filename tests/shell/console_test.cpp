// The console as a person meets it at a terminal (a pseudo-terminal drives the real binary): the
// first line is the person's, moves as books print them, take-backs that say whose move it is, a
// game saved as PGN, a game played to mate, the help, an analysis that reads its input, and
// another game after them.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "common/process.h"

namespace {

using Lines = std::vector<std::string>;

// The lines up to one that holds text (a prompt may come first on a line: the terminal shows
// typed lines when they are typed); a failure when none comes.
Lines Until(VornProcess &v, const std::string &text)
{
    Lines seen;
    for (std::string l; v.ReadLine(&l, 20000);) {
        seen.push_back(l);
        if (l.find(text) != std::string::npos) return seen;
    }
    ADD_FAILURE() << "no " << text;
    return seen;
}

bool Has(const Lines &lines, const std::string &text)
{
    for (const std::string &l : lines)
        if (l.find(text) != std::string::npos) return true;
    return false;
}

// What pgn-extract makes of a file: its games as it writes them again, "" when it reports an
// error (or is not installed).
std::string Extracted(const std::string &file)
{
    const std::string out = file + ".out", err = file + ".err";
    if (std::system(("/usr/games/pgn-extract -s " + file + " > " + out + " 2> " + err).c_str()))
        return "";
    std::stringstream text, errors;
    text << std::ifstream(out).rdbuf();
    errors << std::ifstream(err).rdbuf();
    std::remove(out.c_str());
    std::remove(err.c_str());
    return errors.str().empty() ? text.str() : "";
}

TEST(ConsoleAtTerminal, APersonPlaysSavesAndStartsAgain)
{
    VornProcess v({"-fd", "2"}, VornProcess::AtTerminal{});
    // 1. The greeting and the board come at once; the first line is the person's first move.
    Lines seen = Until(v, " PosEval from White view");
    EXPECT_TRUE(Has(seen, "Hello! I am Vorn."));
    v.Send("e4\n");
    seen = Until(v, "My move: ");
    EXPECT_TRUE(
        std::regex_search(seen.back(), std::regex("My move: [a-h][1-8][a-h][1-8] \\(\\S+\\)$")))
        << seen.back();
    int shown = 0; // the terminal's echo of the move, with or without the prompt before it
    for (const std::string &l : seen)
        shown += l == "e4" || l == "Enter Move: e4";
    EXPECT_EQ(shown, 1) << "Vorn repeats what the terminal has shown already";

    // 2. A move that is not legal, one that is ambiguous, and a take-back that leaves Vorn to
    // move.
    v.Send("Nf4\n");
    Until(v, "Illegal move: Nf4");
    v.Send("undo\n");
    seen = Until(v, "It is Vorn's move");
    EXPECT_TRUE(Has(seen, "Black to move."));
    v.Send("force\nsetboard 4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1\nNd2\n");
    Until(v, "Ambiguous move: Nd2 (b1 or f3)");

    // 3. A game played to mate is over but stays the person's: it can be saved, and a new one
    // begins.
    v.Send("setboard 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1\ngo\n");
    EXPECT_TRUE(Has(Until(v, "White mates!"), "My move: d1d8 (Rd8#)"));
    Until(v, "The game is over");
    const std::string file = ::testing::TempDir() + "vorn_console.pgn";
    v.Send("save " + file + "\nsave /nonexistent/folder/game.pgn\n");
    Until(v, "Game saved to " + file);
    Until(v, "Error (cannot write /nonexistent/folder/game.pgn)");
    std::stringstream pgn;
    pgn << std::ifstream(file).rdbuf();
    for (const char *tag : {"[Result \"1-0\"]", "[White \"Vorn\"]", "[SetUp \"1\"]",
                            "[FEN \"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1\"]", "\n1. Rd8# 1-0\n"})
        EXPECT_NE(pgn.str().find(tag), std::string::npos) << tag << "\n" << pgn.str();
    if (std::system("test -x /usr/games/pgn-extract") == 0) {
        EXPECT_NE(Extracted(file).find("Rd8#"), std::string::npos) << "pgn-extract refused it";
    }
    std::remove(file.c_str());

    // 4. The help lists the commands; an analysis reads its input and "exit" ends it, so that the
    // next game's first move is answered.
    v.Send("help\n");
    Until(v, "undo, remove     take back one move, or two");
    v.Send("analyze\nexit\nnew\nd4\n");
    Until(v, "My move: ");
    v.Send("quit\n");
    Until(v, "Bye, Thanks for the match.");
    EXPECT_EQ(v.Wait(20000), 0);
}

// At a terminal the first line may still name a dialect; through a pipe the first word picks it
// exactly as before (the transcripts of the other tests).
TEST(ConsoleAtTerminal, TheFirstLineMayNameADialect)
{
    VornProcess v({}, VornProcess::AtTerminal{});
    Until(v, " PosEval from White view");
    v.Send("uci\nisready\n");
    Until(v, "uciok");
    Until(v, "readyok");
    v.Send("quit\n");
    EXPECT_EQ(v.Wait(20000), 0);
}

} // namespace
