// The UCI dialect: position set-up and moves from outside in process, and whole sessions through
// the real binary with their replies checked exactly. Debian's stockfish judges legality.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/setup.h"
#include "common/process.h"
#include "board/hashcode.h"
#include "search/compmov.h"
#include "board/movhist.h"
#include "core/status.h"
#include "common/stockfish.h"
#include "shell/uciprotocol.h"

namespace {

// Generous: the machine is shared, and only the order of replies is checked.
constexpr int kWait = 60000;

const char* const kIdLines[] = {
    "id name Vorn 1.005-64",
    "id author the Vorn developers",
    "option name UCI_AnalyseMode type check default false",
    "option name OwnBook type check default false",
    "option name SecondaryBook type check default false",
    "option name UCI_ShowCurrLine type check default true",
    "option name Ponder type check default false",
    "option name UCI_EngineAbout type string default Vorn 1.005-64, a chess engine by the Vorn "
    "developers",
    "uciok",
};

// Hands one line to the UCI loop in process (never "go" or "quit": those search or exit).
void Line(const std::string& text)
{
    std::snprintf(UCI.InputLine, sizeof UCI.InputLine, "%s", text.c_str());
    ASSERT_EQ(UCI.UCICommand(), 0) << text;
}

// Placement, side and castling of MainBoard.
std::string BoardText()
{
    char buf[128];
    pos2fenString(MainBoard, buf);
    return buf;
}

// The game history's top entry is the current position with the given side to move.
bool HistoryTopIs(char side)
{
    if (MoveList.NumMoves <= 0) return false;
    u64 upper, lower;
    genhashcode(side, MainBoard.CastleFlags, &upper, &lower, &MainBoard);
    const HistoryEntry& top = MoveList.Entries[MoveList.NumMoves - 1];
    return top.upper == upper && top.lower == lower;
}

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> w;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') i++;
        size_t j = i;
        while (j < line.size() && line[j] != ' ') j++;
        if (j > i) w.push_back(line.substr(i, j - i));
        i = j;
    }
    return w;
}

// A session with the engine after its "uci" reply.
class Session {
public:
    Session()
    {
        p.Send("uci\n");
        std::string l;
        EXPECT_TRUE(p.WaitFor("uciok", &l, kWait));
    }
    // Sends a line and returns the next "bestmove" line; the lines before it go to seen.
    std::string Go(const std::string& line, std::vector<std::string>* seen = nullptr)
    {
        p.Send(line);
        return NextBestMove(seen);
    }
    std::string NextBestMove(std::vector<std::string>* seen = nullptr)
    {
        std::string l;
        EXPECT_TRUE(p.WaitFor("bestmove", &l, kWait, seen)) << "no bestmove";
        return l;
    }
    VornProcess p;
};

// The move of a "bestmove" line.
std::string MoveOf(const std::string& bestmove)
{
    const auto w = Words(bestmove);
    return w.size() >= 2 ? w[1] : "";
}

bool Has(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (const auto& l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

class PeerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (StockfishPath().empty())
            GTEST_SKIP() << "stockfish is not installed (apt-get install stockfish)";
        peer = std::make_unique<Stockfish>();
        ASSERT_TRUE(peer->Start());
    }
    // True when the move is legal in the position, by the peer's move counter.
    bool Legal(const std::string& position, const std::string& move)
    {
        return IsListed(peer->LegalMoves(position), move);
    }
    std::unique_ptr<Stockfish> peer;
};

// ---------------------------------------------------------------------------------------------
// Position lines, in process.

TEST(UciPosition, StartposMovesSetTheSideThePlyAndTheHistory)
{
    Line("position startpos moves e2e4 e7e5");
    EXPECT_EQ(MainBoard.SideToMove, 0);
    EXPECT_EQ(MainStatus.GamePly, 2);
    EXPECT_EQ(MoveList.NumMoves, 2);
    EXPECT_TRUE(HistoryTopIs(0));
    EXPECT_EQ(BoardText(), "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 ; ");

    Line("position startpos moves e2e4");
    EXPECT_EQ(MainBoard.SideToMove, 1);
    EXPECT_EQ(MoveList.NumMoves, 1);
    EXPECT_TRUE(HistoryTopIs(1));

    // A position without moves starts an empty history.
    Line("position startpos");
    EXPECT_EQ(MoveList.NumMoves, 0);
    EXPECT_EQ(MainBoard.SideToMove, 0);
}

