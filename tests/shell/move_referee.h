#pragma once
// The dialogue tests' view of the legal moves (in interface notation, from the shared helper)
// and helpers to cut the engine's output into lines.

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/legal.h"

namespace referee {

// The legal moves of the board for the side to move it records.
inline std::set<std::string> LegalMoves(const ChessBoard& board)
{
    return mg::LegalTexts({board, board.SideToMove, board.CastleFlags});
}

// The board of a FEN text after a list of moves, with its side to move and castling rights;
// false when a move is not legal on the way.
inline bool Play(const std::string& fen, const std::vector<std::string>& moves, ChessBoard* out)
{
    mg::Position p;
    if (!mg::PlayTexts(fen, moves, &p)) return false;
    *out = p.board;
    out->SideToMove = p.side;
    out->CastleFlags = p.castle;
    return true;
}

using mg::IsLegalReply;
inline const char* const kStart = mg::kStartFen;

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
