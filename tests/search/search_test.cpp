// The searches end to end: mate distances, draws, positions without moves, and the legality of
// every move and line the search hands back.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "board/setup.h"
#include "common/capture.h"
#include "eval/poseval.h"
#include "board/hashcode.h"
#include "movegen/positions.h"
#include "search/compmov.h"
#include "search/hashtab.h"
#include "movegen/see.h"
#include "board/movhist.h"
#include "core/status.h"
#include "common/quiet_status.h"

using mg::LegalMove;
using mg::IsLegal;
using mg::Position;

namespace {

// The outcome of one move decision.
struct Decision {
    int score = 0;
    u64 from = 0, to = 0;
    char promotion = NOPROMOTION;
};

// Console mode, no clock, cold tables; the game position and the settings come back afterwards.
class SearchEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedStatus_ = MainStatus;
        savedBoard_ = MainBoard;
        QuietSearchStatus(false, 40);
        PositionCache.ClearTranspositionTables();
        Search.NewGame();
        MoveList.Init();
    }
    void TearDown() override
    {
        MainStatus = savedStatus_;
        MainBoard = savedBoard_;
        MoveList.Init();
    }

    // Sets the game position from a FEN with a fifty-move count.
    static Position Load(const char* fen, int fifty = 0)
    {
        SetupBoard(fen);
        MainBoard.InitPieceCounts();
        MainBoard.FiftyMoveCount = fifty;
        return {MainBoard, MainBoard.SideToMove, MainBoard.CastleFlags};
    }

    // Sets the game position to a position of the move-generation helpers.
    static void Use(const Position& p)
    {
        MainBoard = p.board;
        MainBoard.SideToMove = p.side;
        MainBoard.CastleFlags = p.castle;
        MainBoard.InitPieceCounts();
    }

    // One move decision by the driver at a fixed depth; the move is played on MainBoard.
    static Decision Decide(int depth)
    {
        CapturedStdout quiet;
        MainStatus.FD = static_cast<char>(depth);
        Decision d;
        d.score = Search.ProgressiveDeepening(MainBoard, static_cast<char>(depth), &d.from, &d.to,
                                              &d.promotion);
        return d;
    }

    // One root search at exactly the given depth; nothing is played.
    static Decision Exact(int depth)
    {
        CapturedStdout quiet;
        MainStatus.FD = static_cast<char>(depth);
        Decision d;
        d.score = Search.SearchExactDepth(MainBoard, static_cast<char>(depth), &d.from, &d.to,
                                          &d.promotion);
        return d;
    }

private:
    Status savedStatus_;
    ChessBoard savedBoard_;
};

std::string Text(u64 from, u64 to) { return mg::SquareName(from) + mg::SquareName(to); }

bool SamePlacement(const ChessBoard& a, const ChessBoard& b)
{
    return a.WhitePawns == b.WhitePawns && a.WhiteKnights == b.WhiteKnights &&
           a.WhiteBishops == b.WhiteBishops && a.WhiteRooks == b.WhiteRooks &&
           a.WhiteQueens == b.WhiteQueens && a.WhiteKing == b.WhiteKing &&
           a.BlackPawns == b.BlackPawns && a.BlackKnights == b.BlackKnights &&
           a.BlackBishops == b.BlackBishops && a.BlackRooks == b.BlackRooks &&
           a.BlackQueens == b.BlackQueens && a.BlackKing == b.BlackKing &&
           a.WhitePieces == b.WhitePieces && a.BlackPieces == b.BlackPieces &&
           a.AllPieces == b.AllPieces;
}

// Index of the first move of the root line that is not legal where it stands; -1 if none.
int FirstIllegalLineMove(Position p)
{
    for (int k = 0; k < Search.PVLength && k < MAXPLY; k++) {
        const PVEntry e = Search.PVTable[0][k];
        const u64 from = SquareMask(e.code >> 6), to = SquareMask(e.code & 63);
        bool found = false;
        for (const LegalMove& m : mg::LegalMoves(p)) {
            if (m.from == from && m.to == to && m.promotion == e.promotion) {
                p = mg::Played(p, m);
                found = true;
                break;
            }
        }
        if (!found) return k;
    }
    return -1;
}

// Hash pair of a board with the side to move it records.
HistoryEntry KeyOf(const ChessBoard& b)
{
    HistoryEntry e{};
    genhashcode(b.SideToMove, b.CastleFlags, &e.upper, &e.lower, &b);
    return e;
}

// --- mates ---

struct MateCase {
    const char* fen;
    int depth;
    int score;          // 110000 - the ply of the mating move
    const char* move;   // the only mating first move, or "" when there are several
};