TEST(UciPosition, WordsAreSplitOnAnyBlanks)
{
    Line("position startpos moves e2e4 e7e5 g1f3");
    const std::string plain = BoardText();
    for (const char* text : {"position   startpos  moves  e2e4 e7e5\tg1f3",
                             "  position startpos moves e2e4 e7e5 g1f3 \r",
                             "position startpos moves e2e4\t\te7e5   g1f3\t\r"}) {
        Line("position startpos");
        Line(text);
        EXPECT_EQ(BoardText(), plain) << text;
        EXPECT_EQ(MoveList.NumMoves, 3) << text;
    }
}

TEST(UciPosition, MovesStopAtTheFirstOneThatCannotBePlayed)
{
    Line("position startpos moves e2e4 e7e5");
    const std::string afterTwo = BoardText();
    const char* const tails[] = {
        "e1e3 d2d4",   // no such king move
        "e2e4 d2d4",   // the square is empty
        "d7d5 g1f3",   // a black move with white to move
        "e2e9 g1f3",   // a rank off the board
        "i2i4 g1f3",   // a file off the board
        "g1f3x b8c6",  // a letter on a move that promotes nothing
        "g1f3q b8c6",
        "g1 b8c6",      // too short
        "g1f3g5 b8c6",  // too long
    };
    for (const char* tail : tails) {
        Line(std::string("position startpos moves e2e4 e7e5 ") + tail);
        EXPECT_EQ(BoardText(), afterTwo) << tail;
        EXPECT_EQ(MoveList.NumMoves, 2) << tail;
        EXPECT_EQ(MainBoard.SideToMove, 0) << tail;
    }
}

