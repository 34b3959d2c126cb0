// The UCI dialect: exact transcripts of the real binary for each state and command, the limits
// and options scripts rely on, and the moves from outside in process, with Debian's stockfish
// as the referee of legal moves.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <regex>

#include "board/hashcode.h"
#include "board/movehistory.h"
#include "common/reference.h"
#include "common/stockfish.h"
#include "core/status.h"
#include "search/hashtab.h"
#include "shell/uci.h"

namespace {

const std::vector<std::string> IDS = {
    "id name Vorn 1.005-64",
    "id author the Vorn developers",
    "option name UCI_AnalyseMode type check default false",
    "option name OwnBook type check default false",
    "option name SecondaryBook type check default false",
    "option name BookFile type string default <empty>",
    "option name Best Book Move type check default false",
    "option name UCI_ShowCurrLine type check default false",
    "option name Ponder type check default false",
    "option name Hash type spin default 128 min 1 max 131072",
    "option name Clear Hash type button",
    "option name Threads type spin default 1 min 1 max 256",
    "option name MultiPV type spin default 1 min 1 max 256",
    "option name UCI_Chess960 type check default false",
    "option name UCI_LimitStrength type check default false",
    "option name UCI_Elo type spin default 1900 min 1350 max 1900",
    "option name Skill Level type spin default 20 min 0 max 20",
    "option name Move Overhead type spin default 0 min 0 max 5000",
    "option name UCI_EngineAbout type string default Vorn 1.005-64, a chess engine by the Vorn "
    "developers",
    "uciok"};

const char *const AFTER_E4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1";

// One command (or several) in one state of the engine. The transcript leaves out the progress
// lines (info lines other than "info string"); "bestmove *" stands for a move legal in the
// state's position, sent with no ponder move.
struct Row {
    const char *state;
    std::string input; // "EOF" at its end closes the input
    std::vector<std::string> transcript;
    bool exits; // the program ends (status 0); otherwise it must answer isready after
};

std::vector<Row> Rows()
{
    std::vector<std::string> spaced = IDS; // blanks, tabs and carriage returns between the words
    spaced.insert(spaced.end(), {"readyok", "bestmove e7e5"});
    std::vector<Row> rows = {
        {"waiting", "stop\n", {}, false},
        {"waiting", "ponderhit\n", {}, false}, // nothing to hit
        {"waiting", "uci\n", IDS, false},
        {"waiting", "ucinewgame\n", {}, false},
        {"waiting", "quit\n", {}, true},
        {"waiting", "EOF", {}, true},
        {"waiting", "position startpos\ngo depth 1\n", {"bestmove e2e4"}, false},
        {"waiting", "go depth 1\n", {"bestmove e7e5"}, false},
        {"waiting", "position startpos\ngo depth 4 searchmoves g1f3\n", {"bestmove g1f3"}, false},
        // A depth beside a clock or a move time is a ceiling.
        {"waiting",
         "go wtime 300 btime 300 depth 40\ngo movetime 200 depth 40\n",
         {"bestmove *", "bestmove *"},
         false},
        {"waiting",
         "position fen k7/2P5/1K6/8/8/8/8/8 w - - 0 1\ngo depth 3\n",
         {"bestmove c7c8q"},
         false},
        // No legal move (mated, stalemated): the null move, and no line shows a1a1.
        {"waiting",
         "position fen rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3\ngo wtime "
         "1000 btime 1000\n",
         {"bestmove 0000"},
         false},
        {"waiting",
         "position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1\ngo infinite\nisready\nstop\n",
         {"readyok", "bestmove 0000"},
         false},
        // Unsound positions are refused until a sound one comes, with the null move to a "go".
        {"waiting",
         "position fen 4k3/8/8/8/8/8/4R3/4K3 w - - 0 1\ngo depth 3\nposition fen 8/8/8/8/8/8/8/8 w "
         "- - 0 1\ngo depth 1\nposition fen k7/8/8/8/8/8/8/K6P w - - 0 1\ngo depth 1\n",
         {"info string refused position: the side not to move is in check", "bestmove 0000",
          "info string refused position: no white king", "bestmove 0000",
          "info string refused position: a pawn on the first or last rank", "bestmove 0000"},
         false},
        // Commands and options are whole words; unknown ones are named, never an error.
        {"waiting",
         "goat\nquitter\nsetoption name NoSuchThing value 3\n",
         {"info string unknown command: goat", "info string unknown command: quitter",
          "info string unknown option: NoSuchThing"},
         false},
        // Mimic words in a "go" get a line of their own, and the search its move.
        {"waiting",
         "position startpos\ngo depth 1 Mimic Student\n",
         {"Mimic info Student", "bestmove e2e4"},
         false},
        {"waiting", "uci\r\n  isready \r\nposition  startpos\t moves e2e4\r\n\r\ngo   depth 1\r\n",
         spaced, false},
        // One legal move: an infinite search still waits for its release.
        {"forced", "ponderhit\nisready\nstop\n", {"readyok", "bestmove h1g2"}, false},
        // A word read during a timed search leaves it running to its own end.
        {"timed", "isready\n", {"readyok", "bestmove *"}, false},
        {"timed", "EOF", {"bestmove *"}, true},
        {"pondering", "ponderhit\n", {"bestmove *"}, false}, // now timed, it ends by itself
    };
    // At the end of input no search runs on for long: a long finite search stops and answers,
    // and the lines read before the end still run.
    std::vector<std::string> ended = {"bestmove *", "bestmove *"};
    ended.insert(ended.end(), IDS.begin(), IDS.end());
    rows.push_back({"waiting", "go depth 60\ngo nodes 99999999999\nuci\nEOF", ended, true});
    // A game of 2,000 plies (the knights shuffle) plays on, with its repetitions seen; Black's
    // moves there are those after 1.e4.
    const char *shuffle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    std::string game = "position startpos moves";
    for (int i = 0; i < 2001; i++)
        game += std::string(" ") + shuffle[i % 4];
    rows.push_back({"waiting", game + "\ngo depth 4\n", {"bestmove *"}, false});
    // Over-long lines and words are cut, while waiting and during a search (where an unknown
    // word is named once the search has moved); the first move that cannot be played is named.
    std::string line = "position startpos moves e2e4 e7e5";
    while (line.size() < 30000)
        line += " g1f3";
    const std::string unknown = "info string unknown command: ";
    rows.push_back({"waiting",
                    line + "\n" + std::string(25000, 'x') + "\nisready\n",
                    {"info string illegal move: g1f3", unknown + std::string(31, 'x'), "readyok"},
                    false});
    rows.push_back({"searching",
                    std::string(25000, 'y') + "\nisready\nstop\n",
                    {"readyok", "bestmove *", unknown + std::string(31, 'y')},
                    false});
    // Searches that run until they are released.
    for (const char *state : {"searching", "pondering", "analysing"}) {
        const bool released = std::string(state) != "searching";
        // A ponder hit does nothing to a search that is no ponder search.
        const std::string hit = std::string(state) == "pondering" ? "" : "ponderhit\n";
        rows.push_back({state, hit + "isready\nstop\n", {"readyok", "bestmove *"}, false});
        rows.push_back({state, "quit\n", {}, true});
        // Commands that act only while no search runs wait, in order, for the search's move.
        rows.push_back(
            {state, "ucinewgame\ngo depth 1\nstop\n", {"bestmove *", "bestmove e2e4"}, false});
        std::vector<std::string> queued = {"readyok", "bestmove *", "bestmove e2e4"};
        queued.insert(queued.end(), IDS.begin(), IDS.end());
        rows.push_back(
            {state, "position startpos\ngo depth 1\nuci\nisready\nstop\n", queued, false});
        if (released) rows.push_back({state, "EOF", {"bestmove *"}, true});
    }
    return rows;
}

std::string StateSetup(const std::string &state)
{
    if (state == "waiting") return "position startpos moves e2e4\n";
    if (state == "forced") return "position fen 7k/8/8/8/8/8/6q1/7K w - - 0 1\ngo infinite\n";
    if (state == "timed") return "position startpos moves e2e4\ngo movetime 1000\n";
    if (state == "pondering")
        return "position startpos moves e2e4\ngo ponder wtime 2000 btime 2000\n";
    if (state == "analysing") return "position startpos moves e2e4\ngo infinite\n";
    return "position startpos moves e2e4\ngo wtime 100000000 btime 100000000\n";
}

// The next line that is not a progress line; "" when none comes in time.
std::string NextLine(VornProcess &p, int timeoutMs = 20000)
{
    std::string l;
    while (p.ReadLine(&l, timeoutMs)) {
        EXPECT_EQ(l.find("a1a1"), std::string::npos) << l;
        if (l.rfind("info", 0) != 0 || l.rfind("info string ", 0) == 0) return l;
    }
    return "";
}

// The rows of one state share a session, the rows that end the program have their own; each
// row starts from its state anew and ends with the engine ready for the next.
TEST(UciSession, EachCommandInEachState)
{
    const std::set<std::string> legal = ref::LegalTexts(AFTER_E4);
    std::vector<Row> rows = Rows();
    std::map<std::string, std::unique_ptr<VornProcess>> sessions;
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.state) + ": " + row.input.substr(0, 80));
        const std::string key = row.exits ? row.input + row.state : row.state;
        auto &session = sessions[key];
        const bool fresh = !session;
        if (fresh) session = std::make_unique<VornProcess>();
        VornProcess &p = *session;
        p.Send(std::string(fresh ? "uci\n" : "") + StateSetup(row.state) + "isready\n");
        std::vector<std::string> setup;
        for (std::string l; (l = NextLine(p)) != "readyok" && !l.empty();)
            setup.push_back(l);
        // An interface hears no greeting: the first lines are the answer to "uci".
        EXPECT_EQ(setup, fresh ? IDS : std::vector<std::string>{}) << "before the command";
        const bool eof = row.input.size() >= 3 && row.input.substr(row.input.size() - 3) == "EOF";
        p.Send(row.input.substr(0, row.input.size() - (eof ? 3 : 0)));
        if (eof) p.CloseInput();
        for (const std::string &expected : row.transcript) {
            std::string l = NextLine(p);
            if (expected == "bestmove *" && l.size() > 12 && legal.count(l.substr(9)))
                l = "bestmove *";
            EXPECT_EQ(l, expected);
        }
        if (row.exits) {
            EXPECT_EQ(NextLine(p), "") << "after the transcript";
            EXPECT_EQ(p.Wait(20000), 0);
            sessions.erase(key);
        } else {
            p.Send("isready\n");
            EXPECT_EQ(NextLine(p), "readyok") << "after the transcript";
        }
    }
    for (auto &[name, p] : sessions) {
        p->Send("quit\n");
        EXPECT_EQ(p->Wait(20000), 0) << name;
    }
}

