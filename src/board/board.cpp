#include "board/board.h"

#include <cstdio>

#include "board/hashcode.h"
#include "board/movhist.h"

ChessBoard MainBoard;

namespace {

using namespace BackRank;

// A one-bit mask for a square index, or 0 for an index off the board.
inline u64 SafeMask(int sq)
{
    return (sq >= 0 && sq < 64) ? SquareMask(sq) : 0;
}

constexpr u64 kCornerSquares = A1 | H1 | A8 | H8;

inline int KingDistance(int a, int b)
{
    int df = (a & 7) - (b & 7), dr = (a >> 3) - (b >> 3);
    if (df < 0) df = -df;
    if (dr < 0) dr = -dr;
    return df > dr ? df : dr;
}

// Promotion letter to piece code offset (knight 1, bishop 2, rook 3, queen 4).
// A letter that names no piece promotes to a queen.
inline char PromotionPiece(char letter)
{
    switch (letter) {
    case 'N':
    case 'n':
        return 1;
    case 'B':
    case 'b':
        return 2;
    case 'R':
    case 'r':
        return 3;
    default:
        return 4;
    }
}

} // namespace

void ChessBoard::InitRep()
{
    // 1. Depth limit.
    MaxDepth = 56;
    // 3. Pieces.
    WhitePawns = 0xFF00ULL;
    WhiteRooks = 0x81ULL;
    WhiteKnights = 0x42ULL;
    WhiteBishops = 0x24ULL;
    WhiteQueens = 0x08ULL;
    WhiteKing = 0x10ULL;
    BlackPawns = 0x00FF000000000000ULL;
    BlackRooks = 0x81ULL << 56;
    BlackKnights = 0x42ULL << 56;
    BlackBishops = 0x24ULL << 56;
    BlackQueens = 0x08ULL << 56;
    BlackKing = 0x10ULL << 56;
    // 4. Occupancy.
    WhitePieces = 0xFFFFULL;
    BlackPieces = 0xFFFF000000000000ULL;
    AllPieces = WhitePieces | BlackPieces;
    // 5. Side, rights, last move.
    SideToMove = 0;
    CastleFlags = 15;
    LastFrom = LastTo = 0;
    InitPieceKeys();
}

void ChessBoard::ClearField()
{
    CastleFlags = 0;
    WhitePawns = WhiteBishops = WhiteKnights = WhiteRooks = WhiteQueens = WhiteKing = 0;
    BlackPawns = BlackBishops = BlackKnights = BlackRooks = BlackQueens = BlackKing = 0;
    WhitePieces = BlackPieces = AllPieces = 0;
    PieceKeyUpper = PieceKeyLower = 0;
    LastFrom = LastTo = 0;
    WhitePieceTotal = BlackPieceTotal = 0;
    WhiteQueenCount = WhiteRookCount = WhiteBishopCount = WhiteKnightCount = WhitePawnCount = 0;
    BlackQueenCount = BlackRookCount = BlackBishopCount = BlackKnightCount = BlackPawnCount = 0;
}

namespace {

// Branch-free population count on each 32-bit half.
inline int PopCount32(u32 v)
{
    v = v - ((v >> 1) & 0x55555555u);
    v = (v & 0x33333333u) + ((v >> 2) & 0x33333333u);
    v = (v + (v >> 4)) & 0x0f0f0f0fu;
    return static_cast<int>((v * 0x01010101u) >> 24);
}

inline int PopCount(u64 b)
{
    return PopCount32(static_cast<u32>(b)) + PopCount32(static_cast<u32>(b >> 32));
}

} // namespace

void ChessBoard::InitPieceCounts()
{
    WhiteQueenCount = PopCount(WhiteQueens);
    WhiteRookCount = PopCount(WhiteRooks);
    WhiteBishopCount = PopCount(WhiteBishops);
    WhiteKnightCount = PopCount(WhiteKnights);
    WhitePawnCount = PopCount(WhitePawns);
    BlackQueenCount = PopCount(BlackQueens);
    BlackRookCount = PopCount(BlackRooks);
    BlackBishopCount = PopCount(BlackBishops);
    BlackKnightCount = PopCount(BlackKnights);
    BlackPawnCount = PopCount(BlackPawns);
}

