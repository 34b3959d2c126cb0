// The searches end to end: mates at their distance, repetitions, positions without moves, the
// legality of every move and line returned, and the time budget.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "board/hashcode.h"
#include "board/movehistory.h"
#include "common/reference.h"
#include "core/status.h"
#include "eval/poseval.h"
#include "movegen/see.h"
#include "search/hashtab.h"
#include "search/search.h"
#include "shell/bench.h"

namespace {

struct Decision {
    int score = 0;
    u64 from = 0, to = 0;
    char promotion = NOPROMOTION;
};

// Console mode, quiet, cold tables; the game position and settings come back after.
class SearchEngine : public ::testing::Test {
  protected:
    void SetUp() override
    {
        saved_ = MainStatus;
        savedBoard_ = MainBoard;
        Status &st = MainStatus;
        st.UCIMode = st.xboard = st.Post = st.Kibitz = 0;
        MainSearch.NPS = 1200000;
        PositionCache.ClearTranspositionTables();
        MainSearch.NewGame();
        MainHistory.Init();
    }
    void TearDown() override
    {
        MainStatus = saved_;
        MainBoard = savedBoard_;
        MainHistory.Init();
    }
    // The game position of a FEN with a fifty-move count.
    static ref::Position Load(const char *fen, int fifty = 0)
    {
        ref::Position p = ref::FromFen(fen);
        MainBoard.FiftyMoveCount = p.board.FiftyMoveCount = fifty;
        return p;
    }
    // One decision under limits, by the driver or by one root search at exactly their depth.
    static Decision Decide(const SearchLimits &limits, bool exact = false)
    {
        ::testing::internal::CaptureStdout();
        Decision d;
        d.score =
            exact
                ? MainSearch.SearchExactDepth(MainBoard, limits, &d.from, &d.to, &d.promotion)
                : MainSearch.ProgressiveDeepening(MainBoard, limits, &d.from, &d.to, &d.promotion);
        ::testing::internal::GetCapturedStdout();
        return d;
    }
    static Decision Decide(int depth, bool exact = false) { return Decide(Depth(depth), exact); }
    static SearchLimits Depth(int depth)
    {
        SearchLimits l;
        l.FixedDepth = true;
        l.Depth = depth;
        l.GamePly = 40;
        return l;
    }

