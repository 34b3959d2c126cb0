// Analysis as interfaces show it: the fields of every progress line, mates in moves, several
// lines at once (MultiPV), the last line before the move, and xboard's analysis with excluded
// moves; the real binary through pipes, with Debian's stockfish as the referee of legal moves.

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/stockfish.h"

namespace {

// One UCI progress line with a score.
struct InfoLine {
    int rank = 0;      // "multipv", 0 when absent
    int order = 0;     // the score on one scale: mates beyond every centipawn score
    std::string score; // "cp 12", "mate -3"
    std::vector<std::string> pv;
    std::string text;
};

// Runs one search to its bestmove; the progress lines with a score, in order, and the move.
// Every such line must carry every field in its place.
std::vector<InfoLine> RunSearch(VornProcess &vorn, const std::string &commands, std::string *best)
{
    static const std::regex shape(
        "info depth \\d+ seldepth \\d+( multipv (\\d+))? score ((cp|mate) (-?\\d+))( lowerbound)? "
        "nodes \\d+ nps \\d+ hashfull \\d+ time \\d+( pv(( [a-h][1-8][a-h][1-8][qrbn]?)+) )?");
    vorn.Send(commands);
    std::vector<InfoLine> lines;
    std::smatch m;
    for (std::string l; vorn.ReadLine(&l, 60000);) {
        if (l.rfind("bestmove ", 0) == 0) {
            *best = l.substr(9, l.find(' ', 9) - 9);
            return lines;
        }
        if (l.rfind("info depth ", 0) != 0 || l.find(" score ") == std::string::npos) continue;
        if (!std::regex_match(l, m, shape)) {
            ADD_FAILURE() << "a field missing or out of place: " << l;
            continue;
        }
        InfoLine info;
        info.rank = m[2].matched ? std::stoi(m[2]) : 0;
        info.score = m[3];
        const int n = std::stoi(m[5]);
        info.order = m[4] == "cp" ? n : n > 0 ? 1000000 - n : -1000000 - n;
        std::istringstream words(m[8].str());
        for (std::string w; words >> w;)
            info.pv.push_back(w);
        info.text = l;
        lines.push_back(info);
    }
    ADD_FAILURE() << "no bestmove after: " << commands;
    return lines;
}

// True when every move of the line is legal where it stands, by the peer's move list.
bool LineIsLegal(Stockfish &peer, const std::string &position, const std::vector<std::string> &pv)
{
    std::string played = position + " moves";
    for (const std::string &move : pv) {
        if (!IsListed(peer.LegalMoves(played), move)) return false;
        played += " " + move;
    }
    return true;
}

// Mates are counted in moves. "go mate N" searches until it proves a mate within N moves: no
// depth ceiling cuts it short, and a number too large for arithmetic is held to a sane range. A
// root without moves scores mate 0 when mated and cp 0 when stalemated, with no line and the
// null move.
TEST(Analysis, MatesAreInMovesAndRootsWithoutMovesShowNoLine)
{
    VornProcess vorn;
    vorn.Send("uci\n");
    const struct {
        const char *fen, *go, *score, *best; // best: nullptr when several moves mate
    } cases[] = {{"k7/8/2K5/8/8/8/8/7R w - - 0 1", "depth 5", "mate 2", nullptr},
                 {"2k5/8/8/3K4/8/8/8/7R w - - 0 1", "mate 3", "mate 3", "d5c6"},
                 {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", "mate 99999999999", "mate 1", "d1d8"},
                 {"k7/1Q6/1K6/8/8/8/8/8 b - - 0 1", "depth 5", "mate 0", "0000"},
                 {"k7/8/1QK5/8/8/8/8/8 b - - 0 1", "depth 5", "cp 0", "0000"}};
    for (const auto &c : cases) {
        std::string best;
        const auto info =
            RunSearch(vorn, std::string("position fen ") + c.fen + "\ngo " + c.go + "\n", &best);
        ASSERT_FALSE(info.empty()) << c.fen;
        EXPECT_EQ(info.back().score, c.score) << info.back().text;
        EXPECT_EQ(info.back().pv.empty(), best == "0000") << info.back().text;
        if (c.best) {
            EXPECT_EQ(best, c.best) << c.fen;
        }
    }
}

// Each position with N lines: the last iteration reports as many lines as asked for or as there
// are moves, ranked 1..k, their first moves distinct and among those allowed, every move legal,
// scores best first, and the move played is line 1's.
TEST(Analysis, SeveralLinesAreDistinctLegalAndBestFirst)
{
    if (StockfishPath().empty())
        GTEST_SKIP() << "stockfish is not installed (apt-get install stockfish)";
    Stockfish peer;
    ASSERT_TRUE(peer.Start());
    const struct {
        const char *name, *position;
        int lines;
        const char *go;
        size_t expected;
        int known;         // a line whose score is known (0 for the first)
        const char *score; // its score, or nullptr
    } cases[] = {
        {"the start position", "startpos", 4, "go depth 7", 4, 0, nullptr},
        {"fewer moves than lines", "fen 7k/8/8/8/8/8/6PP/7K w - - 0 1", 8, "go depth 6", 5, 0,
         nullptr},
        {"one legal move", "fen k7/8/1K6/8/8/8/8/7R b - - 0 1", 4, "go depth 5", 1, 0, nullptr},
        {"a mate beside quiet moves", "fen 6k1/5ppp/8/8/8/8/8/K3R3 w - - 0 1", 3, "go depth 6", 3,
         0, "mate 1"},
        {"a move into mate last", "fen 6k1/8/6K1/8/8/8/8/R7 b - - 0 1", 3, "go depth 6", 2, 1,
         "mate -1"},
        {"searchmoves", "startpos", 3, "go depth 6 searchmoves a2a3 h2h4 b1a3", 3, 0, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        VornProcess vorn;
        std::string best;
        const auto info = RunSearch(vorn,
                                    "uci\nsetoption name MultiPV value " + std::to_string(c.lines) +
                                        "\nposition " + c.position + "\n" + c.go + "\n",
                                    &best);
        // The last iteration's block: from the last line 1 on.
        size_t start = info.size();
        while (start > 0 && info[start - 1].rank != 1)
            start--;
        ASSERT_GT(start, 0u) << "no line ranked 1";
        const std::vector<InfoLine> block(info.begin() + static_cast<long>(start - 1), info.end());
        ASSERT_EQ(block.size(), c.expected);
        std::set<std::string> firsts;
        for (size_t i = 0; i < block.size(); i++) {
            const InfoLine &l = block[i];
            ASSERT_FALSE(l.pv.empty()) << l.text;
            EXPECT_EQ(l.rank, static_cast<int>(i + 1)) << l.text;
            EXPECT_TRUE(firsts.insert(l.pv[0]).second) << "a move twice: " << l.text;
            EXPECT_TRUE(i == 0 || l.order <= block[i - 1].order) << "not best first: " << l.text;
            EXPECT_TRUE(LineIsLegal(peer, c.position, l.pv)) << l.text;
            EXPECT_TRUE(!std::strstr(c.go, "searchmoves") ||
                        std::strstr(c.go, (" " + l.pv[0]).c_str()))
                << "not among the search moves: " << l.text;
        }
        EXPECT_EQ(best, block[0].pv[0]);
        if (c.score) {
            EXPECT_EQ(block[c.known].score, c.score) << block[c.known].text;
        }
    }
}

// A node limit ends these searches inside an iteration in which the best move has changed: the
// last line before the move is the move played, with its own line.
TEST(Analysis, TheLastLineBeforeTheMoveIsTheMovePlayed)
{
    VornProcess vorn;
    vorn.Send("uci\n");
    for (const char *fen : {"rnbqkb1r/ppp2ppp/3p1n2/4p3/8/1QP2N2/PP1PPPPP/RNB1KB1R w KQkq - 0 1",
                            "r1bqkb1r/pppnpppp/3p1n2/8/3P4/4PN2/PPP2PPP/RNBQKB1R w KQkq - 0 1",
                            "r1bqkb1r/pppp1ppp/2n2n2/4p3/P7/3P1N2/1PP1PPPP/RNBQKB1R w KQkq - 0 1",
                            "rnbqkb1r/ppppppp1/5n2/8/3P1P1p/2P5/PP2P1PP/RNBQKBNR w KQkq - 0 1"}) {
        for (const char *nodes : {"150000", "400000", "900000"}) {
            std::string best;
            const auto info = RunSearch(
                vorn, std::string("ucinewgame\nposition fen ") + fen + "\ngo nodes " + nodes + "\n",
                &best);
            ASSERT_TRUE(!info.empty() && !info.back().pv.empty()) << fen;
            EXPECT_EQ(info.back().pv[0], best) << fen << " nodes " << nodes << "\n"
                                               << info.back().text;
        }
    }
}

// xboard's analysis: a line for each of the three moves once the option is set; a move excluded
// is left out, and a new position forgets it.
TEST(Analysis, XboardShowsTheLinesAndLeavesOutExcludedMoves)
{
    VornProcess vorn;
    vorn.Send("xboard\nprotover 2\nnew\nforce\nsetboard 7k/8/8/8/8/6pp/6PP/7K w - - 0 1\n"
              "option MultiPV=3\npost\nanalyze\n");
    // Thinking lines: depth, score, time, nodes and the line.
    const std::regex thinking("^(\\d+) -?\\d+ \\d+ \\d+ +([a-h][1-8][a-h][1-8][qrbn]?) .*");
    std::smatch m;
    std::string l;
    auto linesAtDepth = [&](int depth) {
        std::set<std::string> moves;
        while (vorn.ReadLine(&l, 20000)) {
            if (!std::regex_match(l, m, thinking)) continue;
            if (std::stoi(m[1]) == depth) moves.insert(m[2]);
            if (std::stoi(m[1]) > depth) return moves;
        }
        ADD_FAILURE() << "the analysis did not reach depth " << depth + 1;
        return moves;
    };
    const std::set<std::string> all = {"g2h3", "h1g1", "h2g3"};
    EXPECT_EQ(linesAtDepth(5), all);
    vorn.Send("exclude g2h3\nexclude z9z9\n");
    ASSERT_TRUE(vorn.WaitFor("Error (not a legal move): exclude z9z9", nullptr, 20000));
    EXPECT_EQ(linesAtDepth(5), (std::set<std::string>{"h1g1", "h2g3"}));
    vorn.Send("h1g1\nundo\n");
    ASSERT_TRUE(vorn.WaitFor("1 ", nullptr, 20000));
    EXPECT_EQ(linesAtDepth(5), all);
    vorn.Send("exit\nquit\n");
    EXPECT_EQ(vorn.Wait(10000), 0);
}

} // namespace
