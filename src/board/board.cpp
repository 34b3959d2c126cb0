#include "board/board.h"

#include <cstdio>

#include "board/hashcode.h"
#include "board/movehistory.h"

ChessBoard MainBoard;

namespace {

using namespace BackRank;

// A one-bit mask for a square index, or 0 for an index off the board.
inline u64 SafeMask(int sq)
{
    return (sq >= 0 && sq < 64) ? SquareMask(sq) : 0;
}

constexpr u64 CORNER_SQUARES = A1 | H1 | A8 | H8;

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

// Puts the pieces of one colour on their squares of the start position, with its occupancy.
template <typename A> void SetUpArmy(const A a)
{
    a.Pawns() = a.Relative(RANK_2);
    a.Rooks() = a.Relative(A1 | H1);
    a.Knights() = a.Relative(B1 | G1);
    a.Bishops() = a.Relative(C1 | F1);
    a.Queens() = a.Relative(D1);
    a.King() = a.Relative(E1);
    a.Pieces() = a.SetUnion();
}

// Empties one colour's sets, counts and total.
template <typename A> void ClearArmy(const A a)
{
    a.Pawns() = a.Bishops() = a.Knights() = a.Rooks() = a.Queens() = a.King() = 0;
    a.QueenCount() = a.RookCount() = a.BishopCount() = a.KnightCount() = a.PawnCount() = 0;
    a.PieceTotal() = 0;
}

// Sets one colour's counts to the population counts of its sets.
template <typename A> void CountArmy(const A a)
{
    a.QueenCount() = SimpleBitCount(a.Queens());
    a.RookCount() = SimpleBitCount(a.Rooks());
    a.BishopCount() = SimpleBitCount(a.Bishops());
    a.KnightCount() = SimpleBitCount(a.Knights());
    a.PawnCount() = SimpleBitCount(a.Pawns());
}

} // namespace

void ChessBoard::InitRep()
{
    // 1. Pieces and occupancy.
    SetUpArmy(ArmyOf<WHITE>(*this));
    SetUpArmy(ArmyOf<BLACK>(*this));
    AllPieces = WhitePieces | BlackPieces;
    // 2. Side, rights, last move.
    SideToMove = 0;
    CastleFlags = 15;
    for (int i = 0; i < 4; i++)
        CastleRook[i] = STANDARD_CASTLE_ROOKS[i];
    LastFrom = LastTo = 0;
    InitPieceKeys();
}

void ChessBoard::ClearField()
{
    CastleFlags = 0;
    ClearArmy(ArmyOf<WHITE>(*this));
    ClearArmy(ArmyOf<BLACK>(*this));
    WhitePieces = BlackPieces = AllPieces = 0;
    PieceKeyUpper = PieceKeyLower = 0;
    LastFrom = LastTo = 0;
}

void ChessBoard::InitPieceCounts()
{
    CountArmy(ArmyOf<WHITE>(*this));
    CountArmy(ArmyOf<BLACK>(*this));
}