TEST(UciPosition, FenSideStartsTheHashParity)
{
    Line("position fen rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1 moves e7e5");
    EXPECT_EQ(MainBoard.SideToMove, 0);
    EXPECT_EQ(UCI.HashSide, 0);
    EXPECT_TRUE(HistoryTopIs(0));
    Line("position fen rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    EXPECT_EQ(MainBoard.SideToMove, 1);
    EXPECT_EQ(UCI.HashSide, 1);
}

TEST(UciPosition, RookTakenOnItsCornerTakesItsRight)
{
    Line("position fen r3k2r/8/8/8/8/8/1B6/R3K2R w KQkq - 0 1 moves b2h8");
    EXPECT_EQ(MainBoard.CastleFlags, WKSIDE | WQSIDE | BQSIDE);
    EXPECT_TRUE(HistoryTopIs(1));
    Line("position fen r3k2r/8/8/8/8/8/1B6/R3K2R w KQkq - 0 1 moves b2h8 e8c8");
    EXPECT_EQ(MoveList.NumMoves, 2);
    EXPECT_EQ(MainBoard.CastleFlags, WKSIDE | WQSIDE);
    EXPECT_TRUE(MainBoard.BlackKing & SquareMask(58));
    EXPECT_TRUE(MainBoard.BlackRooks & SquareMask(59));
    // Rights a FEN claims without its king or rook at home are dropped.
    Line("position fen 4k3/8/8/8/8/8/8/R3K1R1 w KQ - 0 1");
    EXPECT_EQ(MainBoard.CastleFlags, WQSIDE);
}

TEST(UciPosition, PromotionPlaysTheNamedPiece)
{
    Line("position fen k7/2P5/1K6/8/8/8/8/8 w - - 0 1 moves c7c8n");
    EXPECT_EQ(MainBoard.WhiteKnights, SquareMask(58));
    EXPECT_EQ(MainBoard.WhiteQueens, 0u);
    Line("position fen k7/2P5/1K6/8/8/8/8/8 w - - 0 1 moves c7c8R");
    EXPECT_EQ(MainBoard.WhiteRooks, SquareMask(58));
    // Without a letter the pawn becomes a queen.
    Line("position fen k7/2P5/1K6/8/8/8/8/8 w - - 0 1 moves c7c8");
    EXPECT_EQ(MainBoard.WhiteQueens, SquareMask(58));
    EXPECT_EQ(MainBoard.WhitePawns, 0u);
}

// Every move text the peer engine lists is played, and no other.
TEST_F(PeerTest, MovesFromOutsideAreExactlyTheLegalOnes)
{
    const char* const positions[] = {
        "startpos",
        "startpos moves e2e4 d7d5 e4e5 f7f5",  // en passant e5f6
        "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1 moves a2a4",
        "fen 8/8/8/KPp4r/8/8/8/6k1 w - c6 0 1",   // en passant would expose the king
        "fen 8/8/8/2k5/3Pp3/8/8/4K3 b - d3 0 1",  // en passant takes the checker
        "fen n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
        "fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "fen rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves a1a8",
        "fen 4k3/8/8/8/8/8/5r2/R3K2R w KQ - 0 1",  // castling through an attacked square
    };
    for (const char* position : positions) {
        const std::vector<std::string> legal = peer->LegalMoves(position);
        ASSERT_FALSE(legal.empty()) << position;
        const std::string base = std::string("position ") + position;
        Line(base);
        const int before = MoveList.NumMoves;
        std::vector<std::string> accepted;
        for (int from = 0; from < 64; from++) {
            for (int to = 0; to < 64; to++) {
                const std::string squares = {
                    static_cast<char>('a' + from % 8), static_cast<char>('1' + from / 8),
                    static_cast<char>('a' + to % 8), static_cast<char>('1' + to / 8)};
                const bool lastRank = to / 8 == 0 || to / 8 == 7;
                for (const char* letter : {"", "q", "r", "b", "n"}) {
                    if (*letter && !lastRank) continue;
                    const std::string text = squares + letter;
                    Line(base);
                    if (UCI.MakeMoves(text.c_str())) {
                        accepted.push_back(text);
                        EXPECT_EQ(MoveList.NumMoves, before + 1) << text;
                    } else {
                        EXPECT_EQ(MoveList.NumMoves, before) << text;
                    }
                }
            }
        }
        // A promotion without a letter is the queen promotion.
        for (const std::string& m : accepted) {
            const bool listed = IsListed(legal, m) || (m.size() == 4 && IsListed(legal, m + "q"));
            EXPECT_TRUE(listed) << position << ": " << m << " is not legal";
        }
        for (const std::string& m : legal)
            EXPECT_TRUE(std::find(accepted.begin(), accepted.end(), m) != accepted.end())
                << position << ": " << m << " was refused";
    }
}

// ---------------------------------------------------------------------------------------------
// Sessions through the real binary.

TEST(UciSession, UciAnswersWithTheNineLines)
{
    const RunResult r = RunVorn({}, "uci\n");
    std::string expected = "Vorn \n";
    for (const char* l : kIdLines) expected += std::string(l) + "\n";
    EXPECT_EQ(r.output, expected);
    EXPECT_EQ(r.exitStatus, 0);
}

TEST_F(PeerTest, DepthSixAfterE4E5)
{
    Session s;
    std::vector<std::string> seen;
    const std::string best = s.Go("position startpos moves e2e4 e7e5\ngo depth 6\n", &seen);
    EXPECT_TRUE(Has(seen, "info depth 6 score cp "));
    EXPECT_FALSE(Has(seen, "info depth 7"));
    EXPECT_TRUE(Has(seen, "info score cp "));
    // No ponder move was asked for: the move is followed by one space.
    ASSERT_EQ(best.size(), std::string("bestmove e2e4 ").size()) << best;
    EXPECT_EQ(best.back(), ' ');
    EXPECT_TRUE(Legal("startpos moves e2e4 e7e5", MoveOf(best))) << best;
}

TEST_F(PeerTest, IsreadyIsAnsweredInEveryState)
{
    Session s;
    std::vector<std::string> seen;
    std::string l;
    // Waiting.
    s.p.Send("isready\n");
    ASSERT_TRUE(s.p.WaitFor("readyok", &l, kWait));
    // During a timed, a fixed-depth, a ponder and an infinite search: the answer comes at once,
    // before the search's move, and the search goes on until "stop".
    for (const char* go : {"go wtime 100000000 btime 100000000", "go depth 40",
                           "go ponder wtime 100000000 btime 100000000", "go infinite"}) {
        seen.clear();
        s.p.Send(std::string("position startpos moves d2d4\n") + go + "\nisready\n");
        ASSERT_TRUE(s.p.WaitFor("readyok", &l, kWait, &seen)) << go;
        EXPECT_FALSE(Has(seen, "bestmove")) << go;
        // Commands that make no sense during a search are passed over: no second search, no
        // new position, no option.
        s.p.Send("go depth 1\nposition startpos moves e2e4\nsetoption name Ponder value true\n"
                 "uci\nisready\n");
        ASSERT_TRUE(s.p.WaitFor("readyok", &l, kWait, &seen)) << go;
        EXPECT_FALSE(Has(seen, "bestmove")) << go;
        EXPECT_FALSE(Has(seen, "uciok")) << go;
        const std::string best = s.Go("stop\n", &seen);
        EXPECT_TRUE(Legal("startpos moves d2d4", MoveOf(best))) << go << ": " << best;
        EXPECT_EQ(MoveOf(best).size() + 10, best.size()) << "no ponder move: " << best;
        seen.clear();
        s.p.Send("isready\n");
        ASSERT_TRUE(s.p.WaitFor("readyok", &l, kWait, &seen)) << go;
        EXPECT_FALSE(Has(seen, "bestmove")) << go;
    }
}

// The newline behind a word read during a search once made the next read wait for more input.
TEST_F(PeerTest, IsreadyDuringATimedSearchLeavesItRunningToItsMove)
{
    Session s;
    for (const char* go : {"go wtime 3000 btime 3000", "go movetime 500", "go depth 9"}) {
        std::vector<std::string> seen;
        s.p.Send(std::string("position startpos moves e2e4\n") + go + "\nisready\n");
        const std::string best = s.NextBestMove(&seen);
        // A short search may end before it reads the word; the answer then follows its move.
        if (!Has(seen, "readyok")) {
            EXPECT_TRUE(s.p.WaitFor("readyok", nullptr, kWait)) << go;
        }
        EXPECT_TRUE(Legal("startpos moves e2e4", MoveOf(best))) << go << ": " << best;
    }
}

TEST_F(PeerTest, StopEndsEveryKindOfSearchWithALegalMove)
{
    Session s;
    const std::string position = "startpos moves e2e4 c7c5 g1f3";
    for (const char* go :
         {"go wtime 100000000 btime 100000000", "go movetime 600000", "go depth 40",
          "go ponder wtime 100000000 btime 100000000", "go infinite"}) {
        // A stop that arrives at once, and one that arrives after some thinking.
        for (const char* pause : {"", "isready\n"}) {
            s.p.Send("position " + position + "\n" + go + "\n" + pause);
            if (*pause) {
                ASSERT_TRUE(s.p.WaitFor("readyok", nullptr, kWait));
            }
            const std::string best = s.Go("stop\n");
            EXPECT_TRUE(Legal(position, MoveOf(best))) << go << ": " << best;
        }
    }
    // A stop with no search does nothing.
    s.p.Send("stop\nisready\n");
    std::vector<std::string> seen;
    ASSERT_TRUE(s.p.WaitFor("readyok", nullptr, kWait, &seen));
    EXPECT_FALSE(Has(seen, "bestmove"));
}

TEST_F(PeerTest, InfiniteAndPonderSearchesWaitForTheirRelease)
{
    Session s;
    // One legal move (Kxg2), a mate in one and a depth limit: each search would end at once.
    struct Case {
        const char* position;
        const char* go;
        const char* release;
    };
    const Case cases[] = {
        {"fen 7k/8/8/8/8/8/6q1/7K w - - 0 1", "go infinite", "stop"},
        {"fen 7k/8/8/8/8/8/6q1/7K w - - 0 1", "go ponder wtime 1000 btime 1000", "ponderhit"},
        {"fen k7/2P5/1K6/8/8/8/8/8 w - - 0 1", "go infinite", "stop"},
        {"fen k7/2P5/1K6/8/8/8/8/8 w - - 0 1", "go ponder wtime 1000 btime 1000", "stop"},
        {"startpos", "go infinite depth 2", "stop"},
        {"startpos", "go ponder depth 2", "ponderhit"},
        {"fen 7k/8/8/8/8/8/6q1/7K w - - 0 1", "go infinite", "ucinewgame"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> seen;
        s.p.Send(std::string("position ") + c.position + "\n" + c.go + "\n");
        // Words that act only when no search runs are passed over while it waits.
        s.p.Send("go depth 1\nposition startpos\nuci\nsetoption name Ponder value true\n");
        for (int i = 0; i < 3; i++) {
            s.p.Send("isready\n");
            ASSERT_TRUE(s.p.WaitFor("readyok", nullptr, kWait, &seen)) << c.position << " " << c.go;
        }
        EXPECT_FALSE(Has(seen, "bestmove")) << c.position << " " << c.go;
        EXPECT_FALSE(Has(seen, "uciok")) << c.position << " " << c.go;
        const std::string best = s.Go(std::string(c.release) + "\n", &seen);
        EXPECT_TRUE(Legal(c.position, MoveOf(best))) << c.position << " " << c.go << ": " << best;
        EXPECT_EQ(best.find("ponder"), std::string::npos) << best;
        // Nothing of the ignored lines is left over: one search, one bestmove.
        s.p.Send("isready\n");
        seen.clear();
        ASSERT_TRUE(s.p.WaitFor("readyok", nullptr, kWait, &seen));
        EXPECT_FALSE(Has(seen, "bestmove")) << c.position << " " << c.go;
    }
}

TEST_F(PeerTest, PonderhitTurnsThePonderSearchIntoATimedOne)
{
    Session s;
    s.p.Send("setoption name Ponder value true\n");
    const std::string position = "startpos moves e2e4 e7e5 g1f3";
    // The clock is short: once the ponder search is hit it must end by itself.
    s.p.Send("position " + position + "\ngo ponder wtime 3000 btime 3000\nisready\n");
    std::vector<std::string> seen;
    ASSERT_TRUE(s.p.WaitFor("readyok", nullptr, kWait, &seen));
    const std::string best = s.Go("ponderhit\n", &seen);
    EXPECT_FALSE(Has(seen, " Search Aborted due to receiveing following string: ponderhit"));
    const auto w = Words(best);
    ASSERT_GE(w.size(), 2u) << best;
    EXPECT_TRUE(Legal(position, w[1])) << best;
    // The predicted reply, when one is sent, is legal after the move.
    if (w.size() == 4) {
        EXPECT_EQ(w[2], "ponder");
        EXPECT_TRUE(Legal(position + " " + w[1], w[3])) << best;
    } else {
        EXPECT_EQ(w.size(), 2u) << best;
    }
}

TEST_F(PeerTest, UcinewgameDuringASearchAnswersAndThenResets)
{
    for (const char* go : {"go wtime 100000000 btime 100000000", "go depth 40", "go infinite"}) {
        Session s;
        std::vector<std::string> seen;
        s.p.Send(std::string("position startpos moves e2e4 e7e5 g1f3\n") + go + "\nisready\n");
        ASSERT_TRUE(s.p.WaitFor("readyok", nullptr, kWait));
        const std::string best = s.Go("ucinewgame\n", &seen);
        EXPECT_TRUE(Has(seen, " Search Aborted due to receiveing following string: ucinewgame"));
        EXPECT_TRUE(Legal("startpos moves e2e4 e7e5 g1f3", MoveOf(best))) << go << ": " << best;
        // The reset: the next search starts from the start position, white to move.
        const std::string next = s.Go("go depth 3\n");
        EXPECT_TRUE(Legal("startpos", MoveOf(next))) << go << ": " << next;
    }
}

TEST_F(PeerTest, SearchmovesRestrictsTheRootAndPlaysNothing)
{
    Session s;
    std::string best = s.Go("position startpos\ngo depth 4 searchmoves g1f3\n");
    EXPECT_EQ(MoveOf(best), "g1f3");
    best = s.Go("position startpos\ngo depth 5 searchmoves a2a3 h2h3 e2e5 e7e5 searchmoves\n");
    EXPECT_TRUE(MoveOf(best) == "a2a3" || MoveOf(best) == "h2h3") << best;
    // After the moves, other parameters still count.
    std::vector<std::string> seen;
    best = s.Go("position startpos moves e2e4\ngo searchmoves c7c5 e7e6 depth 3\n", &seen);
    EXPECT_TRUE(MoveOf(best) == "c7c5" || MoveOf(best) == "e7e6") << best;
    EXPECT_TRUE(Has(seen, "info depth 3 score cp "));
    EXPECT_FALSE(Has(seen, "info depth 4"));
    // A list with no legal move leaves every move to the search.
    best = s.Go("position startpos\ngo depth 2 searchmoves e7e5 a1a8\n");
    EXPECT_TRUE(Legal("startpos", MoveOf(best))) << best;
}

TEST_F(PeerTest, CarriageReturnsAndBlanksAreTolerated)
{
    RunResult r = RunVorn({},
                          "uci\r\n  isready \r\nposition  startpos   moves\te2e4  e7e5\r\n\r\n"
                          "go   depth 3\r\n",
                          kWait);
    EXPECT_EQ(r.exitStatus, 0);
    const std::string& out = r.output;
    EXPECT_NE(out.find("uciok\nreadyok\n"), std::string::npos) << out;
    EXPECT_NE(out.find("info depth 3 score cp "), std::string::npos) << out;
    const size_t bm = out.find("bestmove ");
    ASSERT_NE(bm, std::string::npos) << out;
    const std::string line = out.substr(bm, out.find('\n', bm) - bm);
    EXPECT_TRUE(Legal("startpos moves e2e4 e7e5", MoveOf(line))) << line;
    // "quit" with a carriage return still ends the program at once.
    r = RunVorn({}, "uci\r\nquit\r\nisready\r\n", kWait);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.output.substr(r.output.size() - 6), "uciok\n");
}

TEST_F(PeerTest, EndOfInputInEachState)
{
    // Idle: the program ends.
    RunResult r = RunVorn({}, "uci\nisready\n", kWait);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.output.substr(r.output.size() - 14), "uciok\nreadyok\n");
    // In a search: one bestmove, last, then the end. Timed and fixed-depth searches finish.
    struct Case {
        const char* go;
        const char* mustSee;
    };
    const Case cases[] = {
        {"go movetime 300", nullptr},
        {"go wtime 2000 btime 2000", nullptr},
        {"go depth 6", "info depth 6 score cp "},
        {"go infinite", nullptr},
        {"go ponder wtime 2000 btime 2000", nullptr},
    };
    for (const Case& c : cases) {
        r = RunVorn({}, std::string("uci\nposition startpos moves g1f3\n") + c.go + "\n", kWait);
        EXPECT_EQ(r.exitStatus, 0) << c.go;
        const size_t bm = r.output.find("bestmove ");
        ASSERT_NE(bm, std::string::npos) << c.go << "\n" << r.output;
        EXPECT_EQ(r.output.find("bestmove ", bm + 1), std::string::npos) << c.go;
        const std::string line = r.output.substr(bm);
        EXPECT_EQ(line.find('\n'), line.size() - 1) << c.go << ": the bestmove is not last";
        EXPECT_TRUE(Legal("startpos moves g1f3", MoveOf(line.substr(0, line.size() - 1)))) << line;
        if (c.mustSee) {
            EXPECT_NE(r.output.find(c.mustSee), std::string::npos) << c.go;
        }
    }
    // An infinite search that waits for its release is released by the end of input too.
    r = RunVorn({}, "uci\nposition fen 7k/8/8/8/8/8/6q1/7K w - - 0 1\ngo infinite\n", kWait);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_NE(r.output.find("bestmove h1g2 \n"), std::string::npos) << r.output;
}