void ChessBoard::RecountAll()
{
    InitPieceCounts();
    WhitePieceTotal =
        WhiteQueenCount + WhiteRookCount + WhiteBishopCount + WhiteKnightCount + WhitePawnCount;
    BlackPieceTotal =
        BlackQueenCount + BlackRookCount + BlackBishopCount + BlackKnightCount + BlackPawnCount;
    PawnHashCode = PawnKeyOf(*this);
    InitPieceKeys();
}

void ChessBoard::InitPieceKeys()
{
    PieceKeys(*this, &PieceKeyUpper, &PieceKeyLower);
}

void ChessBoard::ToggleKeys(int piece, u64 squares)
{
    for (; squares; squares &= squares - 1) {
        const int sq = LowestSquare(squares);
        PieceKeyUpper ^= UPStable[piece][sq];
        PieceKeyLower ^= LPStable[piece][sq];
    }
}

void ChessBoard::DisplayPiece(int sq) const
{
    const u64 m = SafeMask(sq);
    if (!(m & AllPieces)) {
        std::fputs("- ", stdout);
        return;
    }
    if (m & WhitePieces) {
        if (m & WhitePawns)
            std::fputs("P", stdout);
        else if (m & WhiteKnights)
            std::fputs("N", stdout);
        else if (m & WhiteBishops)
            std::fputs("B", stdout);
        else if (m & WhiteRooks)
            std::fputs("R", stdout);
        else if (m & WhiteQueens)
            std::fputs("Q", stdout);
        else if (m & WhiteKing)
            std::fputs("K", stdout);
        else
            std::fputs("Major Error: DisplayPiece unknown White Piece\n", stdout);
    } else if (m & BlackPieces) {
        if (m & BlackPawns)
            std::fputs("p", stdout);
        else if (m & BlackKnights)
            std::fputs("n", stdout);
        else if (m & BlackBishops)
            std::fputs("b", stdout);
        else if (m & BlackRooks)
            std::fputs("r", stdout);
        else if (m & BlackQueens)
            std::fputs("q", stdout);
        else if (m & BlackKing)
            std::fputs("k", stdout);
        else
            std::fputs("Major Error: DisplayPiece unknown Black Piece\n", stdout);
    } else {
        std::fputs("Major Error: DisplayPiece has unknown Color\n", stdout);
    }
    std::fputs(" ", stdout);
}

void ChessBoard::DisplayBoard() const
{
    std::fputs("   A B C D E F G H\n\n", stdout);
    for (int rank = 7; rank >= 0; rank--) {
        std::printf("%d  ", rank + 1);
        for (int file = 0; file < 8; file++)
            DisplayPiece(8 * rank + file);
        std::printf(" %d\n", rank + 1);
    }
    std::fputs("\n   A B C D E F G H\n", stdout);
    std::fflush(stdout);
}

u64 ChessBoard::BishopCheckMask(u64 s, u64 target) const
{
    if (!s) return 0;
    const int sq = LowestSquare(s);
    u64 result = 0;
    for (int dir = 4; dir < 8; dir++) {
        u64 ray = RayAttacks(dir, sq, AllPieces);
        if (ray & target) result |= ray;
    }
    return result;
}

u64 ChessBoard::RookCheckMask(u64 s, u64 target) const
{
    if (!s) return 0;
    const int sq = LowestSquare(s);
    u64 result = 0;
    for (int dir = 0; dir < 4; dir++) {
        u64 ray = RayAttacks(dir, sq, AllPieces);
        if (ray & target) result |= ray;
    }
    return result;
}

bool ChessBoard::IsAttacked(u64 s, char c) const
{
    if (!s) return false;
    const int sq = LowestSquare(s);
    // The attacking side's pieces: Black's when c is White, else White's.
    const bool black = c == 0;
    const u64 pawns = black ? BlackPawns : WhitePawns;
    const u64 knights = black ? BlackKnights : WhiteKnights;
    const u64 king = black ? BlackKing : WhiteKing;
    const u64 diagonal = black ? BlackBishops | BlackQueens : WhiteBishops | WhiteQueens;
    const u64 straight = black ? BlackRooks | BlackQueens : WhiteRooks | WhiteQueens;
    if ((kPawnAttackers[black ? 1 : 0].of[sq] & pawns) | (KnightTable[sq] & knights) |
        (KingTable[sq] & king))
        return true;
    // A slider's table is read only when one of them stands on a line through the square.
    if ((kBishopReach.of[sq] & diagonal) && (BishopAttacksFrom(sq, AllPieces) & diagonal))
        return true;
    return (kRookReach.of[sq] & straight) && (RookAttacksFrom(sq, AllPieces) & straight);
}

