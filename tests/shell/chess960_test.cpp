// Chess960 through the real binary in each dialect: UCI perft, castling and games with Debian's
// stockfish as the referee, castling to and from an xboard interface, and a console game from a
// numbered start position saved as PGN.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "common/stockfish.h"

namespace {

using Lines = std::vector<std::string>;

// White castles short (the king takes the h1 rook) with mate; no other move mates.
const char *const CASTLE_MATE = "4rkr1/4p1p1/8/8/8/8/8/5K1R w H - 0 1";
// King b1 beside its a1 rook, the other rook on g1: both castlings pass the king over c1-f1.
const char *const WIDE = "rk4r1/pppppppp/8/8/8/8/PPPPPPPP/RK4R1 w KQkq - 0 1";

// The start position of a back rank (White's, Black mirrors it).
std::string StartFen(std::string rank)
{
    std::string black = rank;
    for (char &c : black)
        c = static_cast<char>(c - 'A' + 'a');
    return black + "/pppppppp/8/8/8/8/PPPPPPPP/" + rank + " w KQkq - 0 1";
}

// A divided perft: the "move: count" lines, sorted, then the "Nodes searched" line.
Lines Perft(EngineProcess &e, const std::string &position, int depth)
{
    e.Send("position " + position + "\ngo perft " + std::to_string(depth) + "\n");
    Lines lines;
    for (std::string l; e.ReadLine(&l, 20000);) {
        if (l.rfind("Nodes searched:", 0) == 0) {
            std::sort(lines.begin(), lines.end());
            lines.push_back(l);
            break;
        }
        if (std::regex_match(l, std::regex("[a-h][1-8][a-h][1-8][qrbn]?: \\d+")))
            lines.push_back(l);
    }
    return lines;
}

// The placement field of the board diagram among lines ("8  r k - - - - r -  8" and so on).
std::string Placement(const Lines &lines)
{
    std::string fen;
    for (const std::string &l : lines) {
        if (!std::regex_match(l, std::regex("[1-8]  ([-a-zA-Z] ){8} [1-8]"))) continue;
        int empty = 0;
        for (int f = 0; f < 8; f++) {
            const char c = l[3 + 2 * f];
            if (c == '-') empty++;
            if (c != '-' && empty) fen += std::to_string(empty);
            if (c != '-') empty = 0, fen += c;
        }
        fen += (empty ? std::to_string(empty) : "") + (l[0] == '1' ? "" : "/");
    }
    return fen;
}

TEST(Chess960Uci, PerftMatchesStockfish)
{
    Stockfish sf;
    VornProcess v;
    ASSERT_TRUE(sf.Start({"UCI_Chess960 value true"}));
    v.Send("uci\nsetoption name UCI_Chess960 value true\n");
    const std::string positions[] = {
        "fen nrkbbrqn/pppppppp/8/8/8/8/PPPPPPPP/NRKBBRQN w FBfb - 0 1", // 361, Shredder-FEN
        // Start 0 cleared for castling, White castles long (g1f1); Black may castle at the root.
        "fen " + StartFen("BBQNNRKR") + " moves d2d4 d7d5 d1e3 d8e6 e1d3 e8d6 c1d2 c8d7 g1f1",
        std::string("fen ") + WIDE,
        "fen 2r1k1r1/8/8/8/8/8/8/RK4R1 w KQkq - 0 1", // the c8 rook guards c1
        "fen 2r1k1r1/8/8/8/8/8/8/RK4R1 b KQkq - 0 1", // Black's king lands on its rooks' squares
        "fen 4k3/8/8/8/8/8/8/RR2K1RR w QG - 0 1",     // Q: the outer rook, G: the inner one
    };
    for (const std::string &p : positions)
        for (int depth = 1; depth <= 3; depth++)
            EXPECT_EQ(Perft(v, p, depth), Perft(sf, p, depth)) << p << ", depth " << depth;
}

// Each row: UCI_Chess960 on or off, a position, a command, the lines that must answer it.
TEST(Chess960Uci, CastlingRightsAndTheOption)
{
    const std::string refused = "info string refused position: ";
    const std::string castled =
        "Fen: r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQ1RK1 b kq - 5 4";
    const std::string italian = "startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 ";
    const struct {
        bool chess960;
        std::string position, command;
        Lines answer;
    } rows[] = {
        {true, std::string("fen ") + CASTLE_MATE, "go depth 3", {"bestmove f1h1"}},
        {true, italian + "e1h1", "d", {castled}},
        {false, italian + "e1g1", "d", {castled}},
        // An illegal castle is named and the position stays as it was before it.
        {false,
         italian + "e1h1",
         "d",
         {"info string illegal move: e1h1",
          "Fen: r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"}},
        {true,
         "fen 2r1k1r1/8/8/8/8/8/8/RK4R1 w KQkq - 0 1 moves b1a1",
         "d",
         {"info string illegal move: b1a1", "Fen: 2r1k1r1/8/8/8/8/8/8/RK4R1 w KQkq - 0 1"}},
        {true,
         std::string("fen ") + WIDE + " moves b1a1 b8g8",
         "d",
         {"Fen: r4rk1/pppppppp/8/8/8/8/PPPPPPPP/2KR2R1 w - - 2 2"}},
        {true,
         "fen 4rkr1/4p1p1/8/8/8/8/8/5K1R w KQ - 0 1",
         "go depth 2",
         {refused + "a castling right without its king and rook", "bestmove 0000"}},
        {false,
         std::string("fen ") + CASTLE_MATE,
         "go depth 2",
         {refused + "its castling needs Chess960 rules (UCI_Chess960)", "bestmove 0000"}},
        {false,
         "fen " + StartFen("RKRNNQBB"),
         "go perft 1",
         {refused + "its castling needs Chess960 rules (UCI_Chess960)"}},
    };
    // The lines that answer these commands; the progress lines and the diagram are left out.
    auto answers = [](const std::string &l) {
        return l.rfind("bestmove", 0) == 0 || l.rfind("info string", 0) == 0 ||
               l.rfind("Fen:", 0) == 0 || std::regex_match(l, std::regex("\\w+: \\d+"));
    };
    VornProcess v;
    v.Send("uci\n");
    for (const auto &r : rows) {
        SCOPED_TRACE(r.position + " / " + r.command);
        v.Send(std::string("setoption name UCI_Chess960 value ") + (r.chess960 ? "true" : "false") +
               "\nposition " + r.position + "\n" + r.command + "\n");
        Lines got;
        std::string l;
        while (got.size() < r.answer.size() && v.ReadLine(&l, 20000))
            if (answers(l)) got.push_back(l);
        EXPECT_EQ(got, r.answer);
        Lines after; // nothing more comes before the engine is ready
        v.Send("isready\n");
        ASSERT_TRUE(v.WaitFor("readyok", nullptr, 20000, &after));
        EXPECT_EQ(std::count_if(after.begin(), after.end(), answers), 0) << after.front();
    }
}

// Vorn against stockfish from start 0 with the way cleared for long castling (at depth 3 Vorn
// castles, g1f1, at once): every move Vorn sends is legal by the referee, so the moves lists it
// reads back, castling among them, leave its board where the referee's is.
TEST(Chess960Uci, PlaysAGameAgainstStockfish)
{
    Stockfish sf;
    VornProcess v;
    ASSERT_TRUE(sf.Start({"UCI_Chess960 value true"}));
    v.Send("uci\nsetoption name UCI_Chess960 value true\n");
    std::string position =
        "fen " + StartFen("BBQNNRKR") + " moves d2d4 d7d5 d1e3 d8e6 e1d3 e8d6 c1d2 c8d7";
    for (int ply = 0; ply < 12; ply++) {
        const Lines legal = sf.LegalMoves(position);
        if (legal.empty()) break;
        EngineProcess &mover = ply % 2 ? static_cast<EngineProcess &>(sf) : v;
        mover.Send("position " + position + (ply % 2 ? "\ngo depth 4\n" : "\ngo depth 3\n"));
        std::string l;
        ASSERT_TRUE(mover.WaitFor("bestmove ", &l, 20000)) << position;
        const std::string move = l.substr(9, l.find(' ', 9) - 9);
        ASSERT_TRUE(IsListed(legal, move)) << move << " after " << position;
        position += " " + move;
    }
}

TEST(Chess960Xboard, CastlingBothWaysAndTheVariant)
{
    VornProcess v;
    v.Send("xboard\nprotover 2\n");
    std::string l;
    ASSERT_TRUE(v.WaitFor("feature ", &l, 20000));
    EXPECT_NE(l.find(" variants=\"normal,fischerandom\" "), std::string::npos) << l;
    v.Send(std::string("new\nvariant fischerandom\nsd 3\nforce\nsetboard ") + CASTLE_MATE +
           "\ngo\n");
    ASSERT_TRUE(v.WaitFor("move ", &l, 20000));
    EXPECT_EQ(l, "move O-O");
    ASSERT_TRUE(v.ReadLine(&l, 20000));
    EXPECT_EQ(l, "1-0 {White mates}");

    // The interface's castling in each notation; stockfish says whether it is legal (its
    // form: the king takes its rook) and where the pieces land.
    Stockfish sf;
    ASSERT_TRUE(sf.Start({"UCI_Chess960 value true"}));
    const struct {
        std::string fen, sent, referee;
    } moves[] = {
        {WIDE, "O-O-O", "b1a1"},
        {WIDE, "O-O", "b1g1"},
        {"2r1k1r1/8/8/8/8/8/8/RK4R1 b KQkq - 0 1", "O-O-O", "e8c8"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "O-O", "e1h1"},
    };
    int ping = 0;
    for (const auto &m : moves) {
        SCOPED_TRACE(m.fen + " " + m.sent);
        const bool legal = IsListed(sf.LegalMoves("fen " + m.fen), m.referee);
        std::string fen;
        bool check;
        ASSERT_TRUE(
            sf.Describe("fen " + m.fen + (legal ? " moves " + m.referee : ""), &fen, &check));
        ++ping;
        v.Send("new\nvariant fischerandom\nforce\nsetboard " + m.fen + "\n" + m.sent +
               "\ndisplayboard\nping " + std::to_string(ping) + "\n");
        Lines seen;
        ASSERT_TRUE(v.WaitFor("pong " + std::to_string(ping), nullptr, 20000, &seen));
        EXPECT_EQ(std::count(seen.begin(), seen.end(), "Illegal move: " + m.sent), legal ? 0 : 1);
        EXPECT_EQ(Placement(seen), fen.substr(0, fen.find(' ')));
    }

    // "new" is normal chess again, and the variant's positions are refused.
    v.Send(std::string("new\nsetboard ") + CASTLE_MATE + "\nnew\nsetboard " + WIDE +
           "\nvariant fischerandom\nsetboard 4rkr1/4p1p1/8/8/8/8/8/5K1R w KQ - 0 1\nping 99\n");
    Lines seen;
    ASSERT_TRUE(v.WaitFor("pong 99", nullptr, 20000, &seen));
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "tellusererror Illegal position"), 3);
}

