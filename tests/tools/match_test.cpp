// The match runner's referee on hand-worked games, and its Elo arithmetic on hand-worked scores.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "elo.h"
#include "judge.h"

namespace {

constexpr const char *START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

// Sets up fen and plays the moves, each of which must be legal.
GameJudge Played(const char *fen, const std::vector<std::string> &moves)
{
    GameJudge game;
    std::string error;
    EXPECT_TRUE(game.Start(fen, &error)) << error;
    for (const std::string &m : moves)
        EXPECT_TRUE(game.Play(m)) << m;
    return game;
}

TEST(Judge, MateAndStalemateEndTheGame)
{
    const GameJudge fools = Played(START, {"f2f3", "e7e5", "g2g4", "d8h4"});
    EXPECT_EQ(fools.End(), GameEnd::Checkmate);
    EXPECT_EQ(fools.SideToMove(), 0); // White is mated
    EXPECT_EQ(fools.SanMoves(), (std::vector<std::string>{"f3", "e5", "g4", "Qh4#"}));

    EXPECT_EQ(Played("7k/8/6K1/8/8/8/8/5Q2 w - -", {"f1f7"}).End(), GameEnd::Stalemate);
    EXPECT_EQ(Played("4k3/8/8/8/8/8/3nb3/4K3 w - -", {"e1d2"}).End(), GameEnd::DeadPosition);
}

// Mate on the hundredth quiet ply is mate; any other move there draws.
TEST(Judge, FiftyMoveRuleYieldsToMate)
{
    const char *fen = "7k/8/6K1/8/8/8/8/R7 w - - 99 80";
    const GameJudge mate = Played(fen, {"a1a8"});
    EXPECT_EQ(mate.End(), GameEnd::Checkmate);
    EXPECT_EQ(mate.SanMoves().back(), "Ra8#");
    EXPECT_EQ(Played(fen, {"a1b1"}).End(), GameEnd::FiftyMoves);
}

// After e2-e4 Black can take en passant, so that position is not the one the king moves later
// bring back: the third return of the kings is at ply 10, not ply 9.
TEST(Judge, RepetitionCountsOnlyTheSamePosition)
{
    GameJudge game =
        Played("4k3/8/8/8/3p4/8/4P3/4K3 w - -",
               {"e2e4", "e8d8", "e1d1", "d8e8", "d1e1", "e8d8", "e1d1", "d8e8", "d1e1"});
    EXPECT_EQ(game.End(), GameEnd::None);
    EXPECT_TRUE(game.Play("e8d8"));
    EXPECT_EQ(game.End(), GameEnd::Repetition);
    EXPECT_FALSE(game.Play("e1d1")); // nothing is played after the end
}

TEST(Judge, RefusesIllegalMovesAndWritesStandardNotation)
{
    GameJudge game = Played(START, {});
    for (const char *bad : {"e2e5", "e1g1", "e2e4q", "e7e5", "e2", "0000"})
        EXPECT_FALSE(game.Play(bad)) << bad;
    EXPECT_EQ(game.Plies(), 0);

    // A promotion names its piece.
    GameJudge promote = Played("4k3/P7/8/8/8/8/8/4K3 w - -", {});
    EXPECT_FALSE(promote.Play("a7a8"));
    EXPECT_TRUE(promote.Play("a7a8n"));
    EXPECT_EQ(promote.SanMoves().back(), "a8=N");
    EXPECT_EQ(promote.Moves().back(), "a7a8n");

    EXPECT_EQ(Played("4k3/8/8/R7/8/8/8/RN2KN2 w - -", {"b1d2"}).SanMoves().back(), "Nbd2");
    EXPECT_EQ(Played("4k3/8/8/R7/8/8/8/RN2KN2 w - -", {"a1a3"}).SanMoves().back(), "R1a3");
    EXPECT_EQ(Played("4k3/8/8/8/8/8/8/4K2R w K -", {"e1g1"}).SanMoves().back(), "O-O");
    EXPECT_EQ(Played("4k3/8/8/3pP3/8/8/8/4K3 w - d6", {"e5d6"}).SanMoves().back(), "exd6");

    std::string error;
    EXPECT_FALSE(GameJudge().Start("8/8/8/8/8/8/8/4K3 w - -", &error));
}

// 6 wins, 2 draws, 2 losses: score 0.7, per-game deviation 0.4, so the score's 95% interval is
// 0.7 +/- 1.96 * 0.4 / sqrt(10) = [0.4521, 0.9479], or -33.40 to +504.05 Elo around +147.19.
TEST(Elo, ScoreAndMarginFromTheGames)
{
    const EloEstimate e = EstimateElo({6, 2, 2});
    EXPECT_NEAR(e.elo, 147.19, 0.01);
    EXPECT_NEAR(e.margin, 268.73, 0.01);

    EXPECT_NEAR(EloOfScore(0.75), 400 * std::log10(3.0), 1e-9); // three points for each one lost
    EXPECT_NEAR(EstimateElo({5, 0, 5}).elo, 0, 1e-9);
    const EloEstimate allDrawn = EstimateElo({0, 8, 0});
    EXPECT_NEAR(allDrawn.elo, 0, 1e-9);
    EXPECT_NEAR(allDrawn.margin, 0, 1e-9);
    const EloEstimate allWon = EstimateElo({4, 0, 0});
    EXPECT_TRUE(std::isinf(allWon.elo) && allWon.elo > 0);
    EXPECT_TRUE(std::isinf(allWon.margin));
}

} // namespace
