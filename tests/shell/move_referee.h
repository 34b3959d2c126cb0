#pragma once
// A referee for the dialogue tests: the legal moves of a position, written as interfaces write
// them ("e2e4", "e7e8q"), found by generating every move and keeping those that leave the own
// king safe; and helpers to cut the engine's output into lines.

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/setup.h"
#include "movegen/movegen.h"

namespace referee {

inline std::string SquareText(u64 m)
{
    const int sq = LowestSquare(m);
    return std::string(1, static_cast<char>('a' + sq % 8)) + static_cast<char>('1' + sq / 8);
}

// The legal moves of the board for its side to move, promotions with all four letters.
inline std::set<std::string> LegalMoves(const ChessBoard& board)
{
    std::set<std::string> moves;
    ChessBoard work = board;
    MoveGen mg;
    const char side = board.SideToMove;
    const int n = mg.GenerateAllMoves(side, &work, board.CastleFlags);
    for (int i = 0; i < n; i++) {
        ChessBoard child = board;
        char mask = 15;
        child.MakeMove(mg.From[i], mg.To[i], mg.Promotion[i], &mask);
        if (child.InCheck(side ? child.BlackKing : child.WhiteKing, side)) continue;
        const std::string text = SquareText(mg.From[i]) + SquareText(mg.To[i]);
        if (mg.Promotion[i] == NOPROMOTION) {
            moves.insert(text);
        } else {
            for (const char* p : {"q", "r", "b", "n"}) moves.insert(text + p);
        }
    }
    return moves;
}

// The position of a FEN text after a list of moves in the referee's notation; false when a
// move is not legal on the way.
inline bool Play(const std::string& fen, const std::vector<std::string>& moves, ChessBoard* out)
{
    SetupBoard(fen.c_str());
    ChessBoard b = MainBoard;
    b.InitPieceCounts();
    for (const std::string& m : moves) {
        if (!LegalMoves(b).count(m)) return false;
        const u64 from = u64{1} << ((m[0] - 'a') + 8 * (m[1] - '1'));
        const u64 to = u64{1} << ((m[2] - 'a') + 8 * (m[3] - '1'));
        const char side = b.SideToMove;
        char promo = NOPROMOTION;
        if (m.size() == 5) promo = side ? m[4] : static_cast<char>(m[4] - 'a' + 'A');
        char mask = 15;
        b.MakeMove(from, to, promo, &mask);
        b.CastleFlags = static_cast<char>(b.CastleFlags & mask);
        b.SideToMove = side ? 0 : 1;
    }
    *out = b;
    return true;
}

inline const char* const kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// True when reply is a legal move after the moves from the FEN text.
inline bool IsLegalReply(const std::string& fen, const std::vector<std::string>& moves,
                         const std::string& reply)
{
    ChessBoard b;
    return Play(fen, moves, &b) && LegalMoves(b).count(reply) == 1;
}

inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Lines the search prints on its own account (speed, aborts); the dialogue tests skip them.
inline bool IsSearchNoise(const std::string& line)
{
    return line.rfind("info nps", 0) == 0 || line.rfind("info time", 0) == 0 ||
           line.rfind(" Search Aborted due to receiveing following string: ", 0) == 0 ||
           line.rfind("Look through the Opening Book", 0) == 0 ||
           line.rfind("tellics kibitz", 0) == 0;
}

// The output without the search's own lines.
inline std::vector<std::string> DialogueLines(const std::string& text)
{
    std::vector<std::string> kept;
    for (const std::string& l : Lines(text))
        if (!IsSearchNoise(l)) kept.push_back(l);
    return kept;
}

}  // namespace referee