TEST(Chess960Console, NumberedStartsCastlingAndPgn)
{
    const std::string file = ::testing::TempDir() + "vorn_chess960.pgn";
    // Start positions by their numbers: the back rank of each.
    const std::pair<int, const char *> starts[] = {
        {0, "BBQNNRKR"},   {1, "BQNBNRKR"},   {100, "QBBNRNKR"}, {361, "NRKBBRQN"},
        {518, "RNBQKBNR"}, {700, "RBQKNNBR"}, {959, "RKRNNQBB"}};
    std::string input = "new\n";
    for (const auto &s : starts)
        input += "chess960 " + std::to_string(s.first) + "\n";
    // Start 0: castling short is blocked by the f1 rook; long castling once the way is clear.
    input += "chess960 2000\nchess960 0\nforce\nO-O\nd4\nd5\nNe3\nNe6\nNd3\nNd6\nQd2\nQd7\nO-O\n"
             "O-O-O\nO-O-O\ndisplayboard\nsave " +
             file + "\nquit\n";
    const RunResult r = RunVorn({}, input);
    EXPECT_EQ(r.exitStatus, 0);
    for (const auto &s : starts) {
        const std::string line = "\nChess960 start position " + std::to_string(s.first) + ": " +
                                 StartFen(s.second) + "\n";
        EXPECT_NE(r.output.find(line), std::string::npos) << line;
    }
    EXPECT_NE(r.output.find("\nError (start positions run from 0 to 959): 2000\n"),
              std::string::npos);
    Lines lines;
    std::istringstream out(r.output);
    for (std::string l; std::getline(out, l);)
        lines.push_back(l);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Illegal move: O-O"), 2) << r.output;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Illegal move: O-O-O"), 0) << r.output;
    const Lines last(lines.end() - std::min<size_t>(lines.size(), 20), lines.end());
    EXPECT_EQ(Placement(last), "bbkr3r/pppqpppp/3nn3/3p4/3P4/3NN3/PPPQPPPP/BBKR3R") << r.output;

    std::stringstream pgn;
    pgn << std::ifstream(file).rdbuf();
    for (const char *tag : {"[Variant \"Chess960\"]", "[SetUp \"1\"]",
                            "[FEN \"bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w KQkq - 0 1\"]",
                            "\n1. d4 d5 2. Ne3 Ne6 3. Nd3 Nd6 4. Qd2 Qd7 5. O-O-O O-O-O *\n"})
        EXPECT_NE(pgn.str().find(tag), std::string::npos) << tag << "\n" << pgn.str();
    std::remove(file.c_str());
}

} // namespace
