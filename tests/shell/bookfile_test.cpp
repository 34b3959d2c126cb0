// The book file through the real binary: UCI's BookFile, OwnBook and Best Book Move, the
// searches that never take a book move, files that are no book, xboard's option and the
// console's bookfile and book commands.

#include <gtest/gtest.h>

#include <regex>

#include "common/stockfish.h"

namespace {

using Lines = std::vector<std::string>;

const std::string BOOK = VORN_TEST_DATA "/book_small.bin";
// Where the book castles long, its one move.
const std::string CASTLES = "startpos moves d2d4 g8f6 c1g5 e7e6 e2e4 h7h6 g5f6 d8f6 b1c3 f8b4 "
                            "d1d2 d7d6";

// Sends the lines, then reads up to the next "bestmove"; returns the book line (or "") and the
// move.
std::pair<std::string, std::string> Go(EngineProcess &v, const std::string &lines)
{
    v.Send(lines);
    std::string book, l;
    while (v.ReadLine(&l, 20000)) {
        if (l.rfind("info string book", 0) == 0) book = l;
        if (l.rfind("bestmove ", 0) == 0) return {book, l.substr(9, l.find(' ', 9) - 9)};
    }
    return {"no answer", ""};
}

TEST(BookFile, UciPlaysTheBookOnlyWhereItMay)
{
    VornProcess v;
    v.Send("uci\nsetoption name BookFile value " + std::string(VORN_TEST_DATA) +
           "/no_such_book.bin\nsetoption name BookFile value " + BOOK + "\nisready\n");
    Lines seen;
    ASSERT_TRUE(v.WaitFor("readyok", nullptr, 20000, &seen));
    EXPECT_EQ(std::count(seen.begin(), seen.end(),
                         "info string book file " + std::string(VORN_TEST_DATA) +
                             "/no_such_book.bin cannot be opened; no book file"),
              1);
    EXPECT_EQ(seen[seen.size() - 2], "info string book file " + BOOK + ": 539 entries");
    // Without OwnBook the book file stays shut.
    const std::string go = "go wtime 2000 btime 2000\n";
    EXPECT_EQ(Go(v, "position startpos\n" + go).first, "");
    v.Send("setoption name OwnBook value true\n");
    const std::regex start(
        "info string book move (d2d4|e2e4|g1f3|c2c4) \\(weight \\d+ of total 40\\)");
    for (int i = 0; i < 8; i++) {
        const auto [book, move] = Go(v, "position startpos\n" + go);
        EXPECT_TRUE(std::regex_match(book, start)) << book;
        EXPECT_EQ(book.substr(22, 4), move);
    }
    EXPECT_EQ(Go(v, "position " + CASTLES + "\n" + go),
              std::make_pair(std::string("info string book move e1c1 (weight 1 of total 1)"),
                             std::string("e1c1")));
    EXPECT_EQ(Go(v, "position startpos\ngo wtime 2000 btime 2000 searchmoves e2e4 a2a3\n"),
              std::make_pair(std::string("info string book move e2e4 (weight 15 of total 15)"),
                             std::string("e2e4")));
    v.Send("setoption name Best Book Move value true\n");
    EXPECT_EQ(Go(v, "position startpos\n" + go).first,
              "info string book move d2d4 (weight 16 of total 40)");
    // Searches that never take a book move: analysis, pondering, a mate search, search moves
    // the book lacks, and a Chess960 game.
    for (const std::string &search :
         {std::string("go infinite\n"), std::string("go ponder wtime 2000 btime 2000\n"),
          std::string("go mate 2\n"), std::string("go depth 3 searchmoves a2a3\n")}) {
        v.Send("position startpos\n" + search);
        Pause(300);
        EXPECT_EQ(Go(v, "stop\n").first, "") << search;
    }
    EXPECT_EQ(Go(v, "setoption name UCI_Chess960 value true\nposition startpos\n" + go).first, "");
}

TEST(BookFile, XboardAndConsole)
{
    // xboard: the option opens the file, the engine's move comes from it.
    VornProcess x;
    x.Send("xboard\nprotover 2\n");
    std::string l;
    ASSERT_TRUE(x.WaitFor("feature ", &l, 20000));
    EXPECT_NE(l.find(" option=\"BookFile -file \" option=\"Best Book Move -check 0\" "),
              std::string::npos);
    x.Send("option BookFile=" + BOOK + "\noption Best Book Move=1\nnew\nlevel 0 1 0\ngo\n");
    ASSERT_TRUE(x.WaitFor("# book file ", &l, 20000));
    EXPECT_EQ(l, "# book file " + BOOK + ": 539 entries");
    ASSERT_TRUE(x.WaitFor("move ", &l, 20000));
    EXPECT_EQ(l, "move d2d4");

    // The console lists the book's moves, heaviest first, and says when a file is no book.
    const RunResult r = RunVorn({}, "new\nbook\nbookfile " + BOOK +
                                        " \nbook\nforce\ne4\nbook\n"
                                        "bookfile " +
                                        BOOK.substr(0, BOOK.size() - 4) + "\nbook\n");
    for (const std::string &line :
         {"No book file (bookfile <file> opens one).", "d2d4 (d4)  weight 16, 40%",
          "e2e4 (e4)  weight 15, 37%", "g1f3 (Nf3)  weight 7, 17%", "c2c4 (c4)  weight 2, 5%",
          "c7c5 (c5)  weight 6, 40%"})
        EXPECT_NE(r.output.find("\n" + line + "\n"), std::string::npos) << line << r.output;
    EXPECT_NE(r.output.find("book file " + BOOK.substr(0, BOOK.size() - 4) +
                            " cannot be opened; no book file\nEnter Move: "),
              std::string::npos)
        << r.output;
}

} // namespace
