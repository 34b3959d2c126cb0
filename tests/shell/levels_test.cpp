// Playing levels through the real binary, with Debian's stockfish as the referee of legal moves:
// a weak level still mates in one and keeps its pieces, plays only legal moves within its nodes,
// and shows the move it plays last.

#include <gtest/gtest.h>

#include <string>

#include "common/stockfish.h"
#include "search/strength.h"

namespace {

// The move of one search at the level, and the last progress line before it.
std::string LevelMove(VornProcess &vorn, const std::string &position, std::string *last)
{
    vorn.Send("ucinewgame\nposition " + position + "\ngo wtime 20000 btime 20000\n");
    std::string l;
    while (vorn.ReadLine(&l, 30000)) {
        if (l.rfind("bestmove ", 0) == 0) return l.substr(9, l.find(' ', 9) - 9);
        if (l.find(" pv ") != std::string::npos) *last = l;
    }
    ADD_FAILURE() << "no bestmove for " << position;
    return "";
}

TEST(Levels, WeakLevelsMateKeepTheirPiecesAndPlayLegalMovesWithinTheirNodes)
{
    if (StockfishPath().empty())
        GTEST_SKIP() << "stockfish is not installed (apt-get install stockfish)";
    Stockfish peer;
    ASSERT_TRUE(peer.Start());
    VornProcess vorn;
    vorn.Send("uci\nsetoption name UCI_LimitStrength value true\n");
    const char *positions[] = {
        "startpos", "fen r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
        "fen 2r3k1/pp3ppp/2n1b3/3p4/3P4/2PB1N2/P4PPP/R5K1 b - - 0 20",
        "fen 8/5pk1/6p1/3P4/2K5/8/6PP/8 w - - 0 40"};
    for (int elo : {MIN_STRENGTH, 1400, 1700}) {
        SCOPED_TRACE(elo);
        vorn.Send("setoption name UCI_Elo value " + std::to_string(elo) + "\n");
        std::string last;
        for (int i = 0; i < 6; i++) {
            // The back rank mate is always seen.
            EXPECT_EQ(LevelMove(vorn, "fen 6k1/5ppp/8/8/8/8/8/K3R3 w - - 0 1", &last), "e1e8");
            // Above the weakest level the knight attacked by a pawn moves to one of its three
            // safe squares: the fourth best line gives it up.
            const std::string knight =
                LevelMove(vorn, "fen 4k3/p4ppp/8/8/6p1/7N/PPP2P1P/4K3 w - - 0 1", &last);
            if (elo > MIN_STRENGTH) {
                EXPECT_EQ(knight.substr(0, 2), "h3") << knight;
            }
        }
        for (const char *position : positions) {
            const std::string move = LevelMove(vorn, position, &last);
            EXPECT_TRUE(IsListed(peer.LegalMoves(position), move)) << position << ": " << move;
            EXPECT_NE(last.find(" pv " + move), std::string::npos) << last;
            const size_t at = last.find(" nodes ");
            ASSERT_NE(at, std::string::npos);
            EXPECT_LE(std::stoll(last.substr(at + 7)), 8 * StrengthNodes(elo)) << last;
        }
    }
    vorn.Send("quit\n");
    EXPECT_EQ(vorn.Wait(10000), 0);
}

// The same levels through xboard's options and the console's command.
TEST(Levels, XboardOptionsAndTheConsoleSetTheLevel)
{
    const RunResult xboard =
        RunVorn({}, "xboard\nprotover 2\nnew\noption UCI_LimitStrength=1\noption UCI_Elo=1350\n"
                    "force\nsetboard 6k1/5ppp/8/8/8/8/8/K3R3 w - - 0 1\nst 5\ngo\nping 1\n");
    EXPECT_NE(xboard.output.find("\nmove e1e8\n"), std::string::npos) << xboard.output;
    EXPECT_EQ(xboard.output.find("Error"), std::string::npos) << xboard.output;
    // The first line names the dialect.
    const RunResult console = RunVorn({}, "new\nstrength 1500\nstrength 1900\nquit\n");
    EXPECT_NE(console.output.find("Vorn plays at 1500.\n"), std::string::npos) << console.output;
    EXPECT_NE(console.output.find("Vorn plays at full strength.\n"), std::string::npos);
}

} // namespace