namespace {

// The keys of a piece on one square: ToggleKeys of a one-bit board.
inline void ToggleSquareKeys(ChessBoard &b, int piece, int sq)
{
    b.PieceKeyUpper ^= UPStable[piece][sq];
    b.PieceKeyLower ^= LPStable[piece][sq];
}

// The keys of a piece going from one square to another: ToggleKeys of from | to.
inline void ToggleMoveKeys(ChessBoard &b, int piece, u64 from, u64 to, int fromSq, int toSq)
{
    if (from != to && to) {
        b.PieceKeyUpper ^= UPStable[piece][fromSq] ^ UPStable[piece][toSq];
        b.PieceKeyLower ^= LPStable[piece][fromSq] ^ LPStable[piece][toSq];
    } else {
        b.ToggleKeys(piece, from | to);
    }
}

} // namespace

void ChessBoard::MakeMove(u64 from, u64 to, char promotion, char *out)
{
    // 1. Undo copy.
    SavedPawnHashCode = PawnHashCode;
    SavedPieceKeyUpper = PieceKeyUpper;
    SavedPieceKeyLower = PieceKeyLower;
    SavedWhitePieces = WhitePieces;
    SavedBlackPieces = BlackPieces;
    SavedAllPieces = AllPieces;
    SavedPieceBoards[0] = WhitePawns;
    SavedPieceBoards[1] = WhiteBishops;
    SavedPieceBoards[2] = WhiteKnights;
    SavedPieceBoards[3] = WhiteRooks;
    SavedPieceBoards[4] = WhiteQueens;
    SavedPieceBoards[5] = WhiteKing;
    SavedPieceBoards[6] = BlackPawns;
    SavedPieceBoards[7] = BlackBishops;
    SavedPieceBoards[8] = BlackKnights;
    SavedPieceBoards[9] = BlackRooks;
    SavedPieceBoards[10] = BlackQueens;
    SavedPieceBoards[11] = BlackKing;
    SavedCastleFlags = CastleFlags;
    SavedFiftyMoveCount = FiftyMoveCount;
    SavedLastFrom = LastFrom;
    SavedLastTo = LastTo;
    SavedWhitePieceTotal = WhitePieceTotal;
    SavedBlackPieceTotal = BlackPieceTotal;
    SavedWhiteCounts[0] = WhiteQueenCount;
    SavedWhiteCounts[1] = WhiteRookCount;
    SavedWhiteCounts[2] = WhiteBishopCount;
    SavedWhiteCounts[3] = WhiteKnightCount;
    SavedWhiteCounts[4] = WhitePawnCount;
    SavedBlackCounts[0] = BlackQueenCount;
    SavedBlackCounts[1] = BlackRookCount;
    SavedBlackCounts[2] = BlackBishopCount;
    SavedBlackCounts[3] = BlackKnightCount;
    SavedBlackCounts[4] = BlackPawnCount;
    MakeMoveOnCopy(from, to, promotion, out);
}

