#pragma once
// The static evaluator PE: its working state, attack maps, material functions and the pawn hash.
// Every term is White-positive; PosEval negates the total when it evaluates for Black.

#include "board/board.h"
#include "eval/tables.h"

// Pawn hash entry: everything PawnEval04 derives from the pawns and the king squares, packed
// into one cache line so that a probe costs one memory access.
struct alignas(64) PawnHashEntry {
    u32 key;
    i32 middleGame;
    u64 pawns; // all pawns of both colours, to confirm a hit
    i32 ending;
    u8 whiteDoubled; // a side has at most 64 pawns
    u8 blackDoubled;
    u64 pawnScores;   // White's score in the high half, Black's in the low half
    u64 passerScores; // WhitePasserScore high, BlackPasserScore low
    u8 whitePasserRanks[8];
    u8 blackPasserRanks[8];
    u8 noWhitePawnFileSet; // bit f: file f holds no White pawn
    u8 noBlackPawnFileSet;

    // The files as whole-file masks: the bits of a set copied onto every rank.
    static u64 Files(u8 set) { return set * 0x0101010101010101ULL; }
    u64 NoWhitePawnFiles() const { return Files(noWhitePawnFileSet); }
    u64 NoBlackPawnFiles() const { return Files(noBlackPawnFileSet); }
    u64 OpenFiles() const { return Files(noWhitePawnFileSet & noBlackPawnFileSet); }
};
static_assert(sizeof(PawnHashEntry) == 64, "a pawn hash entry fills one cache line");

// 65538 entries, of which the 16-bit index reaches the first 65536.
constexpr int PAWNHASHSIZE = 65538;

// One evaluator: the position under evaluation, its working state and its own pawn hash. The
// program's evaluator is PE; every other search thread has one of its own.
class PositionEvaluate {
  public:
    ChessBoard *Board = nullptr; // the position being evaluated; PosEval sets it on entry
    PawnHashEntry *PawnTable;    // PAWNHASHSIZE entries on huge pages
    i32 PawnAttempts = 0;        // pawn-structure evaluations
    i32 PawnMisses = 0;          // of which computed and stored

    // Maps an empty pawn hash (ends the program if the memory cannot be had).
    PositionEvaluate();
    ~PositionEvaluate();
    PositionEvaluate(const PositionEvaluate &) = delete;
    PositionEvaluate &operator=(const PositionEvaluate &) = delete;

    // True when the entry of key holds exactly this key and these pawns.
    bool InPawnHash(unsigned long key, u64 pawns) const;
    // Empties the pawn hash: every probe misses until a structure is stored.
    void ClearPawnHash();

    i32 WhiteKingSquare;
    i32 BlackKingSquare;
    i8 WhitePieceNumber; // queens + rooks + bishops + knights
    i8 BlackPieceNumber;
    // Passed-pawn scores: the structure's, plus the terms of this position's pieces and kings.
    i32 WhitePasserScore;
    i32 BlackPasserScore;

    // Attack maps of the position, filled once per evaluation by AttackMasks.
    u64 WPawnAttacks, BPawnAttacks;
    u64 WKnightAttacks, BKnightAttacks;
    u64 WBishopAttacks, BBishopAttacks;
    u64 WRookAttacks, BRookAttacks;
    u64 WQueenAttacks, BQueenAttacks;
    u64 WKingAttacks, BKingAttacks;
    u64 WAttacks, BAttacks;
    bool AttackMapsReady; // the maps above are those of the board under evaluation
    // The maps of colour C (WHITE or BLACK), for terms written once for both colours.
    template <int C> u64 PawnAttacksOf() const { return C == WHITE ? WPawnAttacks : BPawnAttacks; }
    template <int C> u64 KnightAttacksOf() const
    {
        return C == WHITE ? WKnightAttacks : BKnightAttacks;
    }
    template <int C> u64 BishopAttacksOf() const
    {
        return C == WHITE ? WBishopAttacks : BBishopAttacks;
    }
    template <int C> u64 RookAttacksOf() const { return C == WHITE ? WRookAttacks : BRookAttacks; }
    template <int C> u64 QueenAttacksOf() const
    {
        return C == WHITE ? WQueenAttacks : BQueenAttacks;
    }
    template <int C> u64 KingAttacksOf() const { return C == WHITE ? WKingAttacks : BKingAttacks; }
    template <int C> u64 AttacksOf() const { return C == WHITE ? WAttacks : BAttacks; }
    // Each slider's own attacks by its square, filled with the maps: the mobility terms read
    // them instead of looking them up again.
    u64 BishopAttacksOn[64];
    u64 RookAttacksOn[64];
    u64 QueenAttacksOn[64];

    // The pawn structure of the position under evaluation: its pawn hash entry, as probed or
    // as just computed and stored by PawnEval04. Per file a..h the rank index (rank 1 = 0) of
    // each side's most advanced passed pawn (0 = none), the doubled pawns and the pawnless files.
    const PawnHashEntry *Pawns;

    // --- driver and material (poseval.cpp) ---
    // The evaluation of board for side (positive = good for side); alpha and beta only allow
    // the lazy exits. The fifth argument is ignored.
    int PosEval(char side, int alpha, int beta, ChessBoard *board, char castle);
    // Fills the fourteen attack maps and the sliders' own attacks from Board.
    void AttackMasks();
    // White material minus Black material (pawns 800), negated for Black.
    int MaterialOnly(char side, int alpha, ChessBoard &board);
    // One side's piece material without pawns.
    int SideMaterialValue(char side, ChessBoard *board);
    // Fixed adjustments for lone minor pieces and doubled pawns, White-positive.
    int DynamicPieceAdjustments() const;

    // --- piece terms (pieces.cpp); each adds to the middle-game and ending accumulators ---
    void KnightEval(int &mg, int &eg) const;
    int BishopEval(int &mg, int &eg) const; // returns the bishop-pair difference
    int RookEval(int &mg, int &eg) const;   // returns the half-open-file difference
    void QueenEval(int &mg, int &eg) const;
    int Traps(char castle) const; // returns the trapped-piece total; castle: the rights

    // --- pawn structure (pawns.cpp) ---
    // Pawn score Ws - Bs; adds the structure and the passers' ending terms to the accumulators,
    // sets Pawns and the passer scores.
    int PawnEval04(char side, int &mg, int &eg);
    // Rule of the square for one passed pawn of colour on rank index rank.
    bool DoesPawnPromote(char colour, int rank, int promotionSquare, char toMove) const;
    // The pawn race of a king-and-pawns ending: +5700, -5700 or 0.
    int RuleofSquare(char side) const;
    // True when a queen on square would attack a square of targets.
    bool QueenAttacks(char colour, int square, u64 targets) const;
    // Advanced pawn chains in the centre.
    int PawnPhalanx() const;

    // --- king safety (king.cpp) ---
    // King placement into the accumulators; returns the mop-up term of won pawnless endings.
    int KingEval(int &mg, int &eg) const;
    // The middle-game king safety of both sides, White-positive: shelter, attack and storms.
    int KingSafety() const;
    // Shelter penalty of the king of colour C; adds its holed files to holes.
    template <int C> int PawnShield(int &holes) const;
    // Storm of colour C's pawns against the enemy king.
    template <int C> int PawnStorm() const;
    // Danger to the king of colour C, whose shelter has the holes given, minus its defence.
    template <int C> int AttackCounts(int holes) const;
};

extern PositionEvaluate PE;