  private:
    Status saved_;
    ChessBoard savedBoard_;
};

std::string Text(const Decision &d)
{
    return d.from && d.to ? ref::Name(__builtin_ctzll(d.from)) + ref::Name(__builtin_ctzll(d.to))
                          : "none";
}

// Index of the first move of the root line that is not legal where it stands; -1 if none.
int FirstIllegalLineMove(ref::Position p)
{
    for (int k = 0; k < MainSearch.PVLength && k < MAXPLY; k++) {
        const PVEntry e = MainSearch.PVTable[0][k];
        const u64 from = SquareMask(e.code >> 6), to = SquareMask(e.code & 63);
        if (!ref::IsLegal(p, from, to, e.promotion)) return k;
        p = ref::Played(p, {e.code >> 6, e.code & 63, e.promotion});
    }
    return -1;
}

TEST_F(SearchEngine, MatesAtTheirShortestDistance)
{
    const struct {
        const char *fen;
        int depth, score; // 110000 less the ply of the mating move
        const char *move; // the only mating first move, or "" when there are several
    } cases[] = {
        {"6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", 3, 109999, "a1a8"},
        {"r5k1/8/8/8/8/8/5PPP/6K1 b - - 0 1", 3, 109999, "a8a1"},
        {"7k/8/8/8/8/8/R7/1R4K1 w - - 0 1", 4, 109997, ""},
        {"r5k1/5ppp/8/8/8/8/1Q3PPP/1R4K1 w - - 0 1", 4, 109997, "b2b8"},
        {"rr4k1/5ppp/8/8/8/8/2Q2PPP/1RR3K1 w - - 0 1", 4, 109995, "b1b8"},
        {"3rr1k1/4qppp/8/8/8/8/5PPP/R2R2K1 b - - 0 1", 5, 109995, "d8d1"},
    };
    for (const auto &c : cases) {
        for (bool exact : {false, true}) {
            const ref::Position p = Load(c.fen);
            const Decision d = Decide(c.depth, exact);
            EXPECT_EQ(d.score, c.score) << c.fen << (exact ? " exact" : "");
            EXPECT_TRUE(ref::IsLegal(p, d.from, d.to, d.promotion)) << c.fen << " " << Text(d);
            if (*c.move) {
                EXPECT_EQ(Text(d), c.move) << c.fen;
            }
            EXPECT_EQ(MainBoard.AllPieces, p.board.AllPieces) << "the caller plays the move";
            if (!exact) {
                EXPECT_EQ(FirstIllegalLineMove(p), -1) << c.fen;
            }
        }
    }
}

// Results stored by shallower searches must not change a mate's distance: each deeper search
// of these mates in two, with the table kept, scores exactly a mate in two.
TEST_F(SearchEngine, MateScoresKeepTheirDistanceThroughTheTable)
{
    for (const char *fen : {"8/8/4R3/8/3R4/5K2/8/7k w - - 0 1", "7Q/8/8/8/7R/1K6/8/2k5 w - - 0 1",
                            "r5k1/5ppp/8/8/8/8/1Q3PPP/1R4K1 w - - 0 1"}) {
        PositionCache.ClearTranspositionTables();
        MainSearch.ClearHistory();
        for (int depth = 2; depth <= 8; depth++) {
            Load(fen);
            MainHistory.Init();
            EXPECT_EQ(Decide(depth, true).score, 109997) << fen << " depth " << depth;
        }
    }
}

TEST_F(SearchEngine, RootWithoutMovesPlaysNothing)
{
    Load("R5k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1");
    EXPECT_EQ(Decide(4).score, -110000);
    EXPECT_EQ(MainSearch.RootLegalMoves, 0);
    Load("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    EXPECT_EQ(Decide(4).score, 110001);
    EXPECT_EQ(Decide(3, true).score, 110001);
}

// White, a queen and a rook down, steers into the position of two moves ago.
TEST_F(SearchEngine, LostSideChoosesTheRepetition)
{
    ref::Position p = Load("k2q4/8/8/8/8/8/r7/7K b - - 0 1", 7);
    for (const ref::Move &m : {ref::Move{8, 9, NOPROMOTION}, ref::Move{7, 6, NOPROMOTION},
                               ref::Move{9, 8, NOPROMOTION}, ref::Move{-1, 0, 0}}) {
        u64 upper, lower;
        genhashcode(p.side, p.castle, &upper, &lower, &p.board);
        MainHistory.InsertHashCodeMoveHistory(upper, lower);
        if (m.from >= 0) p = ref::Played(p, m);
    }
    Load("k2q4/8/8/8/8/8/r7/6K1 w - - 0 1", 10);
    ASSERT_EQ(MainBoard.AllPieces, p.board.AllPieces);
    const Decision d = Decide(4);
    EXPECT_EQ(d.score, 0);
    EXPECT_EQ(Text(d), "g1h1");
    MainHistory.Init(); // with no history the same position is lost
    Load("k2q4/8/8/8/8/8/r7/6K1 w - - 0 1", 10);
    EXPECT_LT(Decide(4).score, -10000);
}

// No capture: quiescence returns the stand-pat score itself, also above beta; a hanging queen
// is won; a draw by material scores zero.
TEST_F(SearchEngine, QuiescenceStandsPatAndWinsWhatHangs)
{
    ChessBoard b = Load("4k3/8/8/8/8/8/8/3QK3 w - - 0 1").board;
    b.CheckDraw(0);
    const int wide = PE.PosEval(0, -110000, 110000, &b, 0),
              narrow = PE.PosEval(0, -110000, 100, &b, 0);
    ASSERT_GT(narrow, 100);
    EXPECT_EQ(MainSearch.Quiesce(0, -110000, 110000, b, 0, 0, 1), wide);
    EXPECT_EQ(MainSearch.Quiesce(0, -110000, 100, b, 0, 0, 1), narrow);
    b = Load("4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1").board;
    EXPECT_GT(MainSearch.Quiesce(0, -110000, 110000, b, 0, 0, 1),
              PE.PosEval(0, -110000, 110000, &b, 0) + 8000);
    b = Load("4k3/8/8/8/8/8/8/2N1K3 w - - 0 1").board;
    EXPECT_EQ(MainSearch.Quiesce(0, -110000, 110000, b, 0, 0, 1), 0);
}

// The table's answers: an exact entry cuts at its depth or less, a bound only beyond the window
// (with the window's edge as the value), an upper bound below beta hints that a null move
// fails; a mate score is kept as a distance from the stored node.
TEST(TranspositionTable, ProbesAnswerByBoundAndDepth)
{
    PositionCache.ClearTranspositionTables();
    auto store = [](u64 lower, int depth, int move, int value, int flag) {
        PositionCache.InsertTranspositionTables(1, lower, 0, depth, static_cast<i16>(move), value,
                                                static_cast<char>(flag), -110000, 110000);
    };
    i32 value = 0, move = 0;
    auto probe = [&](u64 lower, int depth, int alpha, int beta) {
        value = move = -1;
        return PositionCache.SearchTranspositionTables(1, lower, 1, depth, alpha, beta, &value,
                                                       &move);
    };
    store(11, 4, 21, 123, 2);
    EXPECT_EQ(probe(11, 4, -1000, 1000), 2);
    EXPECT_EQ(value, 123);
    EXPECT_EQ(probe(11, 5, -1000, 1000), 3);
    EXPECT_EQ(move, 21);
    store(12, 4, 22, -50, 0);
    EXPECT_EQ(probe(12, 3, -40, 100), 0);
    EXPECT_EQ(value, -40);
    EXPECT_EQ(probe(12, 3, -60, 100), 4);
    store(13, 4, 23, 300, 1);
    EXPECT_EQ(probe(13, 4, 0, 200), 1);
    EXPECT_EQ(value, 200);
    EXPECT_EQ(probe(13, 4, 0, 301), 3);
    EXPECT_EQ(probe(14, 1, -100, 100), 3);
    EXPECT_EQ(move, -1);
    store(15, 3, 0, 109801, 2);
    EXPECT_EQ(probe(15, 3, -110000, 110000), 2);
    EXPECT_EQ(value, 109804);
    store(16, 3, 0, -109801, 2);
    EXPECT_EQ(probe(16, 3, -110000, 110000), 2);
    EXPECT_EQ(value, -109804);
    // Table use is counted in the first 333 buckets (999 entries): five stored there, then every
    // slot of each, then none once the table is aged.
    EXPECT_EQ(PositionCache.HashFull(), 5);
    for (u64 bucket = 0; bucket < 333; bucket++)
        for (u64 upper = 2; upper < 5; upper++)
            PositionCache.InsertTranspositionTables(upper, bucket, 0, 1, 0, 0, 2, -1, 1);
    EXPECT_EQ(PositionCache.HashFull(), 1000);
    PositionCache.AgeTranspositionTables();
    EXPECT_EQ(PositionCache.HashFull(), 0);
    PositionCache.ClearTranspositionTables();
    // A cleared entry stays gone, also when the clearings come round to the same count.
    store(11, 4, 21, 123, 2);
    for (int i = 0; i < 65536; i++) {
        store(12, 1, 1, 0, 2);
        PositionCache.ClearTranspositionTables();
    }
    EXPECT_EQ(probe(11, 1, -100, 100), 3);
    EXPECT_EQ(move, -1);
}

// Another thread may write a slot while it is read: an entry whose data word comes from one write
// and whose check word from another is not taken for either position; a changed age alone is
// not such a mix.
TEST(TranspositionTable, AnEntryMixedFromTwoWritesIsIgnored)
{
    // Key halves, value, move, depth, flag and age.
    TTEntry a{0x0123456789ABCDEFull, 0x11111111u, 250, 777, 5, 2, 2}, b = a;
    b.upper = 0xFEDCBA9876543210ull;
    b.value = -40;
    b.move = 99;
    TTBucket first{}, second{};
    TranspositionTables::WriteEntry(first, 1, a);
    TranspositionTables::WriteEntry(second, 1, b);
    const u64 lower = u64{a.lowerHigh} << 32;
    TTEntry e;
    ASSERT_TRUE(TranspositionTables::Holds(first, 1, a.upper, lower, &e));
    EXPECT_EQ(e.value, 250);
    EXPECT_EQ(e.move, 777);
    EXPECT_EQ(e.depth, 5);
    EXPECT_EQ(e.flag, 2);
    EXPECT_EQ(e.age, 2);
    a.age = 4;
    TTBucket aged = first;
    TranspositionTables::WriteEntry(aged, 1, a);
    first.data[1] = aged.data[1];
    EXPECT_TRUE(TranspositionTables::Holds(first, 1, a.upper, lower, &e));
    EXPECT_EQ(e.age, 4);
    first.data[1] = second.data[1];
    EXPECT_FALSE(TranspositionTables::Holds(first, 1, a.upper, lower, &e));
    EXPECT_FALSE(TranspositionTables::Holds(first, 1, b.upper, lower, &e));
}

// Every move and line returned is legal: the perft table's positions and positions of random
// games, at depths one to four, by both drivers. The first, at depth 1, scores a quiet move by
// quiescence after a checking move was searched deeper: the quiet move's line must not take the
// checking move's continuation.
TEST_F(SearchEngine, EveryMoveAndLineReturnedIsLegal)
{
    std::vector<ref::Position> positions = {
        ref::FromFen("8/2p5/3p4/KP2r3/5R2/4P3/4k1P1/8 w - - 0 1")};
    int n = 0;
    ref::RandomGames(2, 40, [&](const ref::Position &p, const ref::Move *m) {
        if (m && n++ % 3 == 0) positions.push_back(p);
        return true;
    });
    for (const auto &c : ref::PerftCases(0, ~0ull))
        if (c.depth == 1) positions.push_back(ref::FromFen(c.fen));
    for (size_t i = 0; i < positions.size(); i++) {
        const ref::Position &p = positions[i];
        MainBoard = p.board;
        MainBoard.SideToMove = p.side;
        MainBoard.CastleFlags = p.castle;
        MainHistory.Init();
        const int depth = 1 + static_cast<int>(i % 4);
        const Decision d = Decide(depth, i % 5 == 4);
        char fen[FEN_MAX];
        WriteFen(p.board, 1, fen);
        if (ref::LegalMoves(p).empty()) continue;
        ASSERT_TRUE(ref::IsLegal(p, d.from, d.to, d.promotion))
            << fen << " depth " << depth << " " << Text(d);
        EXPECT_EQ(FirstIllegalLineMove(p), -1) << fen << " depth " << depth;
    }
}

// A line holding a move its position does not allow (a table entry of another position taken
// at a cut-off, say) is printed up to that move and no further.
TEST_F(SearchEngine, PrintedLineEndsAtItsFirstIllegalMove)
{
    Load("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    Decide(1);
    auto code = [](const char *m) { return static_cast<u16>(ref::Sq(m) * 64 + ref::Sq(m + 2)); };
    const char *line[] = {"e2e4", "e7e5", "g1f3", "e8e6", "b1c3"}; // the king cannot go to e6
    for (int k = 0; k < 5; k++)
        MainSearch.PVTable[0][k] = {code(line[k]), NOPROMOTION};
    MainSearch.PVLength = 5;
    char buf[MOVESTRING_MAX];
    MainSearch.LineText(buf, 1);
    EXPECT_STREQ(buf, " e2e4 e7e5 g1f3 \n");
    MainSearch.PVTable[0][3] = {code("b8c6"), NOPROMOTION};
    MainSearch.LineText(buf, 1);
    EXPECT_STREQ(buf, " e2e4 e7e5 g1f3 b8c6 b1c3 \n");
}

// A budget spent inside the first iteration, or a clock already overdrawn, still leaves a move
// to play.
TEST_F(SearchEngine, BudgetSpentBeforeTheFirstMoveStillPlaysOne)
{
    for (const char *fen : BENCH_POSITIONS) {
        MainSearch.NPS = 2;
        SearchLimits l;
        l.MoveTime = 1;
        const ref::Position p = Load(fen);
        const Decision d = Decide(l);
        EXPECT_TRUE(ref::IsLegal(p, d.from, d.to, d.promotion)) << fen;
    }
    MainSearch.NPS = 1200000;
    for (const auto &[left, togo] : {std::pair<int, int>{-500, 0}, {-1, 2}, {0, 2}, {-500, 2}}) {
        SearchLimits l;
        l.Time = left;
        l.MovesToGo = togo;
        const ref::Position p = Load(BENCH_POSITIONS[1]);
        const Decision d = Decide(l);
        EXPECT_TRUE(ref::IsLegal(p, d.from, d.to, d.promotion)) << left << " " << togo;
    }
}

// A second search object with an evaluator, exchange evaluator, position stack, table and
// settings of its own finds on each position what the program's search finds, and changes none
// of its state.
TEST_F(SearchEngine, TwoSearchObjectsDoNotDisturbEachOther)
{
    auto evaluator = std::make_unique<PositionEvaluate>();
    auto exchange = std::make_unique<SEE>();
    auto positions = std::make_unique<MoveHistory>();
    auto table = std::make_unique<TranspositionTables>();
    auto other = std::make_unique<SearchRoutines>();
    other->Eval = evaluator.get();
    other->Exchange = exchange.get();
    other->Positions = positions.get();
    other->Table = table.get();
    auto run = [](SearchRoutines &s, const char *fen) {
        ChessBoard b = ref::FromFen(fen).board;
        Decision d;
        d.score = s.SearchExactDepth(b, Depth(6), &d.from, &d.to, &d.promotion);
        return std::make_pair(Text(d) + " " + std::to_string(d.score), s.Nodes());
    };
    const char *const fens[2] = {BENCH_POSITIONS[5], BENCH_POSITIONS[0]};
    other->NewGame();
    const auto a = run(MainSearch, fens[0]);
    const std::string pv(reinterpret_cast<const char *>(MainSearch.PVTable),
                         sizeof MainSearch.PVTable);
    const auto b = run(*other, fens[1]);
    EXPECT_EQ(
        std::string(reinterpret_cast<const char *>(MainSearch.PVTable), sizeof MainSearch.PVTable),
        pv);
    EXPECT_EQ(MainHistory.NumMoves, 1);
    EXPECT_EQ(positions->NumMoves, 1);
    PositionCache.ClearTranspositionTables();
    MainSearch.NewGame();
    table->ClearTranspositionTables();
    other->NewGame();
    EXPECT_EQ(run(MainSearch, fens[1]), b);
    EXPECT_EQ(run(*other, fens[0]), a);
}

} // namespace