void ChessBoard::MakeMoveOnCopy(u64 from, u64 to, char promotion, char *out)
{
    // 1. The board before the move, as the en passant test asks about it.
    const u64 whitePawnsBefore = WhitePawns, blackPawnsBefore = BlackPawns;
    const u64 whiteBefore = WhitePieces, blackBefore = BlackPieces;
    // The two unions as the steps below leave them: they decide which side moves (step 9 sets
    // the board's own).
    u64 white = whiteBefore, black = blackBefore;

    // 2. Last move, rights mask, fifty-move count.
    const u64 prevFrom = LastFrom, prevTo = LastTo;
    LastFrom = from;
    LastTo = to;
    char mask = 15;
    FiftyMoveCount += 1;
    const int toSq = to ? LowestSquare(to) : 0;
    const int fromSq = from ? LowestSquare(from) : 0;

    // 3. Capture of a white piece. A rook taken on its corner takes its castling right along.
    if (to & white) {
        if (to & WhitePawns) {
            WhitePawns ^= to;
            ToggleSquareKeys(*this, WPAWN, toSq);
            WhitePawnCount--;
            PawnHashCode ^= PawnKey(WPAWN, toSq);
        } else if (to & WhiteKnights) {
            WhiteKnights ^= to;
            ToggleSquareKeys(*this, WKNIGHT, toSq);
            WhiteKnightCount--;
        } else if (to & WhiteBishops) {
            WhiteBishops ^= to;
            ToggleSquareKeys(*this, WBISHOP, toSq);
            WhiteBishopCount--;
        } else if (to & WhiteRooks) {
            WhiteRooks ^= to;
            ToggleSquareKeys(*this, WROOK, toSq);
            WhiteRookCount--;
            if (to == H1)
                mask &= 14;
            else if (to == A1)
                mask &= 13;
        } else if (to & WhiteQueens) {
            WhiteQueens ^= to;
            ToggleSquareKeys(*this, WQUEEN, toSq);
            WhiteQueenCount--;
        }
        FiftyMoveCount = 0;
        white &= ~to;
    }
    // 4. Capture of a black piece.
    if (to & black) {
        if (to & BlackPawns) {
            BlackPawns ^= to;
            ToggleSquareKeys(*this, BPAWN, toSq);
            BlackPawnCount--;
            PawnHashCode ^= PawnKey(BPAWN, toSq);
        } else if (to & BlackKnights) {
            BlackKnights ^= to;
            ToggleSquareKeys(*this, BKNIGHT, toSq);
            BlackKnightCount--;
        } else if (to & BlackBishops) {
            BlackBishops ^= to;
            ToggleSquareKeys(*this, BBISHOP, toSq);
            BlackBishopCount--;
        } else if (to & BlackRooks) {
            BlackRooks ^= to;
            ToggleSquareKeys(*this, BROOK, toSq);
            BlackRookCount--;
            if (to == H8)
                mask &= 11;
            else if (to == A8)
                mask &= 7;
        } else if (to & BlackQueens) {
            BlackQueens ^= to;
            ToggleSquareKeys(*this, BQUEEN, toSq);
            BlackQueenCount--;
        }
        FiftyMoveCount = 0;
        black &= ~to;
    }

    const u64 fromTo = from | to;
    // 5. Moving white piece.
    if (from & white) {
        if (from & WhitePawns) {
            // En passant: the previous move was a black double step beside this pawn.
            if ((from & kRank5) && (prevFrom & kRank7) && (prevTo & blackPawnsBefore) &&
                !(to & blackBefore)) {
                if (!(from & kFileA) && from == (prevTo << 1) && to == (from << 7)) {
                    const u64 victim = to >> 8;
                    BlackPawns &= ~victim;
                    ToggleKeys(BPAWN, victim);
                    PawnHashCode ^= PawnKey(BPAWN, toSq - 8);
                    BlackPawnCount--;
                } else if (!(from & kFileH) && from == (prevTo >> 1) && to == (from << 9)) {
                    const u64 victim = to >> 8;
                    BlackPawns &= ~victim;
                    ToggleKeys(BPAWN, victim);
                    PawnHashCode ^= PawnKey(BPAWN, toSq - 8);
                    BlackPawnCount--;
                }
            }
            WhitePawns ^= fromTo;
            ToggleMoveKeys(*this, WPAWN, from, to, fromSq, toSq);
            PawnHashCode ^= PawnKey(WPAWN, fromSq) ^ PawnKey(WPAWN, toSq);
            FiftyMoveCount = 0;
        } else if (from & WhiteBishops) {
            WhiteBishops ^= fromTo;
            ToggleMoveKeys(*this, WBISHOP, from, to, fromSq, toSq);
        } else if (from & WhiteKnights) {
            WhiteKnights ^= fromTo;
            ToggleMoveKeys(*this, WKNIGHT, from, to, fromSq, toSq);
        } else if (from & WhiteRooks) {
            WhiteRooks ^= fromTo;
            ToggleMoveKeys(*this, WROOK, from, to, fromSq, toSq);
            if (from == H1)
                mask &= 14;
            else if (from == A1)
                mask &= 13;
        } else if (from & WhiteQueens) {
            WhiteQueens ^= fromTo;
            ToggleMoveKeys(*this, WQUEEN, from, to, fromSq, toSq);
        } else if (from & WhiteKing) {
            PawnHashCode ^= PawnKey(WKING, fromSq) ^ PawnKey(WKING, toSq);
            WhiteKing ^= fromTo;
            ToggleMoveKeys(*this, WKING, from, to, fromSq, toSq);
            mask &= 12;
            if (from == E1) {
                const u64 rooksBefore = WhiteRooks;
                if (to == G1) {
                    WhiteRooks ^= H1;
                    WhiteRooks |= F1;
                } else if (to == C1) {
                    WhiteRooks ^= A1;
                    WhiteRooks |= D1;
                }
                ToggleKeys(WROOK, rooksBefore ^ WhiteRooks);
            }
        }
    } else if (from & black) {
        // 6. Moving black piece.
        if (from & BlackPawns) {
            if ((from & kRank4) && (prevFrom & kRank2) && (prevTo & whitePawnsBefore) &&
                !(to & whiteBefore)) {
                if (!(from & kFileH) && from == (prevTo >> 1) && to == (from >> 7)) {
                    const u64 victim = to << 8;
                    WhitePawns &= ~victim;
                    ToggleKeys(WPAWN, victim);
                    PawnHashCode ^= PawnKey(WPAWN, toSq + 8);
                    WhitePawnCount--;
                } else if (!(from & kFileA) && from == (prevTo << 1) && to == (from >> 9)) {
                    const u64 victim = to << 8;
                    WhitePawns &= ~victim;
                    ToggleKeys(WPAWN, victim);
                    PawnHashCode ^= PawnKey(WPAWN, toSq + 8);
                    WhitePawnCount--;
                }
            }
            BlackPawns ^= fromTo;
            ToggleMoveKeys(*this, BPAWN, from, to, fromSq, toSq);
            PawnHashCode ^= PawnKey(BPAWN, fromSq) ^ PawnKey(BPAWN, toSq);
            FiftyMoveCount = 0;
        } else if (from & BlackBishops) {
            BlackBishops ^= fromTo;
            ToggleMoveKeys(*this, BBISHOP, from, to, fromSq, toSq);
        } else if (from & BlackKnights) {
            BlackKnights ^= fromTo;
            ToggleMoveKeys(*this, BKNIGHT, from, to, fromSq, toSq);
        } else if (from & BlackRooks) {
            BlackRooks ^= fromTo;
            ToggleMoveKeys(*this, BROOK, from, to, fromSq, toSq);
            if (from == H8)
                mask &= 11;
            else if (from == A8)
                mask &= 7;
        } else if (from & BlackQueens) {
            BlackQueens ^= fromTo;
            ToggleMoveKeys(*this, BQUEEN, from, to, fromSq, toSq);
        } else if (from & BlackKing) {
            PawnHashCode ^= PawnKey(BKING, fromSq) ^ PawnKey(BKING, toSq);
            BlackKing ^= fromTo;
            ToggleMoveKeys(*this, BKING, from, to, fromSq, toSq);
            mask &= 3;
            if (from == E8) {
                const u64 rooksBefore = BlackRooks;
                if (to == G8) {
                    BlackRooks ^= H8;
                    BlackRooks |= F8;
                } else if (to == C8) {
                    BlackRooks ^= A8;
                    BlackRooks |= D8;
                }
                ToggleKeys(BROOK, rooksBefore ^ BlackRooks);
            }
        }
    }

    // 7. White promotion.
    if (WhitePawns & kRank8) {
        PawnHashCode ^= PawnKey(WPAWN, toSq);
        const char piece = PromotionPiece(promotion);
        Promote(0, to, piece);
        switch (piece) {
        case 1:
            WhiteKnightCount++;
            break;
        case 2:
            WhiteBishopCount++;
            break;
        case 3:
            WhiteRookCount++;
            break;
        default:
            WhiteQueenCount++;
            break;
        }
        WhitePawnCount--;
    }
    // 8. Black promotion.
    if (BlackPawns & kRank1) {
        PawnHashCode ^= PawnKey(BPAWN, toSq);
        const char piece = PromotionPiece(promotion);
        Promote(1, to, static_cast<char>(piece + 6));
        switch (piece) {
        case 1:
            BlackKnightCount++;
            break;
        case 2:
            BlackBishopCount++;
            break;
        case 3:
            BlackRookCount++;
            break;
        default:
            BlackQueenCount++;
            break;
        }
        BlackPawnCount--;
    }

    // 9. Unions and totals.
    WhitePieces = WhitePawns | WhiteBishops | WhiteKnights | WhiteRooks | WhiteQueens | WhiteKing;
    BlackPieces = BlackPawns | BlackBishops | BlackKnights | BlackRooks | BlackQueens | BlackKing;
    AllPieces = WhitePieces | BlackPieces;
    WhitePieceTotal =
        WhiteQueenCount + WhiteRookCount + WhiteBishopCount + WhiteKnightCount + WhitePawnCount;
    BlackPieceTotal =
        BlackQueenCount + BlackRookCount + BlackBishopCount + BlackKnightCount + BlackPawnCount;
    *out = mask;
}

