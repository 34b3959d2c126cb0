// Full games through the xboard dialect against Debian's fairymax, driven the way an interface
// drives them: clocks kept by the driver, "time" and "otim" before every move, every move Vorn
// sends checked against the legal moves of the position, and every line it prints checked to be
// a whole line of a kind the dialogue knows.

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "board/setup.h"
#include "common/process.h"
#include "shell/move_referee.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const kFairymax = "/usr/games/fairymax";

// Every kind of line Vorn prints in an xboard game.
bool IsKnownVornLine(const std::string& l)
{
    static const std::regex known(
        R"(^(move [a-h][1-8][a-h][1-8][qrbn]?|pong \d+|\d+ -?\d+ \d+ \d+ ( [a-h][1-8][a-h][1-8][qrbn]?)+ ?|)"
        R"(\d+ -?\d+ \d+ \d+  ?|info nps \d+ time [0-9.e+]+|White mates!|Black mates!|Stalemate|)"
        R"(1/2-1/2 \{Draw by [a-zA-Z0-9 ]+\}|tellics kibitz .*|Look through the Opening Book|)"
        R"( Search Aborted due to receiveing following string: .*|Bye, Thanks for the match\.|)"
        R"(feature ping=1 .* done=1|Vorn )$)");
    return std::regex_match(l, known);
}

struct GameRecord {
    std::string result;                 // "1-0", "0-1", "1/2-1/2"
    std::string reason;
    std::vector<std::string> moves;
    int vornMoves = 0;
    int vornIllegal = 0;
    int vornTimeLosses = 0;
    long long vornSlowestMs = 0;
    long long vornClockLowMs = 1 << 30;
    std::vector<std::string> strangeLines;
};

// Position key for repetitions: placement, side and rights.
std::string Key(const ChessBoard& b)
{
    char fen[128];
    pos2fenString(b, fen);
    return fen;
}

bool InsufficientMaterial(const ChessBoard& b)
{
    if (b.WhitePawns | b.BlackPawns | b.WhiteRooks | b.BlackRooks | b.WhiteQueens | b.BlackQueens)
        return false;
    return SimpleBitCount(b.WhiteKnights | b.WhiteBishops | b.BlackKnights | b.BlackBishops) <= 1;
}

