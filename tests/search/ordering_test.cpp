// Move ordering: the values of the interior and quiescence orderings, worked out by hand from
// the ordering rules, and the lazy selection of the best remaining move.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/setup.h"
#include "movegen/movegen.h"
#include "search/compmov.h"

namespace {

int Sq(const char* name) { return (name[0] - 'a') + 8 * (name[1] - '1'); }
u64 Mask(const char* name) { return SquareMask(Sq(name)); }
// Move code of "e2e4".
int Code(const char* move) { return Sq(move) * 64 + Sq(move + 2); }

// The history, killer and line tables are shared with the search: each test starts them empty.
class Ordering : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedBoard_ = MainBoard;
        Search.NewGame();
    }
    void TearDown() override
    {
        Search.NewGame();
        MainBoard = savedBoard_;
    }

    // Generates every move of the position and orders them as the interior search does.
    void Order(const char* fen, int ply, int hashMove, char nodeType)
    {
        SetupBoard(fen);
        MainBoard.InitPieceCounts();
        board_ = MainBoard;
        const char side = board_.SideToMove;
        n_ = g_.GenerateAllMoves(side, &board_, board_.CastleFlags);
        Search.AssignMoveOrderValues(g_, n_, ply, side ? board_.WhiteKing : board_.BlackKing, hashMove,
                                 nodeType);
    }
    // Generates the quiescence moves and orders them.
    void OrderQuiesce(const char* fen)
    {
        SetupBoard(fen);
        MainBoard.InitPieceCounts();
        board_ = MainBoard;
        n_ = g_.GenerateQuiesceMoves(board_.SideToMove, &board_, board_.CastleFlags);
        g_.QuiesceAssignMoveOrderValues(n_, 0);
    }
    // The value given to a listed move; fails the test when the move is not listed.
    int Value(const char* move)
    {
        for (int i = 0; i < n_; i++)
            if (g_.From[i] == Mask(move) && g_.To[i] == Mask(move + 2)) return g_.OrderValue[i];
        ADD_FAILURE() << move << " is not listed";
        return -1;
    }

    MoveGen g_;
    ChessBoard board_;
    int n_ = 0;

private:
    ChessBoard savedBoard_;
};

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// --- the moves of the line, the table and the killers ---

TEST_F(Ordering, SpecialMovesGetTheirFixedValues)
{
    Search.PVTable[2][2] = {static_cast<u16>(Code("g1f3")), NOPROMOTION};
    Search.Killers[2][0] = static_cast<u16>(Code("d2d4"));
    Search.Killers[2][1] = static_cast<u16>(Code("b1c3"));
    Search.History[0][Code("a2a3")] = 1280;
    Search.History[0][Code("h2h3")] = 127;
    Order(kStart, 2, Code("e2e4"), 1);
    EXPECT_EQ(Value("e2e4"), 29000);
    EXPECT_EQ(Value("g1f3"), 28998);
    EXPECT_EQ(Value("d2d4"), 1020);
    EXPECT_EQ(Value("b1c3"), 1010);
    EXPECT_EQ(Value("a2a3"), 10);
    EXPECT_EQ(Value("h2h3"), 0);
    EXPECT_EQ(Value("g2g3"), 0);
}

TEST_F(Ordering, KillersAndLineAreReadAtTheirOwnPly)
{
    Search.PVTable[3][3] = {static_cast<u16>(Code("g1f3")), NOPROMOTION};
    Search.Killers[3][0] = static_cast<u16>(Code("d2d4"));
    Order(kStart, 2, 0, 1);
    EXPECT_EQ(Value("g1f3"), 0);
    EXPECT_EQ(Value("d2d4"), 0);
}

TEST_F(Ordering, LineMoveBeatsTheTableMoveUnlessNodeTypeThree)
{
    Search.PVTable[1][1] = {static_cast<u16>(Code("e2e4")), NOPROMOTION};
    Order(kStart, 1, Code("e2e4"), 1);
    EXPECT_EQ(Value("e2e4"), 28998);
    Order(kStart, 1, Code("e2e4"), 2);
    EXPECT_EQ(Value("e2e4"), 28998);
    Order(kStart, 1, Code("e2e4"), 3);
    EXPECT_EQ(Value("e2e4"), 29000);
}