void ChessBoard::UndoMove(int)
{
    WhitePieces = SavedWhitePieces;
    BlackPieces = SavedBlackPieces;
    AllPieces = SavedAllPieces;
    WhitePawns = SavedPieceBoards[0];
    WhiteBishops = SavedPieceBoards[1];
    WhiteKnights = SavedPieceBoards[2];
    WhiteRooks = SavedPieceBoards[3];
    WhiteQueens = SavedPieceBoards[4];
    WhiteKing = SavedPieceBoards[5];
    BlackPawns = SavedPieceBoards[6];
    BlackBishops = SavedPieceBoards[7];
    BlackKnights = SavedPieceBoards[8];
    BlackRooks = SavedPieceBoards[9];
    BlackQueens = SavedPieceBoards[10];
    BlackKing = SavedPieceBoards[11];
    CastleFlags = SavedCastleFlags;
    FiftyMoveCount = SavedFiftyMoveCount;
    LastFrom = SavedLastFrom;
    LastTo = SavedLastTo;
    PawnHashCode = SavedPawnHashCode;
    PieceKeyUpper = SavedPieceKeyUpper;
    PieceKeyLower = SavedPieceKeyLower;
    WhitePieceTotal = SavedWhitePieceTotal;
    BlackPieceTotal = SavedBlackPieceTotal;
    WhiteQueenCount = SavedWhiteCounts[0];
    WhiteRookCount = SavedWhiteCounts[1];
    WhiteBishopCount = SavedWhiteCounts[2];
    WhiteKnightCount = SavedWhiteCounts[3];
    WhitePawnCount = SavedWhiteCounts[4];
    BlackQueenCount = SavedBlackCounts[0];
    BlackRookCount = SavedBlackCounts[1];
    BlackBishopCount = SavedBlackCounts[2];
    BlackKnightCount = SavedBlackCounts[3];
    BlackPawnCount = SavedBlackCounts[4];
}

