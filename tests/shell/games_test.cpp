// Whole games through the UCI dialect: Vorn against Debian's stockfish at a low strength, every
// move Vorn sends judged by a second stockfish and every reply timed against Vorn's clock.
// VORN_UCI_GAMES sets the number of games (default 2), VORN_UCI_TC the time control in
// milliseconds as "base+increment" (default 10000+100), VORN_UCI_ELO the opponent's UCI_Elo.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "common/stockfish.h"

namespace {

std::vector<std::string> Words(const std::string &s)
{
    std::istringstream in(s);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

int EnvNumber(const char *name, int fallback)
{
    const char *v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

// Plays one game and returns how it ended; Vorn's illegal or late moves fail the test. limit is
// added to Vorn's "go" lines (a depth ceiling, a node limit).
std::string PlayGame(bool vornWhite, int baseMs, int incMs, int elo, const std::string &limit = "")
{
    VornProcess vorn;
    vorn.Send("uci\nucinewgame\nisready\n");
    EXPECT_TRUE(vorn.WaitFor("readyok", nullptr, 10000));
    Stockfish opponent, referee;
    EXPECT_TRUE(opponent.Start({"Threads value 1", "Hash value 16", "UCI_LimitStrength value true",
                                "UCI_Elo value " + std::to_string(elo)}));
    EXPECT_TRUE(referee.Start());
    int clock[2] = {baseMs, baseMs};
    std::map<std::string, int> seen;
    std::string moves;
    for (int ply = 0; ply < 400; ply++) {
        const std::string position = moves.empty() ? "startpos" : "startpos moves" + moves;
        const auto legal = referee.LegalMoves(position);
        std::string fen;
        bool inCheck = false;
        EXPECT_TRUE(referee.Describe(position, &fen, &inCheck)) << position;
        const auto f = Words(fen);
        if (f.size() < 6) return "unreadable position";
        if (legal.empty()) return inCheck ? "mate" : "stalemate";
        if (++seen[f[0] + f[1] + f[2] + f[3]] >= 3 || std::atoi(f[4].c_str()) >= 100) return "draw";
        const int side = f[1] == "w" ? 0 : 1;
        const bool vornMoves = (side == 0) == vornWhite;
        EngineProcess &mover = vornMoves ? static_cast<EngineProcess &>(vorn) : opponent;
        mover.Send("position " + position + "\ngo wtime " + std::to_string(clock[0]) + " btime " +
                   std::to_string(clock[1]) + " winc " + std::to_string(incMs) + " binc " +
                   std::to_string(incMs) + (vornMoves ? limit : "") + "\n");
        std::string line;
        const auto start = std::chrono::steady_clock::now();
        const bool answered = mover.WaitFor("bestmove", &line, clock[side] + 30000);
        const int elapsed = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 std::chrono::steady_clock::now() - start)
                                                 .count());
        const auto w = Words(line);
        const std::string move = w.size() >= 2 ? w[1] : "";
        if (!answered || !IsListed(legal, move)) {
            EXPECT_FALSE(vornMoves) << "Vorn sent \"" << line << "\" at " << position;
            return vornMoves ? "illegal move by Vorn" : "no legal move from stockfish";
        }
        if (vornMoves) {
            EXPECT_LE(elapsed, clock[side] + 200) << "Vorn's clock ran out at " << position;
        }
        clock[side] = std::max(1, clock[side] + incMs - elapsed);
        moves += " " + move;
    }
    vorn.Send("quit\n");
    EXPECT_EQ(vorn.Wait(10000), 0);
    return "400 plies";
}

TEST(UciGames, VornPlaysWholeGamesAgainstStockfishLegallyAndInTime)
{
    if (StockfishPath().empty()) GTEST_SKIP() << "stockfish is not installed";
    const int games = EnvNumber("VORN_UCI_GAMES", 2), elo = EnvNumber("VORN_UCI_ELO", 1350);
    int baseMs = 10000, incMs = 100;
    if (const char *tc = std::getenv("VORN_UCI_TC")) std::sscanf(tc, "%d+%d", &baseMs, &incMs);
    for (int i = 0; i < games; i++) {
        const std::string end = PlayGame(i % 2 == 0, baseMs, incMs, elo);
        std::printf("game %d, Vorn %s: %s\n", i + 1, i % 2 == 0 ? "white" : "black", end.c_str());
    }
}

// The limits interfaces combine with the clock: a depth ceiling and a node limit.
TEST(UciGames, GamesUnderADepthCeilingAndANodeLimit)
{
    if (StockfishPath().empty()) GTEST_SKIP() << "stockfish is not installed";
    std::printf("depth 6 with the clock: %s\n",
                PlayGame(true, 10000, 100, 1350, " depth 6").c_str());
    std::printf("20000 nodes with the clock: %s\n",
                PlayGame(false, 10000, 100, 1350, " nodes 20000").c_str());
}

} // namespace