TEST_F(Ordering, NodeTypeThreeOrdersTheLineMoveAsAnyOther)
{
    Search.PVTable[1][1] = {static_cast<u16>(Code("e2e4")), NOPROMOTION};
    Search.History[0][Code("e2e4")] = 640;
    Order(kStart, 1, 0, 3);
    EXPECT_EQ(Value("e2e4"), 5);
}

TEST_F(Ordering, LineMoveMustCarryTheSamePromotionByte)
{
    Search.PVTable[1][1] = {static_cast<u16>(Code("e2e4")), 'Q'};
    Order(kStart, 1, 0, 1);
    EXPECT_EQ(Value("e2e4"), 0);
}

TEST_F(Ordering, NoTableMoveMeansCodeZeroIsNeverMatched)
{
    // A list holding a move with code 0 (a1a1) still does not get the table move's value.
    ChessBoard b = MainBoard;
    MoveGen g;
    g.Board = &b;
    g.From[0] = g.To[0] = SquareMask(0);
    g.Promotion[0] = 'R';
    Search.AssignMoveOrderValues(g, 1, 0, 0, 0, 3);
    EXPECT_NE(g.OrderValue[0], 29000);
}

TEST_F(Ordering, EachSpecialValueGoesToTheFirstMatchOnly)
{
    SetupBoard(kStart);
    ChessBoard b = MainBoard;
    MoveGen g;
    g.Board = &b;
    // e2e4 three times, g1f3 twice, d2d4 twice.
    const char* moves[] = {"e2e4", "e2e4", "g1f3", "g1f3", "d2d4", "d2d4", "e2e4"};
    for (int i = 0; i < 7; i++) {
        g.From[i] = Mask(moves[i]);
        g.To[i] = Mask(moves[i] + 2);
        g.Promotion[i] = NOPROMOTION;
    }
    Search.PVTable[0][0] = {static_cast<u16>(Code("e2e4")), NOPROMOTION};
    Search.Killers[0][0] = static_cast<u16>(Code("d2d4"));
    Search.Killers[0][1] = static_cast<u16>(Code("g1f3"));
    Search.History[0][Code("e2e4")] = 1280;
    Search.AssignMoveOrderValues(g, 7, 0, b.BlackKing, Code("e2e4"), 1);
    const int expected[] = {28998, 29000, 1010, 0, 1020, 0, 10};
    for (int i = 0; i < 7; i++) EXPECT_EQ(g.OrderValue[i], expected[i]) << "entry " << i;
}

// --- captures ---

