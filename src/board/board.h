#pragma once
// The position record: piece bitboards, occupancy, counts, pawn key and a one-level undo copy.

#include <type_traits>

#include "board/attacks.h"
#include "board/bitops.h"
#include "core/types.h"

// Piece codes (promotion and hash key tables): white 0..5, black 6..11.
enum PieceCode : char {
    WPAWN = 0,
    WKNIGHT,
    WBISHOP,
    WROOK,
    WQUEEN,
    WKING,
    BPAWN,
    BKNIGHT,
    BBISHOP,
    BROOK,
    BQUEEN,
    BKING
};

// Castling-rights bits of CastleFlags.
constexpr char WKSIDE = 1, WQSIDE = 2, BKSIDE = 4, BQSIDE = 8;
// The square of each right's rook in the standard start position, by the right's bit number
// (white king side, white queen side, black king side, black queen side).
constexpr u8 STANDARD_CASTLE_ROOKS[4] = {7, 0, 63, 56};

// Draw codes of CheckDraw.
constexpr int DRAW_NONE = 0, DRAW_FIFTY = 7, DRAW_MATERIAL = 8;

class ChessBoard {
  public:
    u64 WhitePieces;
    u64 BlackPieces;
    u64 AllPieces;
    // Piece bitboards: pawns, bishops, knights, rooks, queens, king for each colour.
    u64 WhitePawns;
    u64 WhiteBishops;
    u64 WhiteKnights;
    u64 WhiteRooks;
    u64 WhiteQueens;
    u64 WhiteKing;
    u64 BlackPawns;
    u64 BlackBishops;
    u64 BlackKnights;
    u64 BlackRooks;
    u64 BlackQueens;
    u64 BlackKing;
    u64 SavedPieceBoards[12];
    u64 SavedWhitePieces;
    u64 SavedBlackPieces;
    u64 SavedAllPieces;
    u32 PawnHashCode;
    u32 SavedPawnHashCode;
    // The pieces' share of the hash-code pair (no side, no rights), kept by MakeMove.
    u64 PieceKeyUpper;
    u64 PieceKeyLower;
    u64 SavedPieceKeyUpper;
    u64 SavedPieceKeyLower;
    char SideToMove;
    char CastleFlags;
    char SavedCastleFlags;
    // Chess960 rules: castling is written as the king taking its own rook (e1h1). Standard
    // rules write it as the king's two-square move (e1g1).
    u8 Chess960 = 0;
    // The square each castling right's rook started on, by the right's bit number. It stays
    // for the whole game: a rook that leaves it, or is taken on it, takes the right along.
    u8 CastleRook[4] = {7, 0, 63, 56};
    i32 SavedFiftyMoveCount;
    u64 SavedLastFrom;
    u64 SavedLastTo;
    u64 LastFrom;
    u64 LastTo;
    i32 FiftyMoveCount;
    i32 SearchPlyLimit;
    char MatingMaterialFlag;
    i32 WhitePieceTotal;
    i32 BlackPieceTotal;
    i32 SavedWhitePieceTotal;
    i32 SavedBlackPieceTotal;
    // Counts run queen, rook, bishop, knight, pawn.
    i32 WhiteQueenCount;
    i32 WhiteRookCount;
    i32 WhiteBishopCount;
    i32 WhiteKnightCount;
    i32 WhitePawnCount;
    i32 SavedWhiteCounts[5];
    i32 BlackQueenCount;
    i32 BlackRookCount;
    i32 BlackBishopCount;
    i32 BlackKnightCount;
    i32 BlackPawnCount;
    i32 SavedBlackCounts[5];

    // --- position set-up and queries (board.cpp) ---
    // Sets the start position (White to move, every castling right).
    void InitRep();
    // Empties the board; side to move, fifty-move count and key stay.
    void ClearField();
    // Sets the ten piece counts to the population counts of the piece bitboards.
    void InitPieceCounts();
    // Makes the counts, the two totals, the pawn key and the piece keys agree with the piece
    // bitboards, for a board set up from text or by hand.
    void RecountAll();
    // Sets the piece keys from the piece bitboards.
    void InitPieceKeys();
    char PieceColor(u64 m) const { return (m & WhitePieces) ? 0 : 1; }
    int QuickPieceCount() const
    {
        return WhiteQueenCount + WhiteRookCount + WhiteBishopCount + WhiteKnightCount +
               BlackQueenCount + BlackRookCount + BlackBishopCount + BlackKnightCount;
    }
    // Prints one piece letter (or "-") and a space.
    void DisplayPiece(int sq) const;
    // Prints the board diagram (the caller adds the evaluation line where it wants one).
    void DisplayBoard() const;