// The lines up to the next bestmove (its own included); nothing when none comes in time.
std::vector<std::string> UpToBestmove(VornProcess &p, int timeoutMs = 20000)
{
    std::vector<std::string> seen;
    p.WaitFor("bestmove", nullptr, timeoutMs, &seen);
    return seen;
}

bool HasBestmove(const std::vector<std::string> &lines)
{
    for (const auto &l : lines)
        if (l.rfind("bestmove", 0) == 0) return true;
    return false;
}

// Infinite and ponder searches answer only when released, even when they have ended by
// themselves: a mate found at once, a node limit, a move time or a mate limit reached. A ponder
// search that has ended answers at once on the ponder hit.
TEST(UciSearch, WaitingSearchesAnswerOnlyWhenReleased)
{
    VornProcess p;
    p.Send("uci\nisready\n");
    ASSERT_TRUE(p.WaitFor("readyok", nullptr, 20000));
    const std::string mate = "position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1\n";
    struct {
        const char *go, *release;
    } cases[] = {{"go infinite", "stop"},
                 {"go infinite nodes 2000", "stop"},
                 {"go infinite movetime 50", "stop"},
                 {"go infinite mate 1", "stop"},
                 {"go ponder nodes 2000", "ponderhit"},
                 {"go ponder wtime 1000 btime 1000", "ponderhit"},
                 {"go ponder movetime 50", "stop"}};
    for (const auto &c : cases) {
        p.Send(mate + c.go + "\n");
        Pause(600);
        p.Send("isready\n");
        std::vector<std::string> seen;
        EXPECT_TRUE(p.WaitFor("readyok", nullptr, 20000, &seen)) << c.go;
        EXPECT_FALSE(HasBestmove(seen)) << c.go << ": answered before " << c.release;
        p.Send(std::string(c.release) + "\n");
        const auto answer = UpToBestmove(p);
        ASSERT_FALSE(answer.empty()) << c.go;
        EXPECT_EQ(answer.back(), "bestmove d1d8") << c.go;
    }
}

