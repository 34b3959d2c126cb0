#pragma once
// Slow, plain reference versions of the board rules for the board tests: attacks by stepping
// each ray one shift at a time with file guards, a mailbox board and a legal move generator.

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "board/board.h"

namespace ref {

constexpr u64 kFileA = 0x0101010101010101ULL;
constexpr u64 kFileB = kFileA << 1;
constexpr u64 kFileG = kFileA << 6;
constexpr u64 kFileH = kFileA << 7;
constexpr u64 kRank1 = 0xFFULL;
constexpr u64 kRank8 = 0xFFULL << 56;

inline u64 Bit(int sq) { return u64{1} << sq; }

// Square index of a name such as "e4".
inline int Sq(const char* name) { return (name[0] - 'a') + 8 * (name[1] - '1'); }
inline u64 M(const char* name) { return Bit(Sq(name)); }

// One step of a direction: shift amount (positive = left) and the file it must not start on
// and stops at (0 for none).
struct Dir {
    int shift;
    u64 edge;
};
constexpr Dir kNorth{8, 0}, kSouth{-8, 0}, kEast{1, kFileH}, kWest{-1, kFileA};
constexpr Dir kNorthEast{9, kFileH}, kSouthEast{-7, kFileH}, kNorthWest{7, kFileA},
    kSouthWest{-9, kFileA};
constexpr Dir kDiagonals[4] = {kSouthEast, kSouthWest, kNorthWest, kNorthEast};
constexpr Dir kOrthogonals[4] = {kSouth, kWest, kEast, kNorth};

inline u64 Step(u64 s, int shift) { return shift > 0 ? s << shift : s >> -shift; }

// The ray from s in one direction: each square until a piece of occ, the edge file the
// direction runs towards, or the end of the board (first blocker included).
inline u64 Ray(u64 s, Dir d, u64 occ)
{
    u64 ray = 0;
    if (s & d.edge) return 0;
    for (u64 x = Step(s, d.shift); x; x = Step(x, d.shift)) {
        ray |= x;
        if ((x & occ) || (x & d.edge)) break;
    }
    return ray;
}

inline u64 Bishop(u64 s, u64 occ)
{
    u64 r = 0;
    for (Dir d : kDiagonals) r |= Ray(s, d, occ);
    return r;
}

inline u64 Rook(u64 s, u64 occ)
{
    u64 r = 0;
    for (Dir d : kOrthogonals) r |= Ray(s, d, occ);
    return r;
}

inline u64 Knight(u64 s)
{
    u64 r = 0;
    if (!(s & (kFileG | kFileH))) r |= s >> 6;
    if (!(s & (kFileA | kFileB))) r |= s >> 10;
    if (!(s & kFileH)) r |= s >> 15;
    if (!(s & kFileA)) r |= s >> 17;
    if (!(s & (kFileA | kFileB))) r |= s << 6;
    if (!(s & (kFileG | kFileH))) r |= s << 10;
    if (!(s & kFileA)) r |= s << 15;
    if (!(s & kFileH)) r |= s << 17;
    return r;
}

inline u64 King(u64 s)
{
    u64 r = (s << 8) | (s >> 8);
    if (!(s & kFileH)) r |= (s << 9) | (s >> 7) | (s << 1);
    if (!(s & kFileA)) r |= (s << 7) | (s >> 9) | (s >> 1);
    return r;
}

// Rays of one family from s that contain a square of target.
inline u64 CheckRays(const Dir (&dirs)[4], u64 s, u64 target, u64 occ)
{
    u64 r = 0;
    for (Dir d : dirs) {
        u64 ray = Ray(s, d, occ);
        if (ray & target) r |= ray;
    }
    return r;
}

// Count of squares a rook on s reaches that do not hold its own colour.
inline int RookCount(const ChessBoard& b, u64 s)
{
    const u64 own = (s & (b.WhiteRooks | b.WhiteQueens)) ? b.WhitePieces : b.BlackPieces;
    int n = 0;
    const Dir dirs[4] = {{-8, kRank1}, {8, kRank8}, {-1, kFileA}, {1, kFileH}};
    for (Dir d : dirs) {
        if (s & d.edge) continue;
        for (u64 x = Step(s, d.shift); x; x = Step(x, d.shift)) {
            if (!(x & own)) n++;
            if ((x & b.AllPieces) || (x & d.edge)) break;
        }
    }
    return n;
}

// Squares below (above) each generator square up to and including the first square outside empty.
inline u64 South(u64 gen, u64 empty)
{
    u64 r = 0;
    for (int sq = 0; sq < 64; sq++) {
        if (!(gen & Bit(sq))) continue;
        for (int t = sq - 8; t >= 0; t -= 8) {
            r |= Bit(t);
            if (!(empty & Bit(t))) break;
        }
    }
    return r;
}

inline u64 North(u64 gen, u64 empty)
{
    u64 r = 0;
    for (int sq = 0; sq < 64; sq++) {
        if (!(gen & Bit(sq))) continue;
        for (int t = sq + 8; t < 64; t += 8) {
            r |= Bit(t);
            if (!(empty & Bit(t))) break;
        }
    }
    return r;
}

// Twelve piece bitboards by piece code (pawn, knight, bishop, rook, queen, king; white first).
inline std::array<u64, 12> Pieces(const ChessBoard& b)
{
    return {b.WhitePawns, b.WhiteKnights, b.WhiteBishops, b.WhiteRooks, b.WhiteQueens, b.WhiteKing,
            b.BlackPawns, b.BlackKnights, b.BlackBishops, b.BlackRooks, b.BlackQueens, b.BlackKing};
}

// True if square s is attacked by the side opposite to colour c.
inline bool Attacked(const ChessBoard& b, u64 s, char c)
{
    const auto p = Pieces(b);
    const int o = c ? 0 : 6;  // attacker's first piece code
    u64 pawnFrom = c ? (((s & ~kFileH) >> 7) | ((s & ~kFileA) >> 9))
                     : (((s & ~kFileA) << 7) | ((s & ~kFileH) << 9));
    if (pawnFrom & p[o]) return true;
    if (Knight(s) & p[o + 1]) return true;
    if (Bishop(s, b.AllPieces) & (p[o + 2] | p[o + 4])) return true;
    if (Rook(s, b.AllPieces) & (p[o + 3] | p[o + 4])) return true;
    return King(s) & p[o + 5];
}

// A fully consistent board from twelve piece bitboards (counts, totals, unions, pawn key unset).
inline ChessBoard FromPieces(const std::array<u64, 12>& p)
{
    ChessBoard b;
    std::memset(&b, 0, sizeof b);
    b.WhitePawns = p[0];
    b.WhiteKnights = p[1];
    b.WhiteBishops = p[2];
    b.WhiteRooks = p[3];
    b.WhiteQueens = p[4];
    b.WhiteKing = p[5];
    b.BlackPawns = p[6];
    b.BlackKnights = p[7];
    b.BlackBishops = p[8];
    b.BlackRooks = p[9];
    b.BlackQueens = p[10];
    b.BlackKing = p[11];
    b.WhitePieces = p[0] | p[1] | p[2] | p[3] | p[4] | p[5];
    b.BlackPieces = p[6] | p[7] | p[8] | p[9] | p[10] | p[11];
    b.AllPieces = b.WhitePieces | b.BlackPieces;
    b.InitPieceCounts();
    b.WhitePieceTotal = b.WhiteQueenCount + b.WhiteRookCount + b.WhiteBishopCount +
                        b.WhiteKnightCount + b.WhitePawnCount;
    b.BlackPieceTotal = b.BlackQueenCount + b.BlackRookCount + b.BlackBishopCount +
                        b.BlackKnightCount + b.BlackPawnCount;
    return b;
}

// A random board: each square empty or holding a random piece, one king per side at most.
inline ChessBoard RandomBoard(std::mt19937_64& rng, int fillPercent)
{
    std::array<u64, 12> p{};
    for (int sq = 0; sq < 64; sq++) {
        if (static_cast<int>(rng() % 100) >= fillPercent) continue;
        int code = static_cast<int>(rng() % 12);
        if ((code == 5 || code == 11) && p[code]) continue;
        p[code] |= Bit(sq);
    }
    return FromPieces(p);
}

// One move of the reference generator.
struct Move {
    u64 from, to;
    char promotion;
};

// Mailbox view: piece code per square, -1 for empty.
using Mailbox = std::array<int, 64>;

inline Mailbox ToMailbox(const ChessBoard& b)
{
    Mailbox mb;
    mb.fill(-1);
    const auto p = Pieces(b);
    for (int code = 0; code < 12; code++)
        for (int sq = 0; sq < 64; sq++)
            if (p[code] & Bit(sq)) mb[sq] = code;
    return mb;
}

inline std::array<u64, 12> FromMailbox(const Mailbox& mb)
{
    std::array<u64, 12> p{};
    for (int sq = 0; sq < 64; sq++)
        if (mb[sq] >= 0) p[mb[sq]] |= Bit(sq);
    return p;
}

inline int PromotionOffset(char letter)
{
    switch (letter) {
    case 'N': case 'n': return 1;
    case 'B': case 'b': return 2;
    case 'R': case 'r': return 3;
    default: return 4;
    }
}

// Plays a move on a mailbox by the rules of chess (castling moves the rook, a pawn moving
// diagonally to an empty square takes en passant) and returns the castling rights that survive.
inline int ApplyToMailbox(Mailbox& mb, const Move& m)
{
    const int from = __builtin_ctzll(m.from), to = __builtin_ctzll(m.to);
    const int piece = mb[from];
    int rights = 15;
    const int corners[4] = {7, 0, 63, 56};  // h1 a1 h8 a8
    const int lost[4] = {1, 2, 4, 8};
    for (int i = 0; i < 4; i++) {
        if (from == corners[i] && mb[from] == (i < 2 ? 3 : 9)) rights &= ~lost[i];
        if (to == corners[i] && mb[to] == (i < 2 ? 3 : 9)) rights &= ~lost[i];
    }
    if (piece == 5) rights &= 12;
    if (piece == 11) rights &= 3;
    if ((piece == 0 || piece == 6) && (from & 7) != (to & 7) && mb[to] < 0)
        mb[(from & ~7) | (to & 7)] = -1;  // en passant: the pawn beside the mover
    if ((piece == 5 || piece == 11) && to - from == 2) {
        mb[to - 1] = mb[to + 1];
        mb[to + 1] = -1;
    }
    if ((piece == 5 || piece == 11) && from - to == 2) {
        mb[to + 1] = mb[to - 2];
        mb[to - 2] = -1;
    }
    mb[to] = piece;
    mb[from] = -1;
    if (piece == 0 && to >= 56) mb[to] = PromotionOffset(m.promotion);
    if (piece == 6 && to < 8) mb[to] = 6 + PromotionOffset(m.promotion);
    return rights;
}

// Pseudo-legal moves of side for board b with castling rights castle, every promotion letter
// included; en passant from the board's last move when it was a double step.
inline std::vector<Move> PseudoMoves(const ChessBoard& b, char side, int castle)
{
    std::vector<Move> moves;
    const auto p = Pieces(b);
    const int o = side ? 6 : 0;
    const u64 own = side ? b.BlackPieces : b.WhitePieces;
    const u64 opp = side ? b.WhitePieces : b.BlackPieces;
    const char promos[4] = {'Q', 'R', 'B', 'N'};
    auto add = [&](int from, u64 targets) {
        for (int to = 0; to < 64; to++)
            if (targets & Bit(to)) moves.push_back({Bit(from), Bit(to), NOPROMOTION});
    };
    auto addPawn = [&](int from, int to) {
        if (to >= 56 || to < 8) {
            for (char c : promos) moves.push_back({Bit(from), Bit(to), side ? char(c + 32) : c});
        } else {
            moves.push_back({Bit(from), Bit(to), NOPROMOTION});
        }
    };
    for (int sq = 0; sq < 64; sq++) {
        const u64 s = Bit(sq);
        if (!(s & own)) continue;
        if (s & p[o + 1]) add(sq, Knight(s) & ~own);
        if (s & p[o + 2]) add(sq, Bishop(s, b.AllPieces) & ~own);
        if (s & p[o + 3]) add(sq, Rook(s, b.AllPieces) & ~own);
        if (s & p[o + 4]) add(sq, (Bishop(s, b.AllPieces) | Rook(s, b.AllPieces)) & ~own);
        if (s & p[o + 5]) add(sq, King(s) & ~own);
        if (s & p[o]) {
            const int fwd = side ? -8 : 8;
            const int to = sq + fwd;
            if (to >= 0 && to < 64 && !(Bit(to) & b.AllPieces)) {
                addPawn(sq, to);
                const bool home = side ? (sq >> 3) == 6 : (sq >> 3) == 1;
                if (home && !(Bit(to + fwd) & b.AllPieces)) addPawn(sq, to + fwd);
            }
            for (int df : {-1, 1}) {
                const int file = (sq & 7) + df;
                if (file < 0 || file > 7 || to < 0 || to > 63) continue;
                const int t = to + df;
                if (Bit(t) & opp) addPawn(sq, t);
                // En passant: the last move was a double step onto the square beside us.
                const int beside = sq + df;
                const bool fifth = side ? (sq >> 3) == 3 : (sq >> 3) == 4;
                if (fifth && b.LastTo == Bit(beside) && (Bit(beside) & p[side ? 0 : 6]) &&
                    b.LastFrom == Bit(beside + 2 * fwd) && !(Bit(t) & b.AllPieces))
                    addPawn(sq, t);
            }
        }
    }
    // Castling: rights, rook in the corner, empty squares between, king's path not attacked.
    const int k = side ? 60 : 4;
    if (p[o + 5] == Bit(k)) {
        const u64 rooks = p[o + 3];
        if ((castle & (side ? 4 : 1)) && (rooks & Bit(k + 3)) &&
            !(b.AllPieces & (Bit(k + 1) | Bit(k + 2))) && !Attacked(b, Bit(k), side) &&
            !Attacked(b, Bit(k + 1), side) && !Attacked(b, Bit(k + 2), side))
            moves.push_back({Bit(k), Bit(k + 2), NOPROMOTION});
        if ((castle & (side ? 8 : 2)) && (rooks & Bit(k - 4)) &&
            !(b.AllPieces & (Bit(k - 1) | Bit(k - 2) | Bit(k - 3))) && !Attacked(b, Bit(k), side) &&
            !Attacked(b, Bit(k - 1), side) && !Attacked(b, Bit(k - 2), side))
            moves.push_back({Bit(k), Bit(k - 2), NOPROMOTION});
    }
    return moves;
}

// The legal moves: the pseudo-legal ones after which the mover's king is not attacked.
inline std::vector<Move> LegalMoves(const ChessBoard& b, char side, int castle)
{
    std::vector<Move> legal;
    for (const Move& m : PseudoMoves(b, side, castle)) {
        ChessBoard c = b;
        char mask;
        c.MakeMove(m.from, m.to, m.promotion, &mask);
        const u64 king = side ? c.BlackKing : c.WhiteKing;
        if (!c.InCheck(king, side)) legal.push_back(m);
    }
    return legal;
}

}  // namespace ref