TEST_F(Ordering, PawnTakesQueenWithAndWithoutThePassedPawnTerm)
{
    // No black pawn ahead of d5: the pawn becomes passed, 270 on rank 5 less 160 on rank 4.
    Order("4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("e4d5"), 9750 + 9750 - 3 + 110);
    // A pawn on f7 does not stand ahead of d5.
    Order("4k3/5p2/8/3q4/4P3/8/8/4K3 w - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("e4d5"), 19607);
    // Pawns on c7 or on e6 do.
    Order("4k3/2p5/8/3q4/4P3/8/8/4K3 w - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("e4d5"), 19497);
    Order("4k3/8/4p3/3q4/4P3/8/8/4K3 w - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("e4d5"), 19497);
}

TEST_F(Ordering, BlackPawnCountsRanksFromItsOwnSide)
{
    // d4xe3: relative ranks 5 to 6 give 550 - 270.
    Order("4k3/8/8/8/3p4/4Q3/8/6K1 b - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("d4e3"), 9750 + 9750 - 3 + 280);
    // A white pawn on f2 stands ahead of e3 for Black.
    Order("4k3/8/8/8/3p4/4Q3/5P2/6K1 b - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("d4e3"), 19497);
}

TEST_F(Ordering, QueenAndKingCapturesPayTheirCost)
{
    Order("4k3/8/8/3p4/8/8/8/3QK3 w - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("d1d5"), 10512);
    Order("4k3/8/8/8/8/8/3p4/4K3 w - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("e1d2"), -4075);
}

TEST_F(Ordering, MinorPieceCaptures)
{
    // The knight lands on an outpost worth 160 for White.
    Order("4k3/8/3p4/8/4N3/8/8/4K3 w - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("e4d6"), 9750 + 800 + 160 - 10);
    // The black knight's e4 is White's e5: 120.
    Order("4k3/8/3n4/8/4P3/8/8/4K3 b - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("d6e4"), 9750 + 800 + 120 - 10);
    // A bishop takes a knight, valued two below a bishop.
    Order("4k3/8/8/3n4/8/1B6/8/4K3 w - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("b3d5"), 9750 + 3248 - 12);
}

TEST_F(Ordering, RookCapturesWeighTheOpenFileAndTheSeventhRank)
{
    // a7 on the seventh rank of an a-file without pawns: 185 + 350.
    Order("4k3/n7/8/8/8/8/8/R3K3 w - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("a1a7"), 9750 + 3248 + 185 + 350 - 19);
    // The captured pawn keeps the e-file closed; e7 is on the black king's file.
    Order("4k3/4p3/8/8/8/8/8/4RK2 w - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("e1e7"), 9750 + 800 + 350 - 19 + 28);
    // For Black the seventh rank is rank 2.
    Order("r3k3/8/8/8/8/8/N7/4K3 b - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("a8a2"), 9750 + 3248 + 185 + 350 - 19);
}

// --- quiet moves ---

TEST_F(Ordering, QuietMovesByHistoryPromotionAndTheKingsLines)
{
    Search.History[0][Code("a1e1")] = 640;
    Search.History[0][Code("a1b1")] = 300;
    Order("4k3/8/8/8/8/8/8/R5K1 w - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("a1e1"), 5 + 28);   // onto the black king's file
    EXPECT_EQ(Value("a1a8"), 28);       // onto its rank
    EXPECT_EQ(Value("a1b1"), 2);
    EXPECT_EQ(Value("g1f1"), 0);        // a king gets nothing for the lines
    Order("4k3/P7/8/8/8/8/8/4K3 w - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("a7a8"), 4875);
}

TEST_F(Ordering, BlackHeavyPiecesUseTheirOwnHistoryAndTheWhiteKing)
{
    Search.History[1][Code("h8e8")] = 1280;
    Search.History[0][Code("h8e8")] = 99999;
    Order("k6r/8/8/8/8/8/8/4K3 b - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("h8e8"), 10 + 28);
    EXPECT_EQ(Value("h8h1"), 28);
    EXPECT_EQ(Value("h8h4"), 0);
}

TEST_F(Ordering, SpecialValuesTakeNoKingLineBonus)
{
    Search.PVTable[0][0] = {static_cast<u16>(Code("a1e1")), NOPROMOTION};
    Order("4k3/8/8/8/8/8/8/R5K1 w - - 0 1", 0, 0, 1);
    EXPECT_EQ(Value("a1e1"), 28998);
}

TEST_F(Ordering, OtherPromotionBytesScoreFiveHundred)
{
    SetupBoard("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    ChessBoard b = MainBoard;
    MoveGen g;
    g.Board = &b;
    const char bytes[] = {'N', 'Q', static_cast<char>(NOPROMOTION), 'q'};
    for (int i = 0; i < 4; i++) {
        g.From[i] = Mask("a7");
        g.To[i] = Mask("a8");
        g.Promotion[i] = bytes[i];
    }
    Search.AssignMoveOrderValues(g, 4, 0, b.BlackKing, 0, 1);
    EXPECT_EQ(g.OrderValue[0], 500);
    EXPECT_EQ(g.OrderValue[1], 4875);
    EXPECT_EQ(g.OrderValue[2], 0);
    EXPECT_EQ(g.OrderValue[3], 500);  // a black queen byte on a white move
}

// --- quiescence ordering ---

TEST_F(Ordering, QuiescenceValuesAreVictimLessAttackerPlusTen)
{
    OrderQuiesce("4k3/8/8/3q4/4P3/8/8/3QK3 w - - 0 1");
    EXPECT_EQ(Value("e4d5"), 9757);
    EXPECT_EQ(Value("d1d5"), 9750 - 38 + 10);
    OrderQuiesce("4k3/8/8/3p4/8/8/8/3QK3 w - - 0 1");
    EXPECT_EQ(Value("d1d5"), 772);
    OrderQuiesce("4k3/8/8/8/8/8/3p4/4K3 w - - 0 1");
    EXPECT_EQ(Value("e1d2"), 772);
    OrderQuiesce("4k3/8/8/3n4/8/1B3R2/8/4K3 w - - 0 1");
    EXPECT_EQ(Value("b3d5"), 3248 - 12 + 10);
}

TEST_F(Ordering, QuiescencePawnPushes)
{
    OrderQuiesce("4k3/8/8/8/8/8/3p4/6K1 b - - 0 1");
    EXPECT_EQ(Value("d2d1"), 750);
    OrderQuiesce("4k3/P7/8/8/8/8/4P3/4K3 w - - 0 1");
    EXPECT_EQ(Value("a7a8"), 750);
    EXPECT_EQ(Value("e2e4"), 0);
    EXPECT_EQ(Value("e2e3"), 0);
}

TEST_F(Ordering, QuiescenceCountsACapturedKing)
{
    // Black has left its king en prise to the queen.
    OrderQuiesce("8/8/8/8/8/8/1k6/Q3K3 w - - 0 1");
    EXPECT_EQ(Value("a1b2"), 10000 - 38 + 10);
}

// --- selection ---

TEST_F(Ordering, NextMoveTakesTheFirstOfTheBest)
{
    ChessBoard b = MainBoard;
    MoveGen g;
    g.Board = &b;
    const int values[] = {5, 9, 9, 1};
    for (int i = 0; i < 4; i++) {
        g.From[i] = SquareMask(i);
        g.To[i] = SquareMask(16 + i);
        g.Promotion[i] = static_cast<char>('a' + i);
        g.OrderValue[i] = values[i];
    }
    u64 from, to;
    char promo;
    g.NextMove(0, 4, &from, &to, &promo);
    EXPECT_EQ(from, SquareMask(1));
    EXPECT_EQ(to, SquareMask(17));
    EXPECT_EQ(promo, 'b');
    // The 5 moved into the place of the first 9.
    EXPECT_EQ(g.OrderValue[1], 5);
    EXPECT_EQ(g.From[1], SquareMask(0));
    EXPECT_EQ(g.Promotion[1], 'a');
    g.NextMove(1, 4, &from, &to, &promo);
    EXPECT_EQ(from, SquareMask(2));
    g.NextMove(2, 4, &from, &to, &promo);
    EXPECT_EQ(from, SquareMask(0));
    g.NextMove(3, 4, &from, &to, &promo);
    EXPECT_EQ(from, SquareMask(3));
    EXPECT_EQ(g.OrderValue[0], 9);
    EXPECT_EQ(g.OrderValue[1], 9);
    EXPECT_EQ(g.OrderValue[2], 5);
    EXPECT_EQ(g.OrderValue[3], 1);
}

TEST_F(Ordering, NextMoveWithAnEmptyRangeReturnsTheStartEntry)
{
    ChessBoard b = MainBoard;
    MoveGen g;
    g.Board = &b;
    for (int i = 0; i < 3; i++) {
        g.From[i] = SquareMask(i);
        g.To[i] = SquareMask(8 + i);
        g.Promotion[i] = NOPROMOTION;
        g.OrderValue[i] = 10 * i;
    }
    u64 from, to;
    char promo;
    g.NextMove(1, 1, &from, &to, &promo);
    EXPECT_EQ(from, SquareMask(1));
    EXPECT_EQ(g.OrderValue[2], 20);
    EXPECT_EQ(g.From[2], SquareMask(2));
}

TEST_F(Ordering, SelectionYieldsEveryMoveOnceBestFirst)
{
    Search.History[0][Code("g1f3")] = 300 << 7;
    Search.History[0][Code("e2e4")] = 200 << 7;
    Order(kStart, 0, Code("d2d4"), 1);
    int previous = 1 << 30;
    std::string seen;
    for (int i = 0; i < n_; i++) {
        u64 from, to;
        char promo;
        g_.NextMove(i, n_, &from, &to, &promo);
        EXPECT_LE(g_.OrderValue[i], previous);
        previous = g_.OrderValue[i];
        if (i < 3) seen += std::to_string(LowestSquare(from)) + "-" + std::to_string(LowestSquare(to)) + " ";
    }
    EXPECT_EQ(seen, "11-27 6-21 12-28 ");
}

}  // namespace
