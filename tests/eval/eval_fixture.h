#pragma once
// Boards for the evaluation tests: FEN set-up with every field the evaluator reads made current,
// the colour mirror of a position, and a small legal-move walker for random playouts.

#include <cstdint>
#include <random>
#include <vector>

#include "board/board.h"
#include "board/setup.h"
#include "eval/poseval.h"
#include "board/hashcode.h"

// Counts, totals, pawn key and mating-material flags brought up to date.
inline void PrepareForEval(ChessBoard& b)
{
    b.InitPieceCounts();
    b.WhitePieceTotal = b.WhiteQueenCount + b.WhiteRookCount + b.WhiteBishopCount +
                        b.WhiteKnightCount + b.WhitePawnCount;
    b.BlackPieceTotal = b.BlackQueenCount + b.BlackRookCount + b.BlackBishopCount +
                        b.BlackKnightCount + b.BlackPawnCount;
    b.FiftyMoveCount = 0;
    b.PawnHashCode = PawnKeyOf(b);
    b.CheckDraw(0);
}

inline ChessBoard EvalBoard(const char* fen)
{
    SetupBoard(fen);
    ChessBoard b = MainBoard;
    PrepareForEval(b);
    return b;
}

// Full-window evaluation of a board for side. The board must outlive any later call of a
// term function, which reads it through the evaluator's board pointer.
inline int FullEval(ChessBoard& b, char side) { return PE.PosEval(side, -110000, 110000, &b, 0); }

// Ranks flipped and colours swapped: the same position seen from the other side.
inline ChessBoard MirrorBoard(const ChessBoard& b)
{
    auto f = [](u64 x) { return __builtin_bswap64(x); };
    ChessBoard m = b;
    m.WhitePawns = f(b.BlackPawns);
    m.WhiteBishops = f(b.BlackBishops);
    m.WhiteKnights = f(b.BlackKnights);
    m.WhiteRooks = f(b.BlackRooks);
    m.WhiteQueens = f(b.BlackQueens);
    m.WhiteKing = f(b.BlackKing);
    m.BlackPawns = f(b.WhitePawns);
    m.BlackBishops = f(b.WhiteBishops);
    m.BlackKnights = f(b.WhiteKnights);
    m.BlackRooks = f(b.WhiteRooks);
    m.BlackQueens = f(b.WhiteQueens);
    m.BlackKing = f(b.WhiteKing);
    m.WhitePieces = f(b.BlackPieces);
    m.BlackPieces = f(b.WhitePieces);
    m.AllPieces = f(b.AllPieces);
    m.SideToMove = static_cast<char>(b.SideToMove ? 0 : 1);
    m.CastleFlags = static_cast<char>(((b.CastleFlags & 3) << 2) | ((b.CastleFlags >> 2) & 3));
    m.LastFrom = f(b.LastFrom);
    m.LastTo = f(b.LastTo);
    PrepareForEval(m);
    return m;
}

struct TestMove {
    u64 from, to;
};

// Legal moves of the side to move, without castling and en passant (enough for playouts).
inline std::vector<TestMove> LegalMoves(const ChessBoard& b)
{
    const bool white = b.SideToMove == 0;
    const u64 own = white ? b.WhitePieces : b.BlackPieces;
    const u64 enemy = white ? b.BlackPieces : b.WhitePieces;
    const u64 occ = b.AllPieces;
    std::vector<TestMove> pseudo;
    auto add = [&](int from, u64 targets) {
        for (; targets; targets &= targets - 1)
            pseudo.push_back({u64{1} << from, targets & (0 - targets)});
    };
    for (u64 x = own; x; x &= x - 1) {
        const int s = __builtin_ctzll(x);
        const u64 m = u64{1} << s;
        if (m & (b.WhiteKnights | b.BlackKnights)) add(s, KnightTable[s] & ~own);
        else if (m & (b.WhiteBishops | b.BlackBishops)) add(s, BishopAttacksFrom(s, occ) & ~own);
        else if (m & (b.WhiteRooks | b.BlackRooks)) add(s, RookAttacksFrom(s, occ) & ~own);
        else if (m & (b.WhiteQueens | b.BlackQueens)) add(s, QueenAttacksFrom(s, occ) & ~own);
        else if (m & (b.WhiteKing | b.BlackKing)) add(s, KingTable[s] & ~own);
        else {
            const int f = s & 7, r = s >> 3;
            const int dir = white ? 8 : -8;
            u64 targets = 0;
            const int one = s + dir;
            if (one >= 0 && one < 64 && !(occ & (u64{1} << one))) {
                targets |= u64{1} << one;
                const int two = one + dir;
                if (((white && r == 1) || (!white && r == 6)) && !(occ & (u64{1} << two)))
                    targets |= u64{1} << two;
            }
            for (int df : {-1, 1}) {
                const int c = one + df;
                if (f + df < 0 || f + df > 7 || c < 0 || c > 63) continue;
                if (enemy & (u64{1} << c)) targets |= u64{1} << c;
            }
            add(s, targets);
        }
    }
    std::vector<TestMove> legal;
    const u64 enemyKing = white ? b.BlackKing : b.WhiteKing;
    for (const TestMove& mv : pseudo) {
        if (mv.to & enemyKing) continue;
        ChessBoard c = b;
        char rights = 0;
        c.MakeMove(mv.from, mv.to, white ? 'Q' : 'q', &rights);
        if (!c.IsAttacked(white ? c.WhiteKing : c.BlackKing, white ? 0 : 1)) legal.push_back(mv);
    }
    return legal;
}

// Plays one legal move chosen by rng; false when there is none.
inline bool PlayRandomMove(ChessBoard& b, std::mt19937& rng)
{
    const std::vector<TestMove> moves = LegalMoves(b);
    if (moves.empty()) return false;
    const TestMove mv = moves[rng() % moves.size()];
    char rights = 0;
    b.MakeMove(mv.from, mv.to, b.SideToMove ? 'q' : 'Q', &rights);
    b.CastleFlags = static_cast<char>(b.CastleFlags & rights);
    b.SideToMove = static_cast<char>(b.SideToMove ? 0 : 1);
    return true;
}
