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
    i32 SavedFiftyMoveCount;
    u64 SavedLastFrom;
    u64 SavedLastTo;
    u64 LastFrom;
    u64 LastTo;
    i32 MaxDepth;
    i32 FixedDepth;
    i32 FiftyMoveCount;
    i32 SearchPlyLimit;
    u64 BestFrom;
    u64 BestTo;
    char BestPromotion;
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
    // Sets the start position and the geometry masks of the status record.
    void InitRep();
    // Empties the board; side to move, fifty-move count, depth and key stay.
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
    // Toggles a pawn off and a piece on (XOR) on one square.
    void Promote(char c, u64 m, char piece);
    // XORs the keys of a piece (a PieceCode) on every square of squares into the piece keys.
    void ToggleKeys(int piece, u64 squares);
};

static_assert(std::is_trivially_copyable_v<ChessBoard>);
static_assert(std::is_standard_layout_v<ChessBoard>);

extern ChessBoard MainBoard;

class MoveHistory;

// Value of the piece of the colour opposite to mover on the square (pawn 800, knight and
// bishop 3250, rook 5000, queen 9750, king 1000000); 0 if none.
inline int ValueCapturedPiece(char mover, u64 square, const ChessBoard &b)
{
    if (mover == 0) {
        if (!(square & b.BlackPieces)) return 0;
        if (square & b.BlackPawns) return 800;
        if (square & (b.BlackKnights | b.BlackBishops)) return 3250;
        if (square & b.BlackRooks) return 5000;
        if (square & b.BlackQueens) return 9750;
        if (square & b.BlackKing) return 1000000;
        return 0;
    }
    if (!(square & b.WhitePieces)) return 0;
    if (square & b.WhitePawns) return 800;
    if (square & (b.WhiteKnights | b.WhiteBishops)) return 3250;
    if (square & b.WhiteRooks) return 5000;
    if (square & b.WhiteQueens) return 9750;
    if (square & b.WhiteKing) return 1000000;
    return 0;
}

// Clears the castling rights whose king or rook is not on its home square (a position set up
// from text or by hand may claim them).
void KeepPossibleRights(ChessBoard &b);

// Plays a move of the game on b: makes it, keeps the castling rights that survive it (a king
// or rook leaving its square, a rook taken on its corner), gives the move to the other side
// and, when a position stack is given, pushes the new position's key on it.
void PlayGameMove(ChessBoard &b, u64 from, u64 to, char promotion, MoveHistory *history);
// Pushes the key of a game position on the position stack (the history starts again after an
// irreversible move).
void RecordGamePosition(const ChessBoard &b, MoveHistory &history);
