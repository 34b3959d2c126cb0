#pragma once
// Moves as people write them: standard algebraic notation ("Nbd2", "exd5", "O-O", "e8=Q+") and
// coordinates ("e2e4", "e7e8q"), read in a position and written for it.

#include "board/board.h"

// What a typed move names in a position.
enum class MoveReading : u8 { Legal, Illegal, Ambiguous, NotAMove };
// A move read from text: one-bit masks of its squares and its promotion letter.
struct TypedMove {
    u64 from = 0;
    u64 to = 0;
    char promotion = NOPROMOTION;
};

// Reads a move as people write it, in the position board for its side to move: standard
// algebraic notation ("e4", "Nf3", "exd5", "Nbd2", "R1e2", "Qh4xe1", "O-O", "0-0", "O-O-O",
// "e8=Q", "e8Q", "exd8=N", with or without "x", "+", "#", and trailing "!"/"?" marks) or
// coordinates ("e2e4", "e7e8q"). A lower-case b is always a file, never a bishop. Legal: *move
// is the legal move (promotion letter in the case of the side to move: 'Q'/'N'/... for White,
// 'q'/'n'/... for Black; NOPROMOTION for other moves). Ambiguous: `candidates` receives the
// squares the possible moves start from, "b1 or f3" (three or more: "a1, c1 or e1"), cut to
// size. Illegal: the text reads as a move but no legal move of the position is it (own king
// left in check included). NotAMove: the text is no move at all.
// A pawn capture may leave out its "x" ("ed5"); a promotion without its letter ("e8", "e7e8")
// is a queen's. The promotion letter is upper case in algebraic notation ("e8=Q"; "e8=q" is no
// move) and of either case in coordinates. "x" and the check marks are not checked against the
// move. Castling is "O-O"/"O-O-O" or, in coordinates, the king's two-square move ("e1g1")
// under standard rules, the king taking its rook ("e1h1") under Chess960 rules, where the king's
// destination is taken too when that is no king's step; "Kg1" is never castling. Texts
// longer than 32 characters are no move. Candidates come file by file ("e4, h1 or h4"). *move
// is cleared and candidates emptied unless set.
MoveReading ReadMove(const ChessBoard &board, const char *text, TypedMove *move, char *candidates,
                     int size);

// Writes the SAN of a legal move of board ("Nbd2", "exd5", "O-O", "e8=Q+", "Qh4#"): the
// piece letter, the disambiguation by file, else rank, else both, "x" for captures (en passant
// included), "=Q" for promotions, "+" or "#" after. out holds at least SAN_MAX characters.
// Returns the length.
// promotion is read only for a promotion (a letter of either case or a piece code; a queen
// when it names no piece). A move that is not legal in board writes "" and returns 0.
constexpr int SAN_MAX = 16;
int WriteSan(const ChessBoard &board, u64 from, u64 to, char promotion, char *out);
