#pragma once
// Static exchange evaluation: the material outcome of a capture sequence on one square.

#include "board/board.h"

class SEE {
  public:
    ChessBoard *Board; // board of the current evaluation
    // Direction[t][a]: the step from target t towards square a on a common line, else 0:
    //  7  8  9
    // -1  t  1
    // -9 -8 -7
    i16 Direction[64][64];

    // Fills Direction.
    SEE();
    // Exchange value for the side moving the piece on from to to; colour is the colour of
    // the piece standing on to (the opponent of the capturing side).
    int StaticExchangeEvaluation(char colour, u64 from, u64 to, ChessBoard *board);
    // Every piece of either colour that attacks the square of sqMask.
    u64 SquareAttacksDefences(u64 sqMask);
    // Square index of colour's least valuable piece in attackers, or -1; *kind receives its
    // kind (0 pawn, 1 knight, 2 bishop, 3 rook, 4 queen, 5 king).
    int LVP(char colour, u64 attackers, int *kind);
    // attackers with the slider uncovered behind the piece on sq (seen from the target
    // along direction dir) added.
    u64 AddXrayAttacker(u64 attackers, int sq, int dir);
};

extern SEE see;