// After the ponder hit the limits of the "go" count from the hit, not from the start of the
// ponder search.
TEST(UciSearch, PonderHitStartsTheClock)
{
    VornProcess p;
    p.Send("uci\nposition startpos moves e2e4\ngo ponder movetime 600\n");
    Pause(1500);
    const auto hit = std::chrono::steady_clock::now();
    p.Send("ponderhit\n");
    ASSERT_TRUE(HasBestmove(UpToBestmove(p)));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - hit)
                        .count();
    EXPECT_GE(ms, 450) << "the move time ran from the start of the ponder search";
}

// A node limit stops the search at least at the nodes asked for and not many more than the last
// iteration could add; a depth alone is still exact. (A depth beside a clock or a move time is a
// ceiling: a row of the transcripts.)
TEST(UciSearch, NodeAndDepthLimits)
{
    VornProcess p;
    long long nodes = -1, depth = -1;
    std::smatch m;
    p.Send("uci\nposition startpos\ngo nodes 30000\n");
    for (const std::string &l : UpToBestmove(p))
        if (std::regex_search(l, m, std::regex("^info depth .* nodes (\\d+) ")))
            nodes = std::stoll(m[1]);
    EXPECT_GE(nodes, 30000);
    EXPECT_LT(nodes, 200000);
    p.Send("go depth 4\n");
    for (const std::string &l : UpToBestmove(p))
        if (std::regex_search(l, m, std::regex("^info depth (\\d+) "))) depth = std::stoll(m[1]);
    EXPECT_EQ(depth, 4);
}

