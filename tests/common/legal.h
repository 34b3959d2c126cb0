#pragma once
// The legal moves of a position by the engine's own generator: every generated move is made and
// kept when it leaves the mover's king safe. The independent reference generator of the board
// tests checks the generator itself; this helper serves the tests of everything built on it.

#include <set>
#include <string>
#include <vector>

#include "board/setup.h"
#include "movegen/movegen.h"

namespace mg {

// A position with the side to move and the castling rights the generators are given.
struct Position {
    ChessBoard board;
    char side;
    char castle;
};

// The position of a FEN text (MainBoard is left holding it).
inline Position FromFen(const std::string& fen)
{
    SetupBoard(fen.c_str());
    MainBoard.InitPieceCounts();
    return {MainBoard, MainBoard.SideToMove, MainBoard.CastleFlags};
}

inline std::string SquareName(u64 m)
{
    const int sq = __builtin_ctzll(m);
    return {static_cast<char>('a' + sq % 8), static_cast<char>('1' + sq / 8)};
}

// "e2e4", with the promotion letter appended when the move promotes ("e7e8Q").
inline std::string MoveText(u64 from, u64 to, char promotion)
{
    std::string s = SquareName(from) + SquareName(to);
    if (promotion != NOPROMOTION) s += promotion;
    return s;
}

inline bool KingAttacked(const ChessBoard& b, char side)
{
    return b.InCheck(side ? b.BlackKing : b.WhiteKing, side);
}

// Legal moves the way every caller finds them: evasions when in check, else all moves.
struct LegalMove {
    u64 from, to;
    char promotion;
};
inline std::vector<LegalMove> LegalMoves(Position p)
{
    MoveGen g;
    const int n = KingAttacked(p.board, p.side) ? g.GenCheckEvasions(p.side, &p.board)
                                                : g.GenerateAllMoves(p.side, &p.board, p.castle);
    std::vector<LegalMove> out;
    for (int i = 0; i < n; i++) {
        ChessBoard b = p.board;
        char mask;
        b.MakeMove(g.From[i], g.To[i], g.Promotion[i], &mask);
        if (!KingAttacked(b, p.side)) out.push_back({g.From[i], g.To[i], g.Promotion[i]});
    }
    return out;
}

// Plays a move on a position: the side flips and the rights shrink by the reported mask.
inline Position Played(Position p, const LegalMove& m)
{
    char mask;
    p.board.MakeMove(m.from, m.to, m.promotion, &mask);
    p.side = p.side ? 0 : 1;
    p.castle = static_cast<char>(p.castle & mask);
    return p;
}

// True when from-to-promotion is one of the legal moves of the position.
inline bool IsLegal(const Position& p, u64 from, u64 to, char promotion)
{
    for (const LegalMove& m : LegalMoves(p))
        if (m.from == from && m.to == to && m.promotion == promotion) return true;
    return false;
}

inline const char* const kStartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// The legal moves as interfaces write them ("e2e4", "e7e8q"), promotions with all four letters.
inline std::set<std::string> LegalTexts(const Position& p)
{
    std::set<std::string> out;
    for (const LegalMove& m : LegalMoves(p)) {
        const std::string text = SquareName(m.from) + SquareName(m.to);
        if (m.promotion == NOPROMOTION) {
            out.insert(text);
        } else {
            for (const char* l : {"q", "r", "b", "n"}) out.insert(text + l);
        }
    }
    return out;
}

// The position of a FEN text after moves in interface notation; false when a move on the way
// is not legal.
inline bool PlayTexts(const std::string& fen, const std::vector<std::string>& moves, Position* out)
{
    Position p = FromFen(fen);
    for (const std::string& m : moves) {
        if (!LegalTexts(p).count(m)) return false;
        char promo = NOPROMOTION;
        if (m.size() == 5) promo = p.side ? m[4] : static_cast<char>(m[4] - 'a' + 'A');
        const u64 from = u64{1} << ((m[0] - 'a') + 8 * (m[1] - '1'));
        const u64 to = u64{1} << ((m[2] - 'a') + 8 * (m[3] - '1'));
        p = Played(p, {from, to, promo});
    }
    *out = p;
    return true;
}

// True when reply is a legal move after the moves from the FEN text.
inline bool IsLegalReply(const std::string& fen, const std::vector<std::string>& moves,
                         const std::string& reply)
{
    Position p;
    return PlayTexts(fen, moves, &p) && LegalTexts(p).count(reply) == 1;
}

}  // namespace mg