TEST(UciSession, QuitEndsTheProgramEvenDuringASearch)
{
    Session s;
    s.p.Send("position startpos\ngo infinite\nisready\n");
    ASSERT_TRUE(s.p.WaitFor("readyok", nullptr, kWait));
    s.p.Send("quit\n");
    std::vector<std::string> seen;
    s.p.WaitFor("bestmove", nullptr, 5000, &seen);
    EXPECT_FALSE(Has(seen, "bestmove"));
    EXPECT_EQ(s.p.Wait(kWait), 0);
}

TEST_F(PeerTest, PositionLineStopsAtAnIllegalMove)
{
    Session s;
    // The line is played up to e7e5 and white is to move: a black king move, an empty square,
    // a square off the board.
    for (const char* tail : {"e8e7 d2d4", "e7e5 d7d5", "e2e9", "e2e4 b8c6"}) {
        const std::string best =
            s.Go(std::string("position startpos moves e2e4 e7e5 ") + tail + "\ngo depth 3\n");
        EXPECT_TRUE(Legal("startpos moves e2e4 e7e5", MoveOf(best))) << tail << ": " << best;
    }
}

TEST_F(PeerTest, PromotionsAreSentWithALowerCaseLetter)
{
    Session s;
    std::vector<std::string> seen;
    std::string best = s.Go("position fen k7/2P5/1K6/8/8/8/8/8 w - - 0 1\ngo depth 3\n", &seen);
    EXPECT_EQ(best, "bestmove c7c8q ");
    // The mate in one ends the search at depth 1; every line shows it.
    EXPECT_TRUE(Has(seen, "info depth 1 score cp 10999 nodes 1 pv c7c8q "));
    EXPECT_TRUE(Has(seen, "info depth 1 score cp 10999 time "));
    for (const auto& l : seen) {
        const size_t pv = l.find(" pv ");
        if (pv != std::string::npos) {
            EXPECT_EQ(l.find_first_of("QRBN", pv), std::string::npos) << l;
        }
    }
    best = s.Go("position fen 8/8/8/8/8/1k6/2p5/K7 b - - 0 1\ngo depth 3\n");
    EXPECT_EQ(best, "bestmove c2c1q ");
}