// Plays one game at 40 moves in one minute; vornWhite chooses the colours.
GameRecord PlayGame(bool vornWhite)
{
    GameRecord g;
    VornProcess vorn;
    EngineProcess fairy(kFairymax, {}, true);
    std::string line;

    // 1. Handshakes.
    vorn.Send("xboard\nprotover 2\n");
    while (vorn.ReadLine(&line, 5000) && line.rfind("feature", 0) != 0) {
    }
    fairy.Send("xboard\nprotover 2\n");
    while (fairy.ReadLine(&line, 5000) && line != "feature done=1") {
    }
    vorn.Send("new\nlevel 40 1 0\npost\n");
    fairy.Send("new\nlevel 40 1 0\n");

    // 2. The moves, with the clocks of both sides.
    ChessBoard board;
    referee::Play(referee::kStart, {}, &board);
    long long clock[2] = {60000, 60000};  // white, black
    int movesMade[2] = {0, 0};
    std::map<std::string, int> seen;
    seen[Key(board)]++;
    std::string last;
    int halfMoves = 0;
    int pings = 0;
    for (int ply = 0; ply < 400; ply++) {
        const int side = board.SideToMove;
        const bool vornMoves = (side == 0) == vornWhite;
        EngineProcess& mover = vornMoves ? vorn : fairy;
        char clocks[64];
        std::snprintf(clocks, sizeof clocks, "time %lld\notim %lld\n", clock[side] / 10,
                      clock[1 - side] / 10);
        mover.Send(clocks);
        mover.Send(last.empty() ? std::string("go\n") : last + "\n");
        const auto start = Clock::now();
        std::string move;
        while (mover.ReadLine(&line, 300000)) {
            if (vornMoves && !IsKnownVornLine(line)) g.strangeLines.push_back(line);
            if (!vornMoves && line.rfind("Illegal move", 0) == 0) g.vornIllegal++;
            if (line.rfind("move ", 0) == 0) {
                move = line.substr(5);
                break;
            }
        }
        const long long spent =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (move.empty()) {
            g.result = vornMoves ? (vornWhite ? "0-1" : "1-0") : (vornWhite ? "1-0" : "0-1");
            g.reason = "no move came";
            return g;
        }
        clock[side] -= spent;
        if (vornMoves) {
            g.vornMoves++;
            g.vornSlowestMs = std::max(g.vornSlowestMs, spent);
            g.vornClockLowMs = std::min(g.vornClockLowMs, clock[side]);
            if (clock[side] <= 0) g.vornTimeLosses++;
        }
        if (++movesMade[side] % 40 == 0) clock[side] += 60000;

        // 3. The referee plays the move and looks for the end of the game.
        const auto legal = referee::LegalMoves(board);
        if (!legal.count(move)) {
            if (vornMoves) g.vornIllegal++;
            g.result = vornMoves == vornWhite ? "0-1" : "1-0";
            g.reason = "illegal move " + move;
            return g;
        }
        const bool pawnOrCapture =
            (board.WhitePawns | board.BlackPawns) &
                (u64{1} << ((move[0] - 'a') + 8 * (move[1] - '1'))) ||
            (board.AllPieces & (u64{1} << ((move[2] - 'a') + 8 * (move[3] - '1'))));
        g.moves.push_back(move);
        referee::Play(referee::kStart, g.moves, &board);
        halfMoves = pawnOrCapture ? 0 : halfMoves + 1;
        last = move;
        // The engine that moved is asked for a pong: its lines must all be whole.
        if (vornMoves) {
            vorn.Send("ping " + std::to_string(++pings) + "\n");
            while (vorn.ReadLine(&line, 10000) && line != "pong " + std::to_string(pings))
                if (!IsKnownVornLine(line)) g.strangeLines.push_back(line);
        }
        if (referee::LegalMoves(board).empty()) {
            const char s = board.SideToMove;
            const bool check = board.InCheck(s ? board.BlackKing : board.WhiteKing, s);
            g.result = check ? (s ? "1-0" : "0-1") : "1/2-1/2";
            g.reason = check ? "mate" : "stalemate";
            break;
        }
        if (halfMoves >= 100) {
            g.result = "1/2-1/2";
            g.reason = "fifty moves";
            break;
        }
        if (++seen[Key(board)] >= 3) {
            g.result = "1/2-1/2";
            g.reason = "repetition";
            break;
        }
        if (InsufficientMaterial(board)) {
            g.result = "1/2-1/2";
            g.reason = "insufficient material";
            break;
        }
    }
    if (g.result.empty()) {
        g.result = "1/2-1/2";
        g.reason = "400 plies";
    }

    // 4. The end: Vorn stays whole to the last line and leaves with status 0.
    vorn.Send("result " + g.result + " {" + g.reason + "}\nping 999\n");
    while (vorn.ReadLine(&line, 10000) && line != "pong 999")
        if (!IsKnownVornLine(line)) g.strangeLines.push_back(line);
    vorn.Send("quit\n");
    while (vorn.ReadLine(&line, 5000))
        if (!IsKnownVornLine(line)) g.strangeLines.push_back(line);
    if (!vorn.Unfinished().empty()) g.strangeLines.push_back("unfinished: " + vorn.Unfinished());
    if (vorn.Wait(5000) != 0) g.strangeLines.push_back("exit status not 0");
    fairy.Send("quit\n");
    return g;
}

void Report(const GameRecord& g, bool vornWhite)
{
    std::cout << (vornWhite ? "Vorn (white) - fairymax: " : "fairymax - Vorn (black): ")
              << g.result << " {" << g.reason << "} after " << g.moves.size() << " plies; Vorn "
              << g.vornMoves << " moves, slowest " << g.vornSlowestMs << " ms, lowest clock "
              << g.vornClockLowMs << " ms\n  ";
    for (const auto& m : g.moves) std::cout << m << ' ';
    std::cout << '\n';
    for (const auto& l : g.strangeLines) std::cout << "  strange line: [" << l << "]\n";
}

class XboardMatch : public ::testing::TestWithParam<bool> {};

TEST_P(XboardMatch, FullGameAgainstFairymaxAtFortyMovesAMinute)
{
    if (access(kFairymax, X_OK) != 0) GTEST_SKIP() << "fairymax is not installed";
    const bool vornWhite = GetParam();
    const GameRecord g = PlayGame(vornWhite);
    Report(g, vornWhite);
    EXPECT_EQ(g.vornIllegal, 0);
    EXPECT_EQ(g.vornTimeLosses, 0);
    EXPECT_TRUE(g.strangeLines.empty());
    EXPECT_NE(g.reason, "no move came");
    EXPECT_GT(g.vornMoves, 0);
}

INSTANTIATE_TEST_SUITE_P(BothColours, XboardMatch, ::testing::Values(true, false));

}  // namespace
