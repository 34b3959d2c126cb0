// Whole games through the UCI dialect: Vorn against Debian's stockfish at a low strength, every
// move Vorn sends judged by a second stockfish and every reply timed against Vorn's clock.
//
// VORN_UCI_GAMES sets the number of games (default 2), VORN_UCI_TC the time control in
// milliseconds as "base+increment" (default 10000+100), VORN_UCI_ELO the opponent's UCI_Elo
// (default 1350, its lowest). A summary line per game is printed.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "common/process.h"
#include "common/stockfish.h"

namespace {

// What a reply may take beyond the clock: the pipes and the scheduler, not thinking time.
constexpr int kGraceMs = 200;
// Games longer than this are adjudicated drawn.
constexpr int kMaxPlies = 400;

struct GameRecord {
    std::string result;  // "1-0", "0-1", "1/2-1/2"
    std::string reason;
    std::string moves;
    int plies = 0;
    int illegal = 0;         // moves Vorn sent that are not legal, or no move at all
    int overtime = 0;        // replies of Vorn slower than its clock allowed
    int leastLeftMs = 1 << 30;  // Vorn's clock left after its move, at the tightest move
    int slowestMs = 0;          // Vorn's slowest reply
};

std::vector<std::string> Split(const std::string& s, char sep)
{
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

// True when neither side has material to mate with (kings, and at most one minor piece).
bool BareMaterial(const std::string& placement)
{
    int minors = 0;
    for (char c : placement) {
        if (c == 'N' || c == 'B' || c == 'n' || c == 'b') minors++;
        if (c == 'P' || c == 'R' || c == 'Q' || c == 'p' || c == 'r' || c == 'q') return false;
    }
    return minors <= 1;
}

int EnvNumber(const char* name, int fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

// Plays one game; Vorn has white when vornWhite.
GameRecord PlayGame(bool vornWhite, int baseMs, int incMs, int elo)
{
    GameRecord g;
    VornProcess vorn;
    vorn.Send("uci\n");
    EXPECT_TRUE(vorn.WaitFor("uciok", nullptr, 10000));
    vorn.Send("ucinewgame\nisready\n");
    EXPECT_TRUE(vorn.WaitFor("readyok", nullptr, 10000));
    Stockfish opponent;
    EXPECT_TRUE(opponent.Start({"Threads value 1", "Hash value 16", "UCI_LimitStrength value true",
                                "UCI_Elo value " + std::to_string(elo)}));
    opponent.Send("ucinewgame\n");
    Stockfish referee;
    EXPECT_TRUE(referee.Start());

    int clock[2] = {baseMs, baseMs};
    std::map<std::string, int> seen;  // positions (placement, side, castling, en passant)
    for (;;) {
        const std::string position = g.moves.empty() ? "startpos" : "startpos moves" + g.moves;
        // 1. The end of the game, by the referee's reading of the position.
        const std::vector<std::string> legal = referee.LegalMoves(position);
        std::string fen;
        bool inCheck = false;
        EXPECT_TRUE(referee.Describe(position, &fen, &inCheck)) << position;
        const std::vector<std::string> f = Split(fen, ' ');
        if (f.size() < 6) {
            g.result = "*";
            g.reason = "unreadable position";
            break;
        }
        const int side = f[1] == "w" ? 0 : 1;
        if (legal.empty()) {
            g.result = inCheck ? (side == 0 ? "0-1" : "1-0") : "1/2-1/2";
            g.reason = inCheck ? "mate" : "stalemate";
            break;
        }
        if (++seen[f[0] + " " + f[1] + " " + f[2] + " " + f[3]] >= 3) {
            g.result = "1/2-1/2";
            g.reason = "repetition";
            break;
        }
        if (std::atoi(f[4].c_str()) >= 100) {
            g.result = "1/2-1/2";
            g.reason = "fifty moves";
            break;
        }
        if (BareMaterial(f[0])) {
            g.result = "1/2-1/2";
            g.reason = "insufficient material";
            break;
        }
        if (g.plies >= kMaxPlies) {
            g.result = "1/2-1/2";
            g.reason = "adjudicated after " + std::to_string(kMaxPlies) + " plies";
            break;
        }

        // 2. The side to move answers on its clock.
        const bool vornMoves = (side == 0) == vornWhite;
        const std::string go = "position " + position + "\ngo wtime " + std::to_string(clock[0]) +
                               " btime " + std::to_string(clock[1]) + " winc " + std::to_string(incMs) +
                               " binc " + std::to_string(incMs) + "\n";
        std::string line;
        const auto start = std::chrono::steady_clock::now();
        bool answered;
        if (vornMoves) {
            vorn.Send(go);
            answered = vorn.WaitFor("bestmove", &line, clock[side] + 30000);
        } else {
            opponent.Send(go);
            answered = opponent.WaitFor("bestmove", &line, clock[side] + 30000);
        }
        const int elapsed = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 std::chrono::steady_clock::now() - start)
                                                 .count());
        const std::vector<std::string> w = Split(line, ' ');
        const std::string move = w.size() >= 2 ? w[1] : "";
        if (vornMoves) {
            if (elapsed > g.slowestMs) g.slowestMs = elapsed;
            if (clock[side] - elapsed < g.leastLeftMs) g.leastLeftMs = clock[side] - elapsed;
            if (elapsed > clock[side] + kGraceMs) {
                g.overtime++;
                ADD_FAILURE() << "Vorn took " << elapsed << " ms with " << clock[side]
                              << " ms on its clock at " << position;
            }
            if (!answered || !IsListed(legal, move)) {
                g.illegal++;
                ADD_FAILURE() << "Vorn sent \"" << line << "\" at " << position;
                g.result = vornWhite ? "0-1" : "1-0";
                g.reason = "illegal move by Vorn";
                break;
            }
        } else if (!answered || !IsListed(legal, move)) {
            g.result = vornWhite ? "1-0" : "0-1";
            g.reason = "no legal move from stockfish";
            break;
        }
        clock[side] += incMs - elapsed;
        if (clock[side] < 1) {
            if (vornMoves) {
                g.result = vornWhite ? "0-1" : "1-0";
                g.reason = "Vorn lost on time";
                break;
            }
            clock[side] = 1;  // the opponent's time is not judged
        }
        g.moves += " " + move;
        g.plies++;
    }
    vorn.Send("quit\n");
    EXPECT_EQ(vorn.Wait(10000), 0);
    return g;
}

TEST(UciGames, VornPlaysWholeGamesAgainstStockfishLegallyAndInTime)
{
    if (StockfishPath().empty()) GTEST_SKIP() << "stockfish is not installed";
    const int games = EnvNumber("VORN_UCI_GAMES", 2);
    const int elo = EnvNumber("VORN_UCI_ELO", 1350);
    int baseMs = 10000, incMs = 100;
    if (const char* tc = std::getenv("VORN_UCI_TC")) std::sscanf(tc, "%d+%d", &baseMs, &incMs);
    double vornScore = 0;
    int illegal = 0, overtime = 0, leastLeft = 1 << 30, slowest = 0;
    for (int i = 0; i < games; i++) {
        const bool vornWhite = i % 2 == 0;
        const GameRecord g = PlayGame(vornWhite, baseMs, incMs, elo);
        const bool vornWon = (g.result == "1-0") == vornWhite && g.result != "1/2-1/2";
        vornScore += g.result == "1/2-1/2" ? 0.5 : (vornWon ? 1.0 : 0.0);
        illegal += g.illegal;
        overtime += g.overtime;
        if (g.leastLeftMs < leastLeft) leastLeft = g.leastLeftMs;
        if (g.slowestMs > slowest) slowest = g.slowestMs;
        std::printf("game %d: Vorn %s, %s (%s) after %d plies; least clock left %d ms, slowest "
                    "reply %d ms, illegal %d, over time %d\n  moves:%s\n",
                    i + 1, vornWhite ? "white" : "black", g.result.c_str(), g.reason.c_str(),
                    g.plies, g.leastLeftMs, g.slowestMs, g.illegal, g.overtime, g.moves.c_str());
        std::fflush(stdout);
        EXPECT_GT(g.plies, 0);
    }
    std::printf("%d games at %d+%d ms against stockfish UCI_Elo %d: Vorn scored %.1f; illegal "
                "moves %d, replies over time %d, least clock left %d ms, slowest reply %d ms\n",
                games, baseMs, incMs, elo, vornScore, illegal, overtime, leastLeft, slowest);
    EXPECT_EQ(illegal, 0);
    EXPECT_EQ(overtime, 0);
}

}  // namespace