TEST(UciSession, NoLegalMoveGivesTheNullMove)
{
    Session s;
    std::vector<std::string> seen;
    // Mated, and stalemated.
    for (const char* fen : {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3",
                            "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"}) {
        EXPECT_EQ(s.Go(std::string("position fen ") + fen + "\ngo wtime 1000 btime 1000\n", &seen),
                  "bestmove 0000")
            << fen;
        EXPECT_EQ(
            s.Go(std::string("position fen ") + fen + "\ngo infinite\nisready\nstop\n", &seen),
            "bestmove 0000")
            << fen;
    }
    for (const auto& l : seen) EXPECT_EQ(l.find("a1a1"), std::string::npos) << l;
}

TEST(UciSession, LongLinesAndWordsAreCut)
{
    Session s;
    std::string line = "position startpos moves e2e4 e7e5";
    while (line.size() < 30000) line += " g1f3";
    s.p.Send(line + "\n" + std::string(25000, 'x') + "\nisready\n");
    ASSERT_TRUE(s.p.WaitFor("readyok", nullptr, kWait));
    // A long word during a search is one more ignored word.
    s.p.Send("go depth 40\n" + std::string(25000, 'y') + "\nisready\n");
    ASSERT_TRUE(s.p.WaitFor("readyok", nullptr, kWait));
    const std::string best = s.Go("stop\n");
    EXPECT_FALSE(MoveOf(best).empty());
    s.p.Send("quit\n");
    EXPECT_EQ(s.p.Wait(kWait), 0);
}

