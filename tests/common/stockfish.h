#pragma once
// Debian's stockfish through pipes: the independent referee for legal moves and the opponent of
// the game tests.

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/process.h"

// Path of the peer engine, or "" when it is not installed.
inline std::string StockfishPath()
{
    for (const char *p : {"/usr/games/stockfish", "/usr/bin/stockfish"})
        if (access(p, X_OK) == 0) return p;
    return "";
}

class Stockfish : public EngineProcess {
  public:
    Stockfish() : EngineProcess(StockfishPath(), {}, true) {}

    // Starts the UCI dialogue; true when the engine answered "uciok" and "readyok".
    bool Start(const std::vector<std::string> &options = {})
    {
        Send("uci\n");
        if (!WaitFor("uciok", nullptr, 10000)) return false;
        for (const auto &o : options)
            Send("setoption name " + o + "\n");
        Send("isready\n");
        return WaitFor("readyok", nullptr, 10000);
    }

    // The legal moves of a position ("startpos moves e2e4", "fen ..."), sorted, from the peer's
    // move counter; under-promotions included.
    std::vector<std::string> LegalMoves(const std::string &position)
    {
        Send("position " + position + "\ngo perft 1\n");
        std::vector<std::string> moves;
        std::string l;
        while (ReadLine(&l, 10000)) {
            if (l.compare(0, 15, "Nodes searched:") == 0) break;
            const size_t colon = l.find(": ");
            if (colon == 4 || colon == 5) moves.push_back(l.substr(0, colon));
        }
        std::sort(moves.begin(), moves.end());
        return moves;
    }

    // The FEN and the checking pieces of a position, from the peer's "d" command.
    bool Describe(const std::string &position, std::string *fen, bool *inCheck)
    {
        Send("position " + position + "\nd\n");
        std::string l;
        bool gotFen = false;
        while (ReadLine(&l, 10000)) {
            if (l.compare(0, 5, "Fen: ") == 0) {
                *fen = l.substr(5);
                gotFen = true;
            }
            if (l.compare(0, 10, "Checkers: ") == 0 || l == "Checkers:") {
                *inCheck = l.size() > 10 && l.find_first_not_of(' ', 10) != std::string::npos;
                return gotFen;
            }
        }
        return false;
    }
};

// True when move is in the sorted list.
inline bool IsListed(const std::vector<std::string> &moves, const std::string &move)
{
    return std::binary_search(moves.begin(), moves.end(), move);
}