class MateSearch : public SearchEngine, public ::testing::WithParamInterface<MateCase> {};

const MateCase kMates[] = {
    {"6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", 3, 109999, "a1a8"},
    {"r5k1/8/8/8/8/8/5PPP/6K1 b - - 0 1", 3, 109999, "a8a1"},
    {"7k/8/8/8/8/8/R7/1R4K1 w - - 0 1", 4, 109997, ""},
    {"r5k1/5ppp/8/8/8/8/1Q3PPP/1R4K1 w - - 0 1", 4, 109997, "b2b8"},
    {"rr4k1/5ppp/8/8/8/8/2Q2PPP/1RR3K1 w - - 0 1", 4, 109995, "b1b8"},
    {"r2r2k1/5ppp/8/8/8/8/4QPPP/3RR1K1 w - - 0 1", 5, 109995, "d1d8"},
    {"3rr1k1/4qppp/8/8/8/8/5PPP/R2R2K1 b - - 0 1", 5, 109995, "d8d1"},
};

TEST_P(MateSearch, DriverFindsTheShortestMate)
{
    const MateCase& c = GetParam();
    const Position p = Load(c.fen);
    const Decision d = Decide(c.depth);
    EXPECT_EQ(d.score, c.score);
    ASSERT_TRUE(IsLegal(p, d.from, d.to, d.promotion)) << Text(d.from, d.to);
    if (*c.move) {
        EXPECT_EQ(Text(d.from, d.to), c.move);
    }
    // The driver leaves the game position alone: the caller plays the move.
    EXPECT_TRUE(SamePlacement(MainBoard, p.board));
    EXPECT_EQ(FirstIllegalLineMove(p), -1);
}

TEST_P(MateSearch, ExactDepthFindsTheShortestMateAndPlaysNothing)
{
    const MateCase& c = GetParam();
    const Position p = Load(c.fen);
    const Decision d = Exact(c.depth);
    EXPECT_EQ(d.score, c.score);
    ASSERT_TRUE(IsLegal(p, d.from, d.to, d.promotion)) << Text(d.from, d.to);
    if (*c.move) {
        EXPECT_EQ(Text(d.from, d.to), c.move);
    }
    EXPECT_TRUE(SamePlacement(MainBoard, p.board));
}

INSTANTIATE_TEST_SUITE_P(Positions, MateSearch, ::testing::ValuesIn(kMates));

// Quiet moves late in the list are searched with reductions, so a mate behind a quiet first
// move may first be found by a longer line: the score is a mate, and at most the shortest one.
TEST_F(SearchEngine, MateBehindAQuietMoveIsFound)
{
    for (const char* fen : {"8/6k1/8/8/8/8/8/RR4K1 w - - 0 1", "8/7k/8/8/8/8/8/RR4K1 w - - 0 1"}) {
        const Position p = Load(fen);
        const Decision d = Decide(6);
        EXPECT_GT(d.score, 109899) << fen;
        EXPECT_LE(d.score, 109995) << fen;
        EXPECT_TRUE(IsLegal(p, d.from, d.to, d.promotion)) << fen;
    }
}

// Results stored by shallower searches must not change a mate's distance: each deeper search
// of these mates in two, with the table kept, scores exactly a mate in two.
TEST_F(SearchEngine, MateScoresKeepTheirDistanceThroughTheTable)
{
    for (const char* fen : {"8/8/4R3/8/3R4/5K2/8/7k w - - 0 1", "7Q/8/8/8/7R/1K6/8/2k5 w - - 0 1",
                            "r5k1/5ppp/8/8/8/8/1Q3PPP/1R4K1 w - - 0 1"}) {
        PositionCache.ClearTranspositionTables();
        Search.ClearHistory();
        for (int depth = 2; depth <= 8; depth++) {
            Load(fen);
            MoveList.Init();
            EXPECT_EQ(Exact(depth).score, 109997) << fen << " depth " << depth;
        }
    }
}

