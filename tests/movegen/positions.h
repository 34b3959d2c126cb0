#pragma once
// Positions, move text and random games for the move generation tests.

#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "common/legal.h"

namespace mg {

// The first n moves of a list as text, in list order.
inline std::vector<std::string> Listed(const MoveGen& g, int n)
{
    std::vector<std::string> out;
    for (int i = 0; i < n; i++) out.push_back(MoveText(g.From[i], g.To[i], g.Promotion[i]));
    return out;
}

// The listed moves that do not leave the mover's king attacked, as text.
inline std::vector<std::string> LegalOf(const Position& p, const MoveGen& g, int n)
{
    std::vector<std::string> out;
    for (int i = 0; i < n; i++) {
        ChessBoard b = p.board;
        char mask;
        b.MakeMove(g.From[i], g.To[i], g.Promotion[i], &mask);
        if (!KingAttacked(b, p.side)) out.push_back(MoveText(g.From[i], g.To[i], g.Promotion[i]));
    }
    return out;
}

// Legal moves from the full generator (evasions are not used).
inline std::vector<std::string> LegalFromAllMoves(Position p)
{
    MoveGen g;
    const int n = g.GenerateAllMoves(p.side, &p.board, p.castle);
    return LegalOf(p, g, n);
}

// The positions of random games from a few varied starts (fixed seed): every position met,
// the start positions included.
inline std::vector<Position> RandomGamePositions(int gamesPerStart, int maxPlies)
{
    static const char* const kStarts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
        "4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1",
        "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
    };
    std::mt19937_64 rng(20240611);
    std::vector<Position> out;
    for (const char* fen : kStarts) {
        for (int game = 0; game < gamesPerStart; game++) {
            Position p = FromFen(fen);
            for (int ply = 0; ply < maxPlies; ply++) {
                out.push_back(p);
                const auto legal = LegalMoves(p);
                if (legal.empty()) break;
                p = Played(p, legal[rng() % legal.size()]);
            }
        }
    }
    return out;
}

// One line of perft.tsv: FEN, depth, leaf count, total count.
struct PerftCase {
    std::string fen;
    int depth;
    std::uint64_t leaves;
    std::uint64_t total;
};

// The cases of perft.tsv whose total lies in [minTotal, maxTotal].
inline std::vector<PerftCase> LoadPerftCases(std::uint64_t minTotal, std::uint64_t maxTotal)
{
    std::vector<PerftCase> out;
    std::ifstream in(VORN_TEST_DATA "/perft.tsv");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            f.push_back(line.substr(start, tab - start));
        f.push_back(line.substr(start));
        if (f.size() != 4) continue;
        PerftCase c{f[0], std::stoi(f[1]), std::stoull(f[2]), std::stoull(f[3])};
        if (c.total >= minTotal && c.total <= maxTotal) out.push_back(c);
    }
    return out;
}

}  // namespace mg