void ChessBoard::RecountAll()
{
    InitPieceCounts();
    WhitePieceTotal = ArmyOf<WHITE>(*this).CountSum();
    BlackPieceTotal = ArmyOf<BLACK>(*this).CountSum();
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
        if (const char letter = ArmyLetter(ArmyOf<WHITE>(*this), m))
            std::fputc(letter, stdout);
        else
            std::fputs("Major Error: DisplayPiece unknown White Piece\n", stdout);
    } else if (m & BlackPieces) {
        if (const char letter = ArmyLetter(ArmyOf<BLACK>(*this), m))
            std::fputc(letter, stdout);
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

namespace {

// Union of the rays from the square of s, in directions first .. first + 3 of RayTable, that
// hold a square of target; the rays end at the first piece of occ.
inline u64 RaysOnto(u64 s, u64 target, u64 occ, int first)
{
    if (!s) return 0;
    const int sq = LowestSquare(s);
    u64 result = 0;
    for (int dir = first; dir < first + 4; dir++) {
        const u64 ray = RayAttacks(dir, sq, occ);
        if (ray & target) result |= ray;
    }
    return result;
}

} // namespace

u64 ChessBoard::BishopCheckMask(u64 s, u64 target) const
{
    return RaysOnto(s, target, AllPieces, 4);
}

u64 ChessBoard::RookCheckMask(u64 s, u64 target) const
{
    return RaysOnto(s, target, AllPieces, 0);
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
    if ((PawnAttackers[black ? 1 : 0].of[sq] & pawns) | (KnightTable[sq] & knights) |
        (KingTable[sq] & king))
        return true;
    // A slider's table is read only when one of them stands on a line through the square.
    if ((BishopReach.of[sq] & diagonal) && (BishopAttacksFrom(sq, AllPieces) & diagonal))
        return true;
    return (RookReach.of[sq] & straight) && (RookAttacksFrom(sq, AllPieces) & straight);
}

namespace {

// The keys of a piece on one square: ToggleKeys of a one-bit board.
inline void ToggleSquareKeys(ChessBoard &b, int piece, int sq)
{
    b.PieceKeyUpper ^= UPStable[piece][sq];
    b.PieceKeyLower ^= LPStable[piece][sq];
}

// ToggleKeys for a move that is no step from one square to another (from and to the same, or
// no to-square). No generator makes one: kept out of line, off the path of every real move.
[[gnu::cold, gnu::noinline]] void ToggleOddMoveKeys(ChessBoard &b, int piece, u64 squares)
{
    b.ToggleKeys(piece, squares);
}

// The keys of a piece going from one square to another: ToggleKeys of from | to.
inline void ToggleMoveKeys(ChessBoard &b, int piece, u64 from, u64 to, int fromSq, int toSq)
{
    if (from != to && to) {
        b.PieceKeyUpper ^= UPStable[piece][fromSq] ^ UPStable[piece][toSq];
        b.PieceKeyLower ^= LPStable[piece][fromSq] ^ LPStable[piece][toSq];
    } else {
        ToggleOddMoveKeys(b, piece, from | to);
    }
}

// The undo copy of MakeMove: each field a move changes, paired with its saved copy. Save copies
// the position into the saved fields, otherwise the saved fields back into the position. A
// colour's sets are saved in the order pawns, bishops, knights, rooks, queens, king (White's
// first), its counts in the order queens, rooks, bishops, knights, pawns.
template <bool Save> void CopyUndo(ChessBoard &b)
{
    auto copy = [](auto &live, auto &saved) {
        if (Save)
            saved = live;
        else
            live = saved;
    };
    auto army = [&copy](const auto a, u64 *sets, i32 *counts) {
        u64 *const live[6] = {&a.Pawns(), &a.Bishops(), &a.Knights(),
                              &a.Rooks(), &a.Queens(),  &a.King()};
        i32 *const tally[5] = {&a.QueenCount(), &a.RookCount(), &a.BishopCount(), &a.KnightCount(),
                               &a.PawnCount()};
        for (int i = 0; i < 6; i++)
            copy(*live[i], sets[i]);
        for (int i = 0; i < 5; i++)
            copy(*tally[i], counts[i]);
    };
    army(ArmyOf<WHITE>(b), b.SavedPieceBoards, b.SavedWhiteCounts);
    army(ArmyOf<BLACK>(b), b.SavedPieceBoards + 6, b.SavedBlackCounts);
    copy(b.WhitePieces, b.SavedWhitePieces);
    copy(b.BlackPieces, b.SavedBlackPieces);
    copy(b.AllPieces, b.SavedAllPieces);
    copy(b.WhitePieceTotal, b.SavedWhitePieceTotal);
    copy(b.BlackPieceTotal, b.SavedBlackPieceTotal);
    copy(b.PawnHashCode, b.SavedPawnHashCode);
    copy(b.PieceKeyUpper, b.SavedPieceKeyUpper);
    copy(b.PieceKeyLower, b.SavedPieceKeyLower);
    copy(b.CastleFlags, b.SavedCastleFlags);
    copy(b.FiftyMoveCount, b.SavedFiftyMoveCount);
    copy(b.LastFrom, b.SavedLastFrom);
    copy(b.LastTo, b.SavedLastTo);
}

// Takes the piece of colour C on to off the board (a king stays: the set and counts have no
// entry for its loss). A rook taken on its corner takes its castling right along.
template <int C> inline void TakePiece(ChessBoard &board, u64 to, int toSq, char &mask)
{
    const auto a = ArmyOf<C>(board);
    if (to & a.Pawns()) {
        a.Pawns() ^= to;
        ToggleSquareKeys(board, a.PawnCode, toSq);
        a.PawnCount()--;
        board.PawnHashCode ^= PawnKey(a.PawnCode, toSq);
    } else if (to & a.Knights()) {
        a.Knights() ^= to;
        ToggleSquareKeys(board, a.KnightCode, toSq);
        a.KnightCount()--;
    } else if (to & a.Bishops()) {
        a.Bishops() ^= to;
        ToggleSquareKeys(board, a.BishopCode, toSq);
        a.BishopCount()--;
    } else if (to & a.Rooks()) {
        a.Rooks() ^= to;
        ToggleSquareKeys(board, a.RookCode, toSq);
        a.RookCount()--;
        if (toSq == board.CastleRook[a.KingSideRook])
            mask &= ~a.KingSide;
        else if (toSq == board.CastleRook[a.QueenSideRook])
            mask &= ~a.QueenSide;
    } else if (to & a.Queens()) {
        a.Queens() ^= to;
        ToggleSquareKeys(board, a.QueenCode, toSq);
        a.QueenCount()--;
    }
    board.FiftyMoveCount = 0;
}

// Moves the piece of colour C from from to to. A pawn takes en passant when the previous move
// (prevFrom, prevTo) was the opponent's double step to the square beside it; theirPawns and
// theirs are the opponent's pawns and pieces before the move. A rook or king that moves gives
// up its castling rights, and a king that castles brings its rook along.
template <int C>
inline void MovePiece(ChessBoard &board, u64 from, u64 to, int fromSq, int toSq, u64 prevFrom,
                      u64 prevTo, u64 theirPawns, u64 theirs, char &mask)
{
    const auto a = ArmyOf<C>(board);
    const u64 fromTo = from | to;
    if (from & a.Pawns()) {
        if ((from & a.Relative(RANK_5)) && (prevFrom & a.Relative(RANK_7)) &&
            (prevTo & theirPawns) && !(to & theirs)) {
            // The pawn stands east of the one that stepped, or west of it, and goes to the
            // square that pawn passed.
            if ((!(from & FILE_A) && from == (prevTo << 1) && to == a.Ahead(prevTo)) ||
                (!(from & FILE_H) && from == (prevTo >> 1) && to == a.Ahead(prevTo))) {
                const auto them = ArmyOf<C ^ 1>(board);
                const u64 victim = a.Behind(to);
                them.Pawns() &= ~victim;
                board.ToggleKeys(them.PawnCode, victim);
                board.PawnHashCode ^= PawnKey(them.PawnCode, toSq - a.Up);
                them.PawnCount()--;
            }
        }
        a.Pawns() ^= fromTo;
        ToggleMoveKeys(board, a.PawnCode, from, to, fromSq, toSq);
        board.PawnHashCode ^= PawnKey(a.PawnCode, fromSq) ^ PawnKey(a.PawnCode, toSq);
        board.FiftyMoveCount = 0;
    } else if (from & a.Bishops()) {
        a.Bishops() ^= fromTo;
        ToggleMoveKeys(board, a.BishopCode, from, to, fromSq, toSq);
    } else if (from & a.Knights()) {
        a.Knights() ^= fromTo;
        ToggleMoveKeys(board, a.KnightCode, from, to, fromSq, toSq);
    } else if (from & a.Rooks()) {
        a.Rooks() ^= fromTo;
        ToggleMoveKeys(board, a.RookCode, from, to, fromSq, toSq);
        if (fromSq == board.CastleRook[a.KingSideRook])
            mask &= ~a.KingSide;
        else if (fromSq == board.CastleRook[a.QueenSideRook])
            mask &= ~a.QueenSide;
    } else if (from & a.Queens()) {
        a.Queens() ^= fromTo;
        ToggleMoveKeys(board, a.QueenCode, from, to, fromSq, toSq);
    } else if (from & a.King()) {
        board.PawnHashCode ^= PawnKey(a.KingCode, fromSq) ^ PawnKey(a.KingCode, toSq);
        a.King() ^= fromTo;
        ToggleMoveKeys(board, a.KingCode, from, to, fromSq, toSq);
        mask &= ~(a.KingSide | a.QueenSide);
        if (from == a.Relative(E1)) {
            const u64 rooksBefore = a.Rooks();
            if (to == a.Relative(G1)) {
                a.Rooks() ^= a.Relative(H1);
                a.Rooks() |= a.Relative(F1);
            } else if (to == a.Relative(C1)) {
                a.Rooks() ^= a.Relative(A1);
                a.Rooks() |= a.Relative(D1);
            }
            board.ToggleKeys(a.RookCode, rooksBefore ^ a.Rooks());
        }
    }
}

// Sets the occupancies and the two totals from the piece sets and counts.
[[gnu::always_inline]] inline void SetUnions(ChessBoard &board)
{
    const auto w = ArmyOf<WHITE>(board);
    const auto b = ArmyOf<BLACK>(board);
    board.WhitePieces = w.SetUnion();
    board.BlackPieces = b.SetUnion();
    board.AllPieces = board.WhitePieces | board.BlackPieces;
    board.WhitePieceTotal = w.CountSum();
    board.BlackPieceTotal = b.CountSum();
}

// The king of colour C on from castles with its rook on to (Chess960 rules: the king takes its
// own rook): the king goes to the g-file or the c-file, the rook beside it on the f-file or the
// d-file. Either may stay where it is, or the two may swap squares.
template <int C>
[[gnu::noinline]] void Castle(ChessBoard &board, u64 from, u64 to, int fromSq, int toSq, char &mask)
{
    const auto a = ArmyOf<C>(board);
    const bool kingSide = toSq > fromSq;
    const int backRank = C == WHITE ? 0 : 56;
    const int kingTo = backRank + (kingSide ? 6 : 2), rookTo = backRank + (kingSide ? 5 : 3);
    board.PawnHashCode ^= PawnKey(a.KingCode, fromSq) ^ PawnKey(a.KingCode, kingTo);
    board.ToggleKeys(a.KingCode, from ^ SquareMask(kingTo));
    board.ToggleKeys(a.RookCode, to ^ SquareMask(rookTo));
    a.King() = SquareMask(kingTo);
    a.Rooks() = (a.Rooks() & ~to) | SquareMask(rookTo);
    mask &= ~(a.KingSide | a.QueenSide);
}

// Turns the pawn of colour C on to into the piece (1 knight, 2 bishop, 3 rook, 4 queen): its
// set and keys; the counts are the caller's. Kept out of line: the rare promotion would
// otherwise cost every move the keeping of the board's sets in registers.
template <int C> [[gnu::noinline]] void PromoteSets(ChessBoard &board, u64 to, char piece)
{
    const auto a = ArmyOf<C>(board);
    board.ToggleKeys(a.PawnCode, to);
    a.Pawns() ^= to;
    switch (piece) {
    case 1:
        a.Knights() ^= to;
        break;
    case 2:
        a.Bishops() ^= to;
        break;
    case 3:
        a.Rooks() ^= to;
        break;
    default:
        a.Queens() ^= to;
        break;
    }
    board.ToggleKeys(a.PawnCode + piece, to);
}

// Turns the pawn of colour C that has arrived on its last rank, on to, into the piece the
// promotion letter names.
template <int C> inline void Promote(ChessBoard &board, u64 to, int toSq, char promotion)
{
    const auto a = ArmyOf<C>(board);
    board.PawnHashCode ^= PawnKey(a.PawnCode, toSq);
    const char piece = PromotionPiece(promotion);
    PromoteSets<C>(board, to, piece);
    switch (piece) {
    case 1:
        a.KnightCount()++;
        break;
    case 2:
        a.BishopCount()++;
        break;
    case 3:
        a.RookCount()++;
        break;
    default:
        a.QueenCount()++;
        break;
    }
    a.PawnCount()--;
}

} // namespace

void ChessBoard::MakeMove(u64 from, u64 to, char promotion, char *out)
{
    // 1. Undo copy.
    CopyUndo<true>(*this);
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

    // 3-4. A captured piece of either colour comes off. A king that takes its own rook castles.
    if (to & white) {
        if (from & white) {
            Castle<WHITE>(*this, from, to, fromSq, toSq, mask);
            SetUnions(*this);
            *out = mask;
            return;
        }
        TakePiece<WHITE>(*this, to, toSq, mask);
        white &= ~to;
    }
    if (to & black) {
        if (from & black) {
            Castle<BLACK>(*this, from, to, fromSq, toSq, mask);
            SetUnions(*this);
            *out = mask;
            return;
        }
        TakePiece<BLACK>(*this, to, toSq, mask);
        black &= ~to;
    }

    // 5-6. The moving piece.
    if (from & white)
        MovePiece<WHITE>(*this, from, to, fromSq, toSq, prevFrom, prevTo, blackPawnsBefore,
                         blackBefore, mask);
    else if (from & black)
        MovePiece<BLACK>(*this, from, to, fromSq, toSq, prevFrom, prevTo, whitePawnsBefore,
                         whiteBefore, mask);

    // 7-8. Promotion of a pawn that has arrived on its last rank.
    if (WhitePawns & RANK_8) Promote<WHITE>(*this, to, toSq, promotion);
    if (BlackPawns & RANK_1) Promote<BLACK>(*this, to, toSq, promotion);

    // 9. Unions and totals.
    SetUnions(*this);
    *out = mask;
}



void ChessBoard::UndoMove(int)
{
    CopyUndo<false>(*this);
}

namespace {

// True when the pieces of a colour cannot mate: no queen, rook or pawn, and at most two
// knights or one bishop.
template <typename A> bool LacksMatingMaterial(const A a)
{
    return a.QueenCount() == 0 && a.RookCount() == 0 && a.PawnCount() == 0 &&
           ((a.BishopCount() == 0 && a.KnightCount() <= 2) ||
            (a.BishopCount() == 1 && a.KnightCount() == 0));
}

// True when colour a has a bishop and a rook pawn only, the bishop cannot cover the pawn's
// promotion square and the other colour, e, has a bare king in that corner.
template <typename A, typename E> bool WrongBishopCorner(const A a, const E e)
{
    if (!(a.BishopCount() == 1 && a.PawnCount() == 1 && a.KnightCount() == 0 &&
          a.RookCount() == 0 && a.QueenCount() == 0 && e.PieceTotal() == 0 && e.PawnCount() == 0))
        return false;
    // The bishop's wrong squares: those of the other colour than the promotion square (h8 and
    // a1 are dark, a8 and h1 light). The corners: h8 g8 g7 h7 and a8 b8 b7 a7.
    constexpr u64 hWrong = (a.Relative(H8) & LIGHT_SQUARES) ? ~LIGHT_SQUARES : LIGHT_SQUARES;
    constexpr u64 aWrong = (a.Relative(A8) & LIGHT_SQUARES) ? ~LIGHT_SQUARES : LIGHT_SQUARES;
    if ((a.Pawns() & FILE_H) && (a.Bishops() & hWrong) &&
        (e.King() & a.Relative(H8 | G8 | SquareMask(54) | SquareMask(55))))
        return true;
    return (a.Pawns() & FILE_A) && (a.Bishops() & aWrong) &&
           (e.King() & a.Relative(A8 | B8 | SquareMask(49) | SquareMask(48)));
}

} // namespace

int ChessBoard::CheckDraw(char)
{
    const auto white = ArmyOf<WHITE>(*this);
    const auto black = ArmyOf<BLACK>(*this);
    // 1-3. Mating material: bit 1 white has it, bit 32 black has it.
    MatingMaterialFlag = 33;
    const bool whiteLacks = LacksMatingMaterial(white);
    const bool blackLacks = LacksMatingMaterial(black);
    if (whiteLacks) MatingMaterialFlag = 32;
    if (blackLacks) MatingMaterialFlag = static_cast<char>(MatingMaterialFlag & ~32);

    // 4. Neither side can mate: a draw unless a king in the corner may still be trapped.
    if (whiteLacks && blackLacks) {
        if (!((WhiteKing | BlackKing) & CORNER_SQUARES)) return DRAW_MATERIAL;
        if (!WhiteKing || !BlackKing) return DRAW_MATERIAL;
        if (KingDistance(LowestSquare(WhiteKing), LowestSquare(BlackKing)) != 2)
            return DRAW_MATERIAL;
    }

    // 5. Fifty-move rule.
    if (FiftyMoveCount > 99) return DRAW_FIFTY;

    // 6. Rook pawn with the bishop of the wrong colour.
    if (WrongBishopCorner(white, black) || WrongBishopCorner(black, white)) return DRAW_MATERIAL;
    return DRAW_NONE;
}

CastleSide CastlingOf(const ChessBoard &b, u64 from, u64 to)
{
    const bool white = (from & b.WhiteKing) != 0;
    if (!from || !to || !(from & (b.WhiteKing | b.BlackKing))) return CastleSide::None;
    const u64 ownRooks = white ? b.WhiteRooks : b.BlackRooks;
    const u64 home = white ? E1 : SquareMask(60);
    const bool twoSquares = from == (to >> 2) || from == (to << 2);
    if (!(to & ownRooks) && (b.Chess960 || from != home || !twoSquares)) return CastleSide::None;
    return LowestSquare(to) > LowestSquare(from) ? CastleSide::King : CastleSide::Queen;
}

namespace {

// The rights of colour a that its king and rooks still allow.
template <typename A> char PossibleRights(const A a, const ChessBoard &b)
{
    if (!(a.King() & a.BackRank)) return 0;
    const int king = LowestSquare(a.King());
    char rights = 0;
    const int kingSide = b.CastleRook[a.KingSideRook], queenSide = b.CastleRook[a.QueenSideRook];
    if ((a.Rooks() & a.BackRank & SquareMask(kingSide)) && kingSide > king) rights |= a.KingSide;
    if ((a.Rooks() & a.BackRank & SquareMask(queenSide)) && queenSide < king) rights |= a.QueenSide;
    return rights;
}

// True when a castling right of colour a needs Chess960 rules.
template <typename A> bool Chess960Rights(const A a, const ChessBoard &b, char all)
{
    const char rights = all & (a.KingSide | a.QueenSide);
    if (!rights) return false;
    if (a.King() != a.Relative(E1)) return true;
    return ((rights & a.KingSide) && SquareMask(b.CastleRook[a.KingSideRook]) != a.Relative(H1)) ||
           ((rights & a.QueenSide) && SquareMask(b.CastleRook[a.QueenSideRook]) != a.Relative(A1));
}

} // namespace

void KeepPossibleRights(ChessBoard &b)
{
    const char rights = PossibleRights(ArmyOf<WHITE>(b), b) | PossibleRights(ArmyOf<BLACK>(b), b);
    b.CastleFlags = static_cast<char>(b.CastleFlags & rights);
}

bool NeedsChess960(const ChessBoard &b, char rights)
{
    return Chess960Rights(ArmyOf<WHITE>(b), b, rights) ||
           Chess960Rights(ArmyOf<BLACK>(b), b, rights);
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