// The first line picks the dialect by its first word; the rest of it is passed over, as on
// every later line.
TEST(UciSearch, TheFirstLineIsOneCommand)
{
    EXPECT_NE(RunVorn({}, "uci quit\nisready\n").output.find("readyok"), std::string::npos);
    EXPECT_EQ(RunVorn({}, "uci go depth 1\nisready\n").output.find("bestmove"), std::string::npos);
    // "d" shows the position a person checks: its FEN among the lines.
    EXPECT_NE(
        RunVorn({}, "uci\nposition startpos moves e2e4\nd\n")
            .output.find("\nFen: rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1\n"),
        std::string::npos);
    const std::string xboard = RunVorn({}, "xboard ping 3\nping 4\n").output;
    EXPECT_EQ(xboard.find("pong 3"), std::string::npos);
    EXPECT_NE(xboard.find("pong 4"), std::string::npos);
}

// The tests below hand lines to the UCI loop in process (never a search or "quit").
std::string BoardText()
{
    char buf[FEN_MAX];
    WriteFen(MainBoard, 1, buf);
    return buf;
}

bool HistoryTopIs(char side)
{
    u64 upper, lower;
    genhashcode(side, MainBoard.CastleFlags, &upper, &lower, &MainBoard);
    return MainHistory.NumMoves > 0 &&
           MainHistory.Entries[MainHistory.NumMoves - 1].upper == upper &&
           MainHistory.Entries[MainHistory.NumMoves - 1].lower == lower;
}