int ChessBoard::CheckDraw(char)
{
    // 1-3. Mating material: bit 1 white has it, bit 32 black has it.
    MatingMaterialFlag = 33;
    const bool whiteLacks = WhiteQueenCount == 0 && WhiteRookCount == 0 && WhitePawnCount == 0 &&
                            ((WhiteBishopCount == 0 && WhiteKnightCount <= 2) ||
                             (WhiteBishopCount == 1 && WhiteKnightCount == 0));
    const bool blackLacks = BlackQueenCount == 0 && BlackRookCount == 0 && BlackPawnCount == 0 &&
                            ((BlackBishopCount == 0 && BlackKnightCount <= 2) ||
                             (BlackBishopCount == 1 && BlackKnightCount == 0));
    if (whiteLacks) MatingMaterialFlag = 32;
    if (blackLacks) MatingMaterialFlag = static_cast<char>(MatingMaterialFlag & ~32);

    // 4. Neither side can mate: a draw unless a king in the corner may still be trapped.
    if (whiteLacks && blackLacks) {
        if (!((WhiteKing | BlackKing) & kCornerSquares)) return DRAW_MATERIAL;
        if (!WhiteKing || !BlackKing) return DRAW_MATERIAL;
        if (KingDistance(LowestSquare(WhiteKing), LowestSquare(BlackKing)) != 2)
            return DRAW_MATERIAL;
    }

    // 5. Fifty-move rule.
    if (FiftyMoveCount > 99) return DRAW_FIFTY;

    // 6. Rook pawn with the bishop of the wrong colour.
    const u64 light = 0x55aa55aa55aa55aaULL;
    if (WhiteBishopCount == 1 && WhitePawnCount == 1 && WhiteKnightCount == 0 &&
        WhiteRookCount == 0 && WhiteQueenCount == 0 && BlackPieceTotal == 0 &&
        BlackPawnCount == 0) {
        if ((WhitePawns & kFileH) && (WhiteBishops & light) &&
            (BlackKing & (SquareMask(63) | SquareMask(62) | SquareMask(54) | SquareMask(55))))
            return DRAW_MATERIAL;
        if ((WhitePawns & kFileA) && (WhiteBishops & ~light) &&
            (BlackKing & (SquareMask(56) | SquareMask(57) | SquareMask(49) | SquareMask(48))))
            return DRAW_MATERIAL;
    }
    if (BlackBishopCount == 1 && BlackPawnCount == 1 && BlackKnightCount == 0 &&
        BlackRookCount == 0 && BlackQueenCount == 0 && WhitePieceTotal == 0 &&
        WhitePawnCount == 0) {
        if ((BlackPawns & kFileH) && (BlackBishops & ~light) &&
            (WhiteKing & (SquareMask(7) | SquareMask(6) | SquareMask(14) | SquareMask(15))))
            return DRAW_MATERIAL;
        if ((BlackPawns & kFileA) && (BlackBishops & light) &&
            (WhiteKing & (SquareMask(0) | SquareMask(1) | SquareMask(9) | SquareMask(8))))
            return DRAW_MATERIAL;
    }
    return DRAW_NONE;
}