TEST(UciSession, PonderhitWithNoSearchReplaysTheStartupWord)
{
    const RunResult r = RunVorn({}, "uci\nponderhit\nisready\n", kWait);
    std::string ids;
    for (const char* l : kIdLines) ids += std::string(l) + "\n";
    EXPECT_EQ(r.output, "Vorn \n" + ids + ids + "readyok\n");
    EXPECT_EQ(r.exitStatus, 0);
}

TEST_F(PeerTest, ClockGameOfSeveralMoves)
{
    // The engine plays both sides for twelve plies with a few seconds on each clock.
    Session s;
    s.p.Send("ucinewgame\nisready\n");
    ASSERT_TRUE(s.p.WaitFor("readyok", nullptr, kWait));
    std::string moves;
    for (int ply = 0; ply < 12; ply++) {
        const std::string position = moves.empty() ? "startpos" : "startpos moves" + moves;
        const std::string best =
            s.Go("position " + position + "\ngo wtime 4000 btime 3000 winc 100 binc 100\n");
        const auto w = Words(best);
        ASSERT_GE(w.size(), 2u) << best;
        ASSERT_TRUE(Legal(position, w[1])) << position << ": " << best;
        // After "ucinewgame" a predicted reply may follow; it must be legal then.
        if (w.size() > 2) {
            ASSERT_EQ(w.size(), 4u) << best;
            EXPECT_EQ(w[2], "ponder");
            EXPECT_TRUE(Legal(position + (moves.empty() ? " moves " : " ") + w[1], w[3])) << best;
        }
        moves += " " + w[1];
    }
}

}  // namespace