    // --- attacks (table-driven; identical to stepping each ray) ---
    u64 KnightMask(u64 s) const { return KnightSetAttacks(s); }
    u64 KingMask(u64 s) const { return KingSetAttacks(s); }
    u64 BishopMask(u64 s) const { return s ? BishopAttacksFrom(LowestSquare(s), AllPieces) : 0; }
    u64 RookMask(u64 s) const { return s ? RookAttacksFrom(LowestSquare(s), AllPieces) : 0; }
    // Union of the diagonal (orthogonal) rays from s that contain a square of target.
    u64 BishopCheckMask(u64 s, u64 target) const;
    u64 RookCheckMask(u64 s, u64 target) const;
    // True if square s is attacked by a piece of the colour opposite to c.
    bool IsAttacked(u64 s, char c) const;
    bool InCheck(u64 s, char c) const { return IsAttacked(s, c); }

    // --- making moves (board.cpp) ---
    // Plays a move; *out receives the castling rights that survive it.
    void MakeMove(u64 from, u64 to, char promotion, char *out);
    // MakeMove without the undo copy, for a board copied before the move (UndoMove after it
    // restores nothing).
    void MakeMoveOnCopy(u64 from, u64 to, char promotion, char *out);
    // Restores the copy saved by the last MakeMove.
    void UndoMove(int);
    // 0 no draw, 7 fifty-move rule, 8 material; also sets MatingMaterialFlag.
    int CheckDraw(char);
    // XORs the keys of a piece (a PieceCode) on every square of squares into the piece keys.
    void ToggleKeys(int piece, u64 squares);
};

static_assert(std::is_trivially_copyable_v<ChessBoard>);
static_assert(std::is_standard_layout_v<ChessBoard>);

// One colour's view of a board, for code written once for both colours. Army<C, Board> names
// the piece sets, occupancy and counts of colour C (WHITE or BLACK, fixed at compile time) and
// carries that colour's geometry: its piece codes, the direction its pawns move and White's
// squares as seen from its side. ArmyOf<C>(board) makes one; it reads the board's own members,
// and writes them too when the board is not const. Code for a colour known only at run time
// picks the view by one branch:  colour ? Count(ArmyOf<BLACK>(b)) : Count(ArmyOf<WHITE>(b)).
template <int C, typename Board> struct Army {
    static_assert(C == WHITE || C == BLACK);
    Board &b;

    static constexpr int Colour = C;
    static constexpr int PawnCode = C == WHITE ? WPAWN : BPAWN;
    static constexpr int KnightCode = PawnCode + 1;
    static constexpr int BishopCode = PawnCode + 2;
    static constexpr int RookCode = PawnCode + 3;
    static constexpr int QueenCode = PawnCode + 4;
    static constexpr int KingCode = PawnCode + 5;
    // Square index step of a pawn's move.
    static constexpr int Up = C == WHITE ? 8 : -8;

    // The squares of m one rank further towards the colour's last rank, and one rank back.
    static constexpr u64 Ahead(u64 m) { return C == WHITE ? m << 8 : m >> 8; }
    static constexpr u64 Behind(u64 m) { return C == WHITE ? m >> 8 : m << 8; }
    // The squares a pawn of the colour on m attacks: ahead and one file west (towards the
    // a-file), ahead and one file east, both.
    static constexpr u64 AheadWest(u64 m)
    {
        return C == WHITE ? (m & ~FILE_A) << 7 : (m & ~FILE_A) >> 9;
    }
    static constexpr u64 AheadEast(u64 m)
    {
        return C == WHITE ? (m & ~FILE_H) << 9 : (m & ~FILE_H) >> 7;
    }
    static constexpr u64 PawnAttacks(u64 m) { return AheadWest(m) | AheadEast(m); }
    // White's squares as the colour sees them: unchanged for White, mirrored rank for rank
    // (a1 to a8, a2 to a7, ...) for Black. Relative(RANK_7) is the rank before promotion.
    static constexpr u64 Relative(u64 whiteSquares)
    {
        return C == WHITE ? whiteSquares : __builtin_bswap64(whiteSquares);
    }
    // The castling rights of the colour: king side, queen side.
    static constexpr char KingSide = C == WHITE ? WKSIDE : BKSIDE;
    static constexpr char QueenSide = C == WHITE ? WQSIDE : BQSIDE;
    // Their bit numbers, the index of their rooks in CastleRook.
    static constexpr int KingSideRook = C == WHITE ? 0 : 2;
    static constexpr int QueenSideRook = C == WHITE ? 1 : 3;
    // The colour's back rank.
    static constexpr u64 BackRank = C == WHITE ? RANK_1 : RANK_8;

    auto &Pawns() const { return C == WHITE ? b.WhitePawns : b.BlackPawns; }
    auto &Knights() const { return C == WHITE ? b.WhiteKnights : b.BlackKnights; }
    auto &Bishops() const { return C == WHITE ? b.WhiteBishops : b.BlackBishops; }
    auto &Rooks() const { return C == WHITE ? b.WhiteRooks : b.BlackRooks; }
    auto &Queens() const { return C == WHITE ? b.WhiteQueens : b.BlackQueens; }
    auto &King() const { return C == WHITE ? b.WhiteKing : b.BlackKing; }
    // The colour's occupancy as the board keeps it.
    auto &Pieces() const { return C == WHITE ? b.WhitePieces : b.BlackPieces; }
    auto &PawnCount() const { return C == WHITE ? b.WhitePawnCount : b.BlackPawnCount; }
    auto &KnightCount() const { return C == WHITE ? b.WhiteKnightCount : b.BlackKnightCount; }
    auto &BishopCount() const { return C == WHITE ? b.WhiteBishopCount : b.BlackBishopCount; }
    auto &RookCount() const { return C == WHITE ? b.WhiteRookCount : b.BlackRookCount; }
    auto &QueenCount() const { return C == WHITE ? b.WhiteQueenCount : b.BlackQueenCount; }
    auto &PieceTotal() const { return C == WHITE ? b.WhitePieceTotal : b.BlackPieceTotal; }

    // The pieces that move along diagonals, and along ranks and files.
    u64 DiagonalSliders() const { return Bishops() | Queens(); }
    u64 StraightSliders() const { return Rooks() | Queens(); }
    // The union of the six piece sets (what Pieces() holds on a consistent board).
    u64 SetUnion() const { return Pawns() | Bishops() | Knights() | Rooks() | Queens() | King(); }
    // The five counts added up (what PieceTotal() holds on a consistent board).
    int CountSum() const
    {
        return QueenCount() + RookCount() + BishopCount() + KnightCount() + PawnCount();
    }
};

