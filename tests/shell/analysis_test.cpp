// Analysis as interfaces show it: several lines at once (MultiPV), the last line before the
// move, and xboard's analysis with excluded moves; the real binary through pipes, with Debian's
// stockfish as the referee of legal moves.

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "common/stockfish.h"

namespace {

// One line of a UCI progress report.
struct InfoLine {
    int depth = 0;
    int rank = 0;     // "multipv", 0 when absent
    int order = 0;    // the score on one scale: mates beyond every centipawn score
    bool mate = false;
    std::vector<std::string> pv;
    std::string text;
};

bool ParseInfo(const std::string &l, InfoLine *out)
{
    static const std::regex shape("^info depth (\\d+) seldepth \\d+( multipv (\\d+))? score "
                                  "(cp|mate) (-?\\d+)( lowerbound)? nodes \\d+ nps \\d+ hashfull "
                                  "\\d+ time \\d+ pv (.*)$");
    std::smatch m;
    if (!std::regex_match(l, m, shape)) return false;
    out->depth = std::stoi(m[1]);
    out->rank = m[3].matched ? std::stoi(m[3]) : 0;
    out->mate = m[4] == "mate";
    const int n = std::stoi(m[5]);
    out->order = out->mate ? (n > 0 ? 1000000 - n : -1000000 - n) : n;
    out->pv.clear();
    std::istringstream words(m[7].str());
    for (std::string w; words >> w;)
        out->pv.push_back(w);
    out->text = l;
    return !out->pv.empty();
}

// Runs one search to its bestmove; the progress lines with a line, in order, and the move.
std::vector<InfoLine> RunSearch(VornProcess &vorn, const std::string &commands, std::string *best)
{
    vorn.Send(commands);
    std::vector<InfoLine> lines;
    std::string l;
    while (vorn.ReadLine(&l, 60000)) {
        InfoLine info;
        if (ParseInfo(l, &info)) lines.push_back(info);
        if (l.rfind("bestmove ", 0) == 0) {
            *best = l.substr(9, l.find(' ', 9) - 9);
            return lines;
        }
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

// Each position with N lines: the last iteration reports as many lines as asked for or as there
// are moves, ranked 1..k, their first moves distinct and among those allowed, every move legal,
// scores best first, and the move played is line 1's.
TEST(Analysis, SeveralLinesAreDistinctLegalAndBestFirst)
{
    if (StockfishPath().empty())
        GTEST_SKIP() << "stockfish is not installed (apt-get install stockfish)";
    Stockfish peer;
    ASSERT_TRUE(peer.Start());
    struct Case {
        const char *name;
        const char *position;
        int lines;
        const char *go;
        size_t expected;
        int known;         // a line whose score is known (0 for the first)
        const char *score; // its score text, or nullptr
    };
    const Case cases[] = {
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
    for (const Case &c : cases) {
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
            EXPECT_EQ(l.rank, static_cast<int>(i + 1)) << l.text;
            EXPECT_TRUE(firsts.insert(l.pv[0]).second) << "a move twice: " << l.text;
            if (i > 0) {
                EXPECT_LE(l.order, block[i - 1].order) << "not best first: " << l.text;
            }
            EXPECT_TRUE(LineIsLegal(peer, c.position, l.pv)) << l.text;
            if (std::string(c.go).find("searchmoves") != std::string::npos) {
                EXPECT_NE(std::string(c.go).find(" " + l.pv[0]), std::string::npos) << l.text;
            }
        }
        EXPECT_EQ(best, block[0].pv[0]);
        if (c.score) {
            EXPECT_NE(block[c.known].text.find(std::string("score ") + c.score + " "),
                      std::string::npos)
                << block[c.known].text;
        }
        vorn.Send("quit\n");
        vorn.Wait(10000);
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
            const auto info = RunSearch(vorn,
                                        std::string("ucinewgame\nposition fen ") + fen +
                                            "\ngo nodes " + nodes + "\n",
                                        &best);
            ASSERT_FALSE(info.empty()) << fen;
            EXPECT_EQ(info.back().pv[0], best) << fen << " nodes " << nodes << "\n"
                                               << info.back().text;
        }
    }
    vorn.Send("quit\n");
    vorn.Wait(10000);
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