TEST(UciPosition, MovesSetTheSideTheHistoryAndStopAtTheFirstOneThatCannotBePlayed)
{
    UCI.Command("position startpos moves e2e4 e7e5");
    const std::string afterTwo = BoardText();
    EXPECT_EQ(afterTwo, "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 1");
    EXPECT_EQ(MainStatus.GamePly, 2);
    EXPECT_TRUE(HistoryTopIs(0));
    for (const char *tail : {"e1e3 d2d4", "e2e4 d2d4", "d7d5 g1f3", "e2e9 g1f3", "i2i4 g1f3",
                             "g1f3x b8c6", "g1f3q b8c6", "g1 b8c6", "g1f3g5 b8c6"}) {
        UCI.Command(std::string("position startpos moves e2e4 e7e5 ") + tail);
        EXPECT_EQ(BoardText(), afterTwo) << tail;
        // The history keeps the positions since the last pawn move or capture: e7e5 alone.
        EXPECT_EQ(MainHistory.NumMoves, 1) << tail;
    }
    UCI.Command("position fen " + std::string(AFTER_E4) + " moves e7e5");
    EXPECT_EQ(MainBoard.SideToMove, 0);
    EXPECT_EQ(UCI.HashSide, 0);
    EXPECT_TRUE(HistoryTopIs(0));
}

// A "go" line becomes one limits value: the clock of the side to move, a depth that is fixed
// alone and a ceiling beside a clock, every number held to a sane range.
TEST(UciGo, LimitsOfAGoLine)
{
    ChessBoard white =
        ref::FromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1").board;
    ChessBoard black = ref::FromFen(AFTER_E4).board;
    const char *clock = "go wtime 7000 btime 9000 winc 3000 binc 4000 movestogo 12";
    SearchLimits l = GoLimits(clock, white);
    EXPECT_EQ(l.Time, 7000);
    EXPECT_EQ(l.Increment, 3000);
    EXPECT_EQ(l.MovesToGo, 12);
    EXPECT_FALSE(l.FixedDepth || l.Infinite || l.Ponder || l.MoveTime);
    l = GoLimits(clock, black);
    EXPECT_EQ(l.Time, 9000);
    EXPECT_EQ(l.Increment, 4000);
    // Beside a move time a depth is a ceiling, not a fixed depth that switches the clock off.
    l = GoLimits("go depth 7 movetime 500", white);
    EXPECT_FALSE(l.FixedDepth);
    EXPECT_EQ(l.Depth, 7);
    EXPECT_EQ(l.MoveTime, 500);
    l = GoLimits("go depth 9", white);
    EXPECT_TRUE(l.FixedDepth);
    EXPECT_EQ(l.Depth, 9);
    // Numbers out of range are held to it before anything is worked out from them.
    l = GoLimits("go depth 99999999999 wtime 99999999999 btime -5", white);
    EXPECT_EQ(l.Depth, 60);
    EXPECT_EQ(l.Time, INT32_MAX);
    l = GoLimits("go mate 99999999999", white);
    EXPECT_GE(l.Mate, 1);
    EXPECT_LE(l.Mate, 100);
    EXPECT_EQ(l.Depth, 0) << "a mate alone searches as deep as the engine goes";
    EXPECT_GT(l.MoveTime, 1000000) << "and takes the time it needs";
    l = GoLimits("go nodes 0 mate -3", white);
    EXPECT_EQ(l.Nodes, 1);
    EXPECT_EQ(l.Mate, 1);
    // Only legal moves of the position are search moves, once each; a keyword ends the list.
    l = GoLimits("go searchmoves e2e4 e2e5 g1f3 e7e5 e2e4 depth 3", white);
    EXPECT_EQ(l.SearchMoveCount, 2);
    EXPECT_FALSE(l.Allows(ref::Sq("d2") * 64 + ref::Sq("d4")));
    EXPECT_EQ(l.Depth, 3);
}