template <int C, typename Board> constexpr Army<C, Board> ArmyOf(Board &board)
{
    return {board};
}

extern ChessBoard MainBoard;

class MoveHistory;

// The letter of colour a's piece on m ("PNBRQK", lower case for Black), or 0 when none of
// its sets holds m.
template <typename A> inline char ArmyLetter(const A a, u64 m)
{
    const char *letters = a.Colour == WHITE ? "PNBRQK" : "pnbrqk";
    if (m & a.Pawns()) return letters[0];
    if (m & a.Knights()) return letters[1];
    if (m & a.Bishops()) return letters[2];
    if (m & a.Rooks()) return letters[3];
    if (m & a.Queens()) return letters[4];
    if (m & a.King()) return letters[5];
    return 0;
}

// Value of the piece of colour a on the square (pawn 800, knight and bishop 3250, rook 5000,
// queen 9750, king 1000000); 0 if none.
template <typename A> inline int ArmyPieceValue(const A a, u64 square)
{
    if (!(square & a.Pieces())) return 0;
    if (square & a.Pawns()) return 800;
    if (square & (a.Knights() | a.Bishops())) return 3250;
    if (square & a.Rooks()) return 5000;
    if (square & a.Queens()) return 9750;
    if (square & a.King()) return 1000000;
    return 0;
}

// Value of the piece of the colour opposite to mover on the square; 0 if none.
inline int ValueCapturedPiece(char mover, u64 square, const ChessBoard &b)
{
    return mover == 0 ? ArmyPieceValue(ArmyOf<BLACK>(b), square)
                      : ArmyPieceValue(ArmyOf<WHITE>(b), square);
}

// Which way a king's move castles.
enum class CastleSide : u8 { None, King, Queen };
// The castling a move of board is: the king taking its own rook, or, under standard rules, the
// king's two-square move from its home square. The king side is the h-file side.
CastleSide CastlingOf(const ChessBoard &b, u64 from, u64 to);

// Clears the castling rights whose king or rook is not where the right needs it: the king on
// its back rank, the right's rook on its square, on the right's side of the king (a position
// set up from text or by hand may claim them).
void KeepPossibleRights(ChessBoard &b);
// True when one of the castling rights needs Chess960 rules on b: its king is not on the
// e-file or its rook not in the corner.
bool NeedsChess960(const ChessBoard &b, char rights);

// Plays a move of the game on b: makes it, keeps the castling rights that survive it (a king
// or rook leaving its square, a rook taken on its corner), gives the move to the other side
// and, when a move history is given, pushes the new position's key on it.
void PlayGameMove(ChessBoard &b, u64 from, u64 to, char promotion, MoveHistory *history);
// Pushes the key of a game position on the move history (the history starts again after an
// irreversible move).
void RecordGamePosition(const ChessBoard &b, MoveHistory &history);