void ChessBoard::Promote(char c, u64 m, char piece)
{
    ToggleKeys(c == 0 ? WPAWN : BPAWN, m);
    if (c == 0) {
        WhitePawns ^= m;
        switch (piece) {
        case 1:
            WhiteKnights ^= m;
            break;
        case 2:
            WhiteBishops ^= m;
            break;
        case 3:
            WhiteRooks ^= m;
            break;
        case 4:
            WhiteQueens ^= m;
            break;
        default:
            break;
        }
        if (piece >= 1 && piece <= 4) ToggleKeys(piece, m);
    } else {
        BlackPawns ^= m;
        switch (piece) {
        case 7:
            BlackKnights ^= m;
            break;
        case 8:
            BlackBishops ^= m;
            break;
        case 9:
            BlackRooks ^= m;
            break;
        case 10:
            BlackQueens ^= m;
            break;
        default:
            break;
        }
        if (piece >= 7 && piece <= 10) ToggleKeys(piece, m);
    }
}

void KeepPossibleRights(ChessBoard &b)
{
    char rights = 0;
    if (b.WhiteKing & E1) {
        if (b.WhiteRooks & H1) rights |= WKSIDE;
        if (b.WhiteRooks & A1) rights |= WQSIDE;
    }
    if (b.BlackKing & E8) {
        if (b.BlackRooks & H8) rights |= BKSIDE;
        if (b.BlackRooks & A8) rights |= BQSIDE;
    }
    b.CastleFlags = static_cast<char>(b.CastleFlags & rights);
}

void PlayGameMove(ChessBoard &b, u64 from, u64 to, char promotion, MoveHistory *history)
{
    char kept = 15;
    b.MakeMove(from, to, promotion, &kept);
    b.CastleFlags = static_cast<char>(b.CastleFlags & kept);
    b.SideToMove = b.SideToMove ? 0 : 1;
    if (history) RecordGamePosition(b, *history);
}

void RecordGamePosition(const ChessBoard &b, MoveHistory &history)
{
    u64 upper, lower;
    genhashcode(b.SideToMove, b.CastleFlags, &upper, &lower, &b);
    history.PushGamePosition(upper, lower, b.FiftyMoveCount == 0);
}