// The options an interface sets, and what each one does.
TEST(UciOptions, HashClearHashAndMoveOverheadTakeEffect)
{
    TranspositionTables &t = PositionCache;
    const Status saved = MainStatus;
    // 15 MB hold 2^17 buckets of 64 bytes (8 MB); 128 MB give the default 2^21 buckets again.
    UCI.Command("setoption name Hash value 15");
    EXPECT_EQ(t.BucketCount, (u64{1} << 17) + 3);
    EXPECT_EQ(t.Megabytes(), 8u);
    UCI.Command("setoption name Hash value 128");
    EXPECT_EQ(t.BucketCount, u64{TTABLESIZE});
    // A stored entry answers a probe until the table is cleared.
    t.InsertTranspositionTables(1, 77, 0, 4, 5, 123, TT_EXACT, -1000, 1000);
    i32 value = 0, move = 0;
    EXPECT_EQ(t.SearchTranspositionTables(1, 77, 0, 4, -1000, 1000, &value, &move), TT_EXACT);
    UCI.Command("setoption name Clear Hash");
    EXPECT_EQ(t.SearchTranspositionTables(1, 77, 0, 4, -1000, 1000, &value, &move), TT_NOCUT);
    UCI.Command("setoption name Move Overhead value 300");
    EXPECT_EQ(MainStatus.MoveOverhead, 300);
    MainStatus = saved;
}

// Every move text the peer engine lists is played, and no other.
TEST(UciPosition, MovesFromOutsideAreExactlyTheLegalOnes)
{
    if (StockfishPath().empty())
        GTEST_SKIP() << "stockfish is not installed (apt-get install stockfish)";
    Stockfish peer;
    ASSERT_TRUE(peer.Start());
    for (const char *position :
         {"startpos moves e2e4 d7d5 e4e5 f7f5", // en passant e5f6
          "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1 moves a2a4",
          "fen 8/8/8/KPp4r/8/8/8/6k1 w - c6 0 1",  // en passant would expose the king
          "fen 8/8/8/2k5/3Pp3/8/8/4K3 b - d3 0 1", // en passant takes the checker
          "fen n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
          "fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves a1a8",
          "fen 4k3/8/8/8/8/8/5r2/R3K2R w KQ - 0 1", // castling through an attacked square
          "fen 4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1"}) {
        const std::vector<std::string> legal = peer.LegalMoves(position);
        ASSERT_FALSE(legal.empty()) << position;
        const std::string base = std::string("position ") + position;
        std::vector<std::string> accepted;
        for (int from = 0; from < 64; from++) {
            for (int to = 0; to < 64; to++) {
                for (const char *letter : {"", "q", "r", "b", "n"}) {
                    if (*letter && to / 8 != 0 && to / 8 != 7) continue;
                    const std::string text = ref::Name(from) + ref::Name(to) + letter;
                    UCI.Command(base);
                    if (UCI.MakeMoves(text.c_str())) {
                        accepted.push_back(
                            text.size() == 4 && IsListed(legal, text + "q") ? text + "q" : text);
                        EXPECT_TRUE(HistoryTopIs(MainBoard.SideToMove)) << text;
                    }
                }
            }
        }
        std::sort(accepted.begin(), accepted.end());
        accepted.erase(std::unique(accepted.begin(), accepted.end()), accepted.end());
        EXPECT_EQ(accepted, legal) << position;
    }
}

} // namespace
