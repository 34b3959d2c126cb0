// Move generation: list order of each driver, the special moves, check evasions, king-count
// errors and the list's capacity on malformed boards.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "movegen/positions.h"

using mg::FromFen;
using mg::Listed;
using mg::Position;
using Moves = std::vector<std::string>;

namespace {

Moves AllMoves(Position p)
{
    MoveGen g;
    const int n = g.GenerateAllMoves(p.side, &p.board, p.castle);
    EXPECT_EQ(g.MoveCount, n);
    return Listed(g, n);
}

Moves Evasions(Position p)
{
    MoveGen g;
    return Listed(g, g.GenCheckEvasions(p.side, &p.board));
}

bool Contains(const Moves& moves, const std::string& m)
{
    return std::find(moves.begin(), moves.end(), m) != moves.end();
}

}  // namespace

TEST(GenerateAllMoves, StartPositionKnightsFirstThenPawnsDoubleStepBeforeSingle)
{
    const Moves expected = {"b1a3", "b1c3", "g1f3", "g1h3", "a2a4", "a2a3", "b2b4", "b2b3",
                            "c2c4", "c2c3", "d2d4", "d2d3", "e2e4", "e2e3", "f2f4", "f2f3",
                            "g2g4", "g2g3", "h2h4", "h2h3"};
    EXPECT_EQ(AllMoves(FromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1")),
              expected);
}

TEST(GenerateAllMoves, BlackStartPositionMirrorsTheOrder)
{
    const Moves expected = {"b8a6", "b8c6", "g8f6", "g8h6", "a7a5", "a7a6", "b7b5", "b7b6",
                            "c7c5", "c7c6", "d7d5", "d7d6", "e7e5", "e7e6", "f7f5", "f7f6",
                            "g7g5", "g7g6", "h7h5", "h7h6"};
    EXPECT_EQ(AllMoves(FromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1")),
              expected);
}

TEST(GenerateAllMoves, CapturesThenQuietPiecesThenCastlingThenKingThenPawns)
{
    // King e1, rooks a1 and h1, pawns a2 and e7; black king a8 and pawn h7; all four rights.
    Position p = FromFen("k7/4P2p/8/8/8/8/P7/R3K2R w - - 0 1");
    p.castle = 15;
    const Moves expected = {"h1h7", "a1b1", "a1c1", "a1d1", "h1f1", "h1g1", "h1h2",
                            "h1h3", "h1h4", "h1h5", "h1h6", "e1g1", "e1c1", "e1d1",
                            "e1f1", "e1d2", "e1e2", "e1f2", "a2a4", "a2a3", "e7e8Q"};
    EXPECT_EQ(AllMoves(p), expected);
}

TEST(GenerateAllMoves, CastlingMovesCarryOrderValue800)
{
    Position p = FromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    MoveGen g;
    const int n = g.GenerateAllMoves(0, &p.board, p.castle);
    int castles = 0;
    for (int i = 0; i < n; i++) {
        const std::string m = mg::MoveText(g.From[i], g.To[i], g.Promotion[i]);
        if (m == "e1g1" || m == "e1c1") {
            EXPECT_EQ(g.OrderValue[i], 800) << m;
            castles++;
        } else {
            EXPECT_EQ(g.OrderValue[i], 0) << m;
        }
    }
    EXPECT_EQ(castles, 2);
}

TEST(GenPawns, PromotesToAQueenOnly)
{
    const Moves white = AllMoves(FromFen("k7/4P3/8/8/8/8/8/K7 w - - 0 1"));
    EXPECT_TRUE(Contains(white, "e7e8Q"));
    const auto fromE7 = [](const std::string& m) { return m.rfind("e7", 0) == 0; };
    EXPECT_EQ(std::count_if(white.begin(), white.end(), fromE7), 1);
    // Black promotes with a capture too, with the lower-case letter.
    const Moves black = AllMoves(FromFen("k7/8/8/8/8/8/3p4/K1N5 b - - 0 1"));
    EXPECT_TRUE(Contains(black, "d2d1q"));
    EXPECT_TRUE(Contains(black, "d2c1q"));
}

TEST(GenPawns, EnPassantOnlyRightAfterTheDoubleStep)
{
    Position p = FromFen("4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1");
    char mask;
    p.board.MakeMove(SquareMask(51), SquareMask(35), NOPROMOTION, &mask);  // d7-d5
    p.side = 0;
    EXPECT_TRUE(Contains(AllMoves(p), "e5d6"));

    // The same pawns after a single step d6-d5: no capture.
    Position q = FromFen("4k3/8/3p4/4P3/8/8/8/4K3 b - - 0 1");
    q.board.MakeMove(SquareMask(43), SquareMask(35), NOPROMOTION, &mask);
    q.side = 0;
    EXPECT_FALSE(Contains(AllMoves(q), "e5d6"));

    // A black pawn takes on either side of a white double step.
    Position r = FromFen("4k3/8/8/8/5p1p/8/6P1/4K3 w - - 0 1");
    r.board.MakeMove(SquareMask(14), SquareMask(30), NOPROMOTION, &mask);  // g2-g4
    r.side = 1;
    const Moves black = AllMoves(r);
    EXPECT_TRUE(Contains(black, "f4g3"));
    EXPECT_TRUE(Contains(black, "h4g3"));
}

TEST(GenCastle, RefusesAttackedSquaresCheckAndMissingRooks)
{
    auto castles = [](const char* fen) {
        Moves out;
        for (const auto& m : AllMoves(FromFen(fen)))
            if (m == "e1g1" || m == "e1c1" || m == "e8g8" || m == "e8c8") out.push_back(m);
        return out;
    };
    EXPECT_EQ(castles("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"), (Moves{"e1g1", "e1c1"}));
    EXPECT_EQ(castles("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1"), (Moves{"e8g8", "e8c8"}));
    // f1 attacked by the rook on f8; d1 by the rook on d8.
    EXPECT_EQ(castles("4kr2/8/8/8/8/8/8/R3K2R w KQ - 0 1"), (Moves{"e1c1"}));
    EXPECT_EQ(castles("3rk3/8/8/8/8/8/8/R3K2R w KQ - 0 1"), (Moves{"e1g1"}));
    // b1 attacked does not matter; only its being empty does.
    EXPECT_EQ(castles("1r2k3/8/8/8/8/8/8/R3K3 w Q - 0 1"), (Moves{"e1c1"}));
    // In check.
    EXPECT_EQ(castles("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1").size(), 2u);
    EXPECT_TRUE(castles("4r1k1/8/8/8/8/8/8/R3K2R w KQ - 0 1").empty());
    // The right without its rook.
    EXPECT_EQ(castles("4k3/8/8/8/8/8/8/R3K3 w KQ - 0 1"), (Moves{"e1c1"}));
    // A piece in between.
    EXPECT_EQ(castles("4k3/8/8/8/8/8/8/RN2K1NR w KQ - 0 1"), Moves{});
}

TEST(GenCheckEvasions, DoubleCheckGivesKingMovesOnly)
{
    // Rook h1 and knight d3 both check; the bishop could take the knight but must not be listed.
    // d1 lies on the rook's line behind the king and f1 on it in front; f2 is the knight's.
    const Moves m = Evasions(FromFen("4k3/8/8/5B2/8/3n4/8/R3K2r w - - 0 1"));
    EXPECT_EQ(m, (Moves{"e1d2", "e1e2"}));
}

TEST(GenCheckEvasions, SingleCheckListsKingMovesThenKnightRookBishopPawnQueen)
{
    // The rook on e8 checks down the e-file. e2 stays on its line and is refused; the rook on
    // a1 reaches no square of the line.
    const Moves m = Evasions(FromFen("4r2k/3P4/2N5/8/1B6/Q7/8/R3K3 w - - 0 1"));
    const Moves expected = {"e1d1", "e1f1", "e1d2", "e1f2",  // king
                            "c6e5", "c6e7",                  // knight
                            "b4e7",                          // bishop
                            "d7e8Q",                         // pawn
                            "a3e3"};                         // queen
    EXPECT_EQ(m, expected);
}

TEST(GenCheckEvasions, TakesTheCheckingPawnEnPassant)
{
    // Black d7-d5 checks the king on e4; e5xd6 removes the checker.
    Position p = FromFen("4k3/3p4/8/4P3/4K3/8/8/8 b - - 0 1");
    char mask;
    p.board.MakeMove(SquareMask(51), SquareMask(35), NOPROMOTION, &mask);
    p.side = 0;
    ASSERT_TRUE(mg::KingAttacked(p.board, 0));
    const Moves m = Evasions(p);
    EXPECT_TRUE(Contains(m, "e5d6"));
    EXPECT_TRUE(Contains(m, "e4d5"));
}

TEST(GenCheckEvasions, OffersNoEnPassantThatBlocksACheck)
{
    // The bishop on c8 checks h3 through e6, and the FEN names e7-e5 as the last move. Taking
    // en passant on e6 would block the check, but only a capture of a checking pawn is
    // offered: the evasion list misses the move that the full list has. Play cannot reach
    // such a position (the check was there before the double step); perft follows the lists.
    Position p = FromFen("2b1k3/8/8/3Pp3/8/7K/8/8 w - e6 0 1");
    ASSERT_TRUE(mg::KingAttacked(p.board, 0));
    MoveGen g;
    Position q = p;
    EXPECT_FALSE(Contains(mg::LegalOf(p, g, g.GenCheckEvasions(0, &q.board)), "d5e6"));
    EXPECT_TRUE(Contains(mg::LegalFromAllMoves(p), "d5e6"));
}

TEST(GenCheckEvasions, LegalMovesEqualThoseOfTheFullGenerator)
{
    // Every position in check met in random games: the legal evasions are exactly the legal
    // moves of the full list, and no evasion is listed twice.
    int checked = 0;
    for (const Position& p : mg::RandomGamePositions(12, 160)) {
        if (!mg::KingAttacked(p.board, p.side)) continue;
        MoveGen g;
        Position q = p;
        const int n = g.GenCheckEvasions(q.side, &q.board);
        const Moves listed = Listed(g, n);
        const std::set<std::string> unique(listed.begin(), listed.end());
        EXPECT_EQ(unique.size(), listed.size());
        Moves evasions = mg::LegalOf(p, g, n), all = mg::LegalFromAllMoves(p);
        std::sort(evasions.begin(), evasions.end());
        std::sort(all.begin(), all.end());
        EXPECT_EQ(evasions, all);
        checked++;
    }
    EXPECT_GT(checked, 300);
}

TEST(GenerateQuiesceMoves, QueenRookKnightBishopCapturesThenPawnsThenKing)
{
    Position p = FromFen("7k/8/8/8/8/8/p2n3P/RNBQK3 w - - 0 1");
    MoveGen g;
    const int n = g.GenerateQuiesceMoves(0, &p.board, 0);
    EXPECT_EQ(Listed(g, n), (Moves{"d1d2", "a1a2", "b1d2", "c1d2", "h2h4", "h2h3", "e1d2"}));
}

TEST(GenKings, NoKingPrintsTheErrorFromBothKingGenerators)
{
    Position p = FromFen("4k3/8/8/8/8/8/4P3/8 w - - 0 1");
    ::testing::internal::CaptureStdout();
    const Moves m = AllMoves(p);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Major Error: There is No king of a given color\n"
                   "Major Error: There is No king of a given color\n");
    EXPECT_EQ(m, (Moves{"e2e4", "e2e3"}));
}

TEST(GenKings, TwoKingsPrintTheErrorAndBothKingsMove)
{
    // A FEN holds one king per colour; the second one is put on by hand.
    Position p = FromFen("4k3/8/8/8/8/8/8/K7 w - - 0 1");
    p.board.WhiteKing |= SquareMask(7);
    p.board.WhitePieces |= SquareMask(7);
    p.board.AllPieces |= SquareMask(7);
    ::testing::internal::CaptureStdout();
    const Moves m = AllMoves(p);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Major Error: There is more than one king of a given color\n"
                   "Major Error: There is more than one king of a given color\n");
    EXPECT_EQ(m, (Moves{"a1b1", "a1a2", "a1b2", "h1g1", "h1g2", "h1h2"}));
}

