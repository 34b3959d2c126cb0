#pragma once
// Plain reference versions of the rules for the tests: attacks by stepping each ray one square
// at a time with file guards, a mailbox that plays moves by the rules, and a legal move
// generator built on them. It shares nothing with the engine's generator but MakeMove and the
// check test, which the random games check on their own.

#include <array>
#include <cstring>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/setup.h"

namespace ref {

inline u64 Bit(int sq)
{
    return u64{1} << sq;
}
inline int Sq(const char *name)
{
    return (name[0] - 'a') + 8 * (name[1] - '1');
}
inline u64 M(const char *name)
{
    return Bit(Sq(name));
}
inline std::string Name(int sq)
{
    return {char('a' + (sq & 7)), char('1' + (sq >> 3))};
}

// Square by square along a direction (file and rank steps) until a piece or the edge.
inline u64 Ray(int sq, int df, int dr, u64 occ)
{
    u64 r = 0;
    for (int f = (sq & 7) + df, k = (sq >> 3) + dr; f >= 0 && f < 8 && k >= 0 && k < 8;
         f += df, k += dr) {
        r |= Bit(8 * k + f);
        if (occ & Bit(8 * k + f)) break;
    }
    return r;
}
inline u64 Bishop(int sq, u64 occ)
{
    return Ray(sq, 1, 1, occ) | Ray(sq, 1, -1, occ) | Ray(sq, -1, 1, occ) | Ray(sq, -1, -1, occ);
}
inline u64 Rook(int sq, u64 occ)
{
    return Ray(sq, 1, 0, occ) | Ray(sq, -1, 0, occ) | Ray(sq, 0, 1, occ) | Ray(sq, 0, -1, occ);
}
// One step in each of the given (file, rank) offsets that stays on the board.
inline u64 Steps(int sq, const int (&d)[8][2])
{
    u64 r = 0;
    for (const auto &s : d) {
        const int f = (sq & 7) + s[0], k = (sq >> 3) + s[1];
        if (f >= 0 && f < 8 && k >= 0 && k < 8) r |= Bit(8 * k + f);
    }
    return r;
}
constexpr int KNIGHT_STEPS[8][2] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                                    {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
constexpr int KING_STEPS[8][2] = {{1, 0},  {1, 1},   {0, 1},  {-1, 1},
                                  {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
inline u64 Knight(int sq)
{
    return Steps(sq, KNIGHT_STEPS);
}
inline u64 King(int sq)
{
    return Steps(sq, KING_STEPS);
}

// Piece code per square (pawn, knight, bishop, rook, queen, king; white 0-5, black 6-11), -1
// for empty.
using Mailbox = std::array<int, 64>;
inline std::array<u64, 12> Pieces(const ChessBoard &b)
{
    return {b.WhitePawns, b.WhiteKnights, b.WhiteBishops, b.WhiteRooks, b.WhiteQueens, b.WhiteKing,
            b.BlackPawns, b.BlackKnights, b.BlackBishops, b.BlackRooks, b.BlackQueens, b.BlackKing};
}
inline Mailbox ToMailbox(const ChessBoard &b)
{
    Mailbox mb;
    mb.fill(-1);
    const auto p = Pieces(b);
    for (int c = 0; c < 12; c++)
        for (int sq = 0; sq < 64; sq++)
            if (p[c] & Bit(sq)) mb[sq] = c;
    return mb;
}
inline std::array<u64, 12> FromMailbox(const Mailbox &mb)
{
    std::array<u64, 12> p{};
    for (int sq = 0; sq < 64; sq++)
        if (mb[sq] >= 0) p[mb[sq]] |= Bit(sq);
    return p;
}

// True when square sq is attacked by the side opposite to colour c.
inline bool Attacked(const ChessBoard &b, int sq, char c)
{
    const auto p = Pieces(b);
    const int o = c ? 0 : 6, up = c ? -1 : 1; // attacker's pieces; its pawns come from there
    for (int df : {-1, 1}) {
        const int f = (sq & 7) + df, k = (sq >> 3) + up;
        if (f >= 0 && f < 8 && k >= 0 && k < 8 && (p[o] & Bit(8 * k + f))) return true;
    }
    return (Knight(sq) & p[o + 1]) || (Bishop(sq, b.AllPieces) & (p[o + 2] | p[o + 4])) ||
           (Rook(sq, b.AllPieces) & (p[o + 3] | p[o + 4])) || (King(sq) & p[o + 5]);
}

struct Move {
    int from, to;
    char promotion; // NOPROMOTION, or the letter (upper case for White)
};
inline std::string Text(const Move &m)
{
    std::string s = Name(m.from) + Name(m.to);
    if (m.promotion != NOPROMOTION) s += static_cast<char>(m.promotion | 0x20);
    return s;
}

// Plays a move on a mailbox by the rules (castling moves the rook, a pawn moving diagonally to
// an empty square takes en passant) and returns the castling rights that survive it.
inline int Apply(Mailbox &mb, const Move &m)
{
    const int piece = mb[m.from];
    int rights = 15;
    const int corners[4] = {7, 0, 63, 56}, rooks[4] = {3, 3, 9, 9}; // h1 a1 h8 a8: K Q k q
    for (int i = 0; i < 4; i++)
        if ((m.from == corners[i] && mb[m.from] == rooks[i]) ||
            (m.to == corners[i] && mb[m.to] == rooks[i]))
            rights &= ~(1 << i);
    if (piece == 5) rights &= 12;
    if (piece == 11) rights &= 3;
    if ((piece == 0 || piece == 6) && (m.from & 7) != (m.to & 7) && mb[m.to] < 0)
        mb[(m.from & ~7) | (m.to & 7)] = -1;
    if ((piece == 5 || piece == 11) && (m.to - m.from == 2 || m.from - m.to == 2)) {
        const bool shortSide = m.to > m.from;
        mb[shortSide ? m.to - 1 : m.to + 1] = mb[shortSide ? m.to + 1 : m.to - 2];
        mb[shortSide ? m.to + 1 : m.to - 2] = -1;
    }
    mb[m.to] = piece;
    mb[m.from] = -1;
    if ((piece == 0 || piece == 6) && (m.to >= 56 || m.to < 8)) {
        const char *letters = "nbrq";
        const char *at =
            m.promotion == NOPROMOTION ? nullptr : std::strchr(letters, m.promotion | 0x20);
        mb[m.to] = piece + 1 + (at ? static_cast<int>(at - letters) : 3);
    }
    return rights;
}

// A position with the side to move and the castling rights kept beside the board.
struct Position {
    ChessBoard board;
    char side;
    char castle;
};

// The position of a FEN text, counted and keyed (MainBoard is left holding it).
inline Position FromFen(const std::string &fen)
{
    SetupBoard(fen.c_str());
    MainBoard.RecountAll();
    MainBoard.FiftyMoveCount = 0;
    return {MainBoard, MainBoard.SideToMove, MainBoard.CastleFlags};
}

// The legal moves, with every promotion letter, from the mailbox and the ray attacks.
inline std::vector<Move> LegalMoves(const Position &p)
{
    const ChessBoard &b = p.board;
    const Mailbox mb = ToMailbox(b);
    const int o = p.side ? 6 : 0, fwd = p.side ? -8 : 8;
    const u64 own = p.side ? b.BlackPieces : b.WhitePieces,
              opp = p.side ? b.WhitePieces : b.BlackPieces;
    std::vector<Move> pseudo;
    auto add = [&](int from, int to) {
        if ((mb[from] == o) && (to >= 56 || to < 8)) {
            for (char c : {'Q', 'R', 'B', 'N'})
                pseudo.push_back({from, to, p.side ? char(c | 0x20) : c});
        } else {
            pseudo.push_back({from, to, NOPROMOTION});
        }
    };
    for (int sq = 0; sq < 64; sq++) {
        u64 t = 0;
        const int piece = mb[sq] - o;
        if (mb[sq] < 0 || piece < 0 || piece > 5) continue;
        if (piece == 1) t = Knight(sq);
        if (piece == 2 || piece == 4) t |= Bishop(sq, b.AllPieces);
        if (piece == 3 || piece == 4) t |= Rook(sq, b.AllPieces);
        if (piece == 5) t = King(sq);
        for (int to = 0; to < 64; to++)
            if (t & ~own & Bit(to)) add(sq, to);
        if (piece != 0) continue;
        const int one = sq + fwd, rank = sq >> 3;
        if (!(b.AllPieces & Bit(one))) {
            add(sq, one);
            if (rank == (p.side ? 6 : 1) && !(b.AllPieces & Bit(one + fwd))) add(sq, one + fwd);
        }
        for (int df : {-1, 1}) {
            if ((sq & 7) + df < 0 || (sq & 7) + df > 7) continue;
            if (opp & Bit(one + df)) add(sq, one + df);
            // En passant: the last move was a pawn's double step to the square beside.
            const int beside = sq + df;
            if (rank == (p.side ? 3 : 4) && mb[beside] == (p.side ? 0 : 6) &&
                b.LastTo == Bit(beside) && b.LastFrom == Bit(beside + 2 * fwd))
                add(sq, one + df);
        }
    }
    const int k = p.side ? 60 : 4;
    if (mb[k] == o + 5 && !Attacked(b, k, p.side)) {
        if ((p.castle & (p.side ? 4 : 1)) && mb[k + 3] == o + 3 && mb[k + 1] < 0 && mb[k + 2] < 0 &&
            !Attacked(b, k + 1, p.side) && !Attacked(b, k + 2, p.side))
            pseudo.push_back({k, k + 2, NOPROMOTION});
        if ((p.castle & (p.side ? 8 : 2)) && mb[k - 4] == o + 3 && mb[k - 1] < 0 && mb[k - 2] < 0 &&
            mb[k - 3] < 0 && !Attacked(b, k - 1, p.side) && !Attacked(b, k - 2, p.side))
            pseudo.push_back({k, k - 2, NOPROMOTION});
    }
    std::vector<Move> legal;
    for (const Move &m : pseudo) {
        Mailbox after = mb;
        Apply(after, m);
        ChessBoard c{};
        const auto pc = FromMailbox(after);
        c.WhitePawns = pc[0], c.WhiteKnights = pc[1], c.WhiteBishops = pc[2], c.WhiteRooks = pc[3];
        c.WhiteQueens = pc[4], c.WhiteKing = pc[5], c.BlackPawns = pc[6], c.BlackKnights = pc[7];
        c.BlackBishops = pc[8], c.BlackRooks = pc[9], c.BlackQueens = pc[10], c.BlackKing = pc[11];
        for (int i = 0; i < 12; i++)
            c.AllPieces |= pc[i];
        const u64 king = pc[o + 5];
        if (king && !Attacked(c, __builtin_ctzll(king), p.side)) legal.push_back(m);
    }
    return legal;
}

// The legal moves of a FEN as coordinate texts, as an interface reads them.
inline std::set<std::string> LegalTexts(const std::string &fen)
{
    std::set<std::string> out;
    for (const Move &m : LegalMoves(FromFen(fen)))
        out.insert(Text(m));
    return out;
}

// The position after a move: the engine's MakeMove, the side flipped, the rights cut.
inline Position Played(Position p, const Move &m)
{
    char mask = 15;
    p.board.MakeMove(Bit(m.from), Bit(m.to), m.promotion, &mask);
    p.side = p.side ? 0 : 1;
    p.castle = static_cast<char>(p.castle & mask);
    return p;
}

inline bool IsLegal(const Position &p, u64 from, u64 to, char promotion)
{
    if (!from || !to) return false;
    for (const Move &m : LegalMoves(p))
        if (Bit(m.from) == from && Bit(m.to) == to && (m.promotion | 0x20) == (promotion | 0x20))
            return true;
    return false;
}

inline const char *const STARTS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1",
    "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
    "rn2k2r/8/8/8/8/8/8/RN2K2R w KQkq - 0 1",
};

// Every position of random games (fixed seed) from the starts above, the starts included; f is
// called with each position and the move played from it (none at the end of a game).
template <typename F> void RandomGames(int gamesPerStart, int maxPlies, F f)
{
    std::mt19937_64 rng(20240611);
    for (const char *fen : STARTS) {
        for (int game = 0; game < gamesPerStart; game++) {
            Position p = FromFen(fen);
            for (int ply = 0; ply < maxPlies; ply++) {
                const auto legal = LegalMoves(p);
                const Move *m = legal.empty() ? nullptr : &legal[rng() % legal.size()];
                if (!f(p, m) || !m) break;
                p = Played(p, *m);
            }
        }
    }
}

// One line of perft.tsv: FEN, depth, leaf count, total count (queen promotions only).
struct PerftCase {
    std::string fen;
    int depth;
    unsigned long long leaves, total;
};
inline std::vector<PerftCase> PerftCases(unsigned long long minTotal, unsigned long long maxTotal)
{
    std::vector<PerftCase> out;
    std::ifstream in(VORN_TEST_DATA "/perft.tsv");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t a = line.find('\t'), b = line.find('\t', a + 1), c = line.find('\t', b + 1);
        PerftCase pc{line.substr(0, a), std::stoi(line.substr(a + 1)),
                     std::stoull(line.substr(b + 1)), std::stoull(line.substr(c + 1))};
        if (pc.total >= minTotal && pc.total <= maxTotal) out.push_back(pc);
    }
    return out;
}

} // namespace ref