TEST_F(SearchEngine, MateFoundStopsTheIterations)
{
    Load("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
    const Decision d = Decide(8);
    EXPECT_EQ(d.score, 109999);
    EXPECT_EQ(Search.RootDepth, 1);
}

TEST_F(SearchEngine, MatedRootPlaysNoMove)
{
    const Position p = Load("R5k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1");
    const Decision d = Decide(4);
    EXPECT_EQ(d.score, -110000);
    EXPECT_TRUE(SamePlacement(MainBoard, p.board));
    EXPECT_EQ(Search.RootLegalMoves, 0);
}

TEST_F(SearchEngine, StalematedRootPlaysNoMove)
{
    const Position p = Load("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    const Decision d = Decide(4);
    EXPECT_EQ(d.score, 110001);
    EXPECT_TRUE(SamePlacement(MainBoard, p.board));
    const Decision e = Exact(3);
    EXPECT_EQ(e.score, 110001);
}

TEST_F(SearchEngine, SingleLegalMoveEndsAfterDepthOne)
{
    const Position p = Load("k7/8/8/8/8/8/1q6/K7 w - - 0 1");
    ASSERT_EQ(mg::LegalMoves(p).size(), 1u);
    const Decision d = Decide(6);
    EXPECT_EQ(Text(d.from, d.to), "a1b2");
    EXPECT_EQ(Search.RootDepth, 1);
    EXPECT_EQ(Search.RootLegalMoves, 1);
}

TEST_F(SearchEngine, FixedDepthRunsEveryIterationUpToIt)
{
    Load("r1bqk2r/pp2bppp/2p5/3pP3/P2Q1P2/2N1B3/1PP3PP/R4RK1 b kq - 0 0");
    Decide(5);
    EXPECT_EQ(Search.RootDepth, 5);
}

// --- draws ---

TEST_F(SearchEngine, StalemateAtPlyFourScoresMinusFour)
{
    const Position p = Load("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    ChessBoard b = p.board;
    MainStatus.FD = 4;
    const int v = Search.Search(1, -110000, 110000, b, 2, 4, 1, 0, 0, 0, 0, 1, 20);
    EXPECT_EQ(v, -4);
}

TEST_F(SearchEngine, MateAtPlyThreeScoresPlyMinusMateValue)
{
    const Position p = Load("R5k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1");
    ChessBoard b = p.board;
    MainStatus.FD = 4;
    const int v = Search.Search(1, -110000, 110000, b, 2, 3, 1, 0, 1, 0, 0, 1, 20);
    EXPECT_EQ(v, 3 - 110000);
}

// The repeated position is the one two plies back, with the same side to move.
TEST_F(SearchEngine, RepeatedPositionScoresZero)
{
    const Position p = Load("k2q4/8/8/8/8/8/r7/6K1 w - - 0 1", 10);
    ChessBoard b = p.board;
    const HistoryEntry self = KeyOf(b);
    MoveList.InsertHashCodeMoveHistory(self.upper, self.lower);
    MoveList.InsertHashCodeMoveHistory(1, 2);
    MainStatus.FD = 4;
    for (int depth : {0, 3}) {
        const int v = Search.Search(0, -110000, 110000, b, depth, 2, 1, 0, 0, 0, 0, 1, 20);
        EXPECT_EQ(v, 0) << "depth " << depth;
        EXPECT_EQ(MoveList.NumMoves, 2);
    }
    // Without the earlier occurrence White is a queen and a rook down.
    MoveList.Init();
    EXPECT_LT(Search.Search(0, -110000, 110000, b, 3, 2, 1, 0, 0, 0, 0, 1, 20), -10000);
}

// White, a queen and a rook down, steers into the position of two moves ago.
TEST_F(SearchEngine, LostSideChoosesTheRepetition)
{
    // The game so far: Kh1 ... Rb2, Kg1 ... Ra2, reaching the root position.
    ChessBoard b;
    Load("k2q4/8/8/8/8/8/r7/7K b - - 0 1", 7);
    b = MainBoard;
    const HistoryEntry repeated = KeyOf(b);
    char mask;
    b.MakeMove(SquareMask(8), SquareMask(9), NOPROMOTION, &mask);     // a2b2
    b.SideToMove = 0;
    const HistoryEntry y = KeyOf(b);
    b.MakeMove(SquareMask(7), SquareMask(6), NOPROMOTION, &mask);     // h1g1
    b.SideToMove = 1;
    const HistoryEntry z = KeyOf(b);
    b.MakeMove(SquareMask(9), SquareMask(8), NOPROMOTION, &mask);     // b2a2
    b.SideToMove = 0;
    const HistoryEntry w = KeyOf(b);

    const Position p = Load("k2q4/8/8/8/8/8/r7/6K1 w - - 0 1", 10);
    ASSERT_TRUE(SamePlacement(p.board, b));
    for (const HistoryEntry& e : {repeated, y, z, w}) MoveList.InsertHashCodeMoveHistory(e.upper, e.lower);
    const Decision d = Decide(4);
    EXPECT_EQ(d.score, 0);
    EXPECT_EQ(Text(d.from, d.to), "g1h1");

    // With no history the same position is lost.
    MoveList.Init();
    Load("k2q4/8/8/8/8/8/r7/6K1 w - - 0 1", 10);
    EXPECT_LT(Decide(4).score, -10000);
}

// --- quiescence ---

TEST_F(SearchEngine, QuiescenceStandsPatAtOrAboveBeta)
{
    const Position p = Load("4k3/8/8/8/8/8/8/3QK3 w - - 0 1");
    ChessBoard b = p.board;
    // The evaluation reads the mating-material flag that the draw test sets.
    b.CheckDraw(0);
    const int wide = PE.PosEval(0, -110000, 110000, &b, 0);
    const int narrow = PE.PosEval(0, -110000, 100, &b, 0);
    ASSERT_GT(narrow, 100);
    // No capture: the stand-pat score itself, also when it is above beta (not beta).
    EXPECT_EQ(Search.Quiesce(0, -110000, 110000, b, 0, 0, 1), wide);
    EXPECT_EQ(Search.Quiesce(0, -110000, 100, b, 0, 0, 1), narrow);
}

TEST_F(SearchEngine, QuiescenceAnswersAKingCaptureWithBeta)
{
    // Black has left its king en prise to the rook; the stand-pat score is below beta.
    const Position p = Load("4k3/8/8/8/8/8/8/K3R3 w - - 0 1");
    ChessBoard b = p.board;
    EXPECT_EQ(Search.Quiesce(0, -110000, 50000, b, 0, 0, 1), 50000);
}

TEST_F(SearchEngine, QuiescenceScoresADrawByMaterialAsZero)
{
    const Position p = Load("4k3/8/8/8/8/8/8/2N1K3 w - - 0 1");
    ChessBoard b = p.board;
    EXPECT_EQ(Search.Quiesce(0, -110000, 110000, b, 0, 0, 1), 0);
}

TEST_F(SearchEngine, QuiescenceWinsAHangingQueen)
{
    const Position p = Load("4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1");
    ChessBoard b = p.board;
    const int v = Search.Quiesce(0, -110000, 110000, b, 0, 0, 1);
    const int standPat = PE.PosEval(0, -110000, 110000, &b, 0);
    EXPECT_GT(v, standPat + 8000);
}

// --- the whole engine: every move and every line it returns is legal ---

// Positions of random games from varied starts, and the positions of the perft table.
std::vector<Position> VariedPositions()
{
    std::vector<Position> out;
    const std::vector<Position> games = mg::RandomGamePositions(2, 40);
    for (std::size_t i = 0; i < games.size(); i += 3) out.push_back(games[i]);
    std::string last;
    for (const mg::PerftCase& c : mg::LoadPerftCases(0, ~0ull)) {
        if (c.fen == last) continue;
        last = c.fen;
        out.push_back(mg::FromFen(c.fen));
    }
    return out;
}

TEST_F(SearchEngine, EveryMoveAndLineReturnedIsLegal)
{
    const std::vector<Position> positions = VariedPositions();
    ASSERT_GT(positions.size(), 150u);
    int searched = 0;
    for (std::size_t i = 0; i < positions.size(); i++) {
        const Position& p = positions[i];
        const auto legal = mg::LegalMoves(p);
        if (legal.empty()) continue;
        Use(p);
        MoveList.Init();
        const int depth = 1 + static_cast<int>(i % 4);
        const bool exact = i % 5 == 4;
        const Decision d = exact ? Exact(depth) : Decide(depth);
        searched++;
        char fen[128];
        pos2fenString(p.board, fen);
        ASSERT_TRUE(IsLegal(p, d.from, d.to, d.promotion))
            << fen << " depth " << depth << " move " << Text(d.from, d.to);
        EXPECT_EQ(FirstIllegalLineMove(p), -1) << fen << " depth " << depth;
    }
    EXPECT_GT(searched, 150);
}

// At depth 1 a quiet move is scored by quiescence after a checking move was searched deeper:
// the quiet move's line must not take the checking move's continuation.
TEST_F(SearchEngine, RookEndgameLineAtDepthOneHoldsOnlyLegalMoves)
{
    const Position p = Load("8/2p5/3p4/KP2r3/5R2/4P3/4k1P1/8 w - - 0 1");
    const Decision d = Decide(1);
    ASSERT_TRUE(IsLegal(p, d.from, d.to, d.promotion));
    EXPECT_EQ(FirstIllegalLineMove(p), -1) << "line length " << Search.PVLength;
}

// Games the engine plays against itself at small depths, the game history kept as an interface
// keeps it: each move must be legal where it is played.
TEST_F(SearchEngine, SelfPlayMovesAreLegal)
{
    const char* const starts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    };
    int moves = 0;
    for (const char* fen : starts) {
        Position p = Load(fen);
        MoveList.Init();
        for (int ply = 0; ply < 40; ply++) {
            if (mg::LegalMoves(p).empty() || MainBoard.CheckDraw(0)) break;
            const HistoryEntry key = KeyOf(MainBoard);
            MoveList.InsertHashCodeMoveHistory(key.upper, key.lower);
            const Decision d = Decide(1 + ply % 3);
            ASSERT_TRUE(IsLegal(p, d.from, d.to, d.promotion))
                << fen << " ply " << ply << " move " << Text(d.from, d.to);
            p = mg::Played(p, {d.from, d.to, d.promotion});
            PlayGameMove(MainBoard, d.from, d.to, d.promotion, nullptr);
            ASSERT_TRUE(SamePlacement(MainBoard, p.board));
            ASSERT_EQ(MainBoard.SideToMove, p.side);
            moves++;
        }
    }
    EXPECT_GT(moves, 60);
}

// The state one search changes, as bytes: line, killers, history and node counters.
std::string SearchState(const SearchRoutines& s)
{
    std::string bytes(reinterpret_cast<const char*>(s.PVTable), sizeof s.PVTable);
    bytes.append(reinterpret_cast<const char*>(s.Killers), sizeof s.Killers);
    bytes.append(reinterpret_cast<const char*>(s.History), sizeof s.History);
    const i64 nodes[3] = {s.InteriorNodes, s.LeafNodes, s.QuiesceNodes};
    bytes.append(reinterpret_cast<const char*>(nodes), sizeof nodes);
    return bytes;
}

// A second search object with an evaluator, exchange evaluator, position stack, table and
// settings of its own runs beside the program's: neither disturbs the other, and each finds
// what the other would find on its position.
TEST_F(SearchEngine, TwoSearchObjectsDoNotDisturbEachOther)
{
    const char* const first = "r1bqk2r/pp2bppp/2p5/3pP3/P2Q1P2/2N1B3/1PP3PP/R4RK1 b kq - 0 0";
    const char* const second = "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 0";
    auto evaluator = std::make_unique<PositionEvaluate>();
    auto exchange = std::make_unique<SEE>();
    auto positions = std::make_unique<MoveHistory>();
    auto table = std::make_unique<TranspositionTables>();
    MainStatus.FD = 6;  // a fixed depth: no budget stops the searches
    auto settings = std::make_unique<Status>(MainStatus);
    auto other = std::make_unique<SearchRoutines>();
    other->Eval = evaluator.get();
    other->Exchange = exchange.get();
    other->Positions = positions.get();
    other->Table = table.get();
    other->Settings = settings.get();
    other->NewGame();

    struct Outcome {
        int score;
        u64 from, to;
        i64 nodes;
    };
    auto run = [](SearchRoutines& s, const char* fen) {
        SetupBoard(fen);
        MainBoard.RecountAll();
        MainBoard.FiftyMoveCount = 0;
        ChessBoard b = MainBoard;
        Outcome o{0, 0, 0, 0};
        char promo = NOPROMOTION;
        o.score = s.SearchExactDepth(b, 6, &o.from, &o.to, &promo);
        o.nodes = s.Nodes();
        return o;
    };

    // The program's search on the first position; the other on the second.
    const Outcome a = run(Search, first);
    const std::string stateOfA = SearchState(Search);
    const Outcome b = run(*other, second);
    EXPECT_EQ(SearchState(Search), stateOfA) << "the second search changed the first's state";
    EXPECT_EQ(MoveList.NumMoves, 1) << "each search pushes its root on its own stack";
    EXPECT_EQ(positions->NumMoves, 1);

    // Swapped, from the same cold start: each position gives the same result in the other object.
    PositionCache.ClearTranspositionTables();
    Search.NewGame();
    table->ClearTranspositionTables();
    other->NewGame();
    const Outcome b2 = run(Search, second);
    const Outcome a2 = run(*other, first);
    EXPECT_EQ(a2.score, a.score);
    EXPECT_EQ(a2.from, a.from);
    EXPECT_EQ(a2.to, a.to);
    EXPECT_EQ(a2.nodes, a.nodes);
    EXPECT_EQ(b2.score, b.score);
    EXPECT_EQ(b2.from, b.from);
    EXPECT_EQ(b2.to, b.to);
    EXPECT_EQ(b2.nodes, b.nodes);
}

}  // namespace