TEST(MoveGen, InconsistentBoardStaysInsideTheList)
{
    // A queen on every square while the occupancy says the board is empty: well over a
    // thousand moves on offer. The list stops once it is full, without writing past its end.
    Position p = FromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    p.board.WhiteQueens = ~0ULL;
    p.board.AllPieces = 0;
    MoveGen g;
    const int n = g.GenerateAllMoves(0, &p.board, 0);
    EXPECT_GE(n, MAXMOVES);
    EXPECT_LE(n, MOVELISTSIZE);
    p.board.BlackPieces = ~0ULL;
    const int q = g.GenerateQuiesceMoves(0, &p.board, 0);
    EXPECT_GE(q, MAXMOVES);
    EXPECT_LE(q, MOVELISTSIZE);
    const int e = g.GenQueenEvasions(0, ~0ULL, 0);
    EXPECT_LE(e, MOVELISTSIZE);
}

TEST(MoveGen, GetMoveReadsAnEntryWithoutReordering)
{
    Position p = FromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    MoveGen g;
    const int n = g.GenerateAllMoves(0, &p.board, 15);
    const Moves before = Listed(g, n);
    u64 from, to;
    char promotion;
    g.GetMove(12, 0, &from, &to, &promotion);
    EXPECT_EQ(mg::MoveText(from, to, promotion), "e2e4");
    EXPECT_EQ(Listed(g, n), before);
}
