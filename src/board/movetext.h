#pragma once
// Move text in coordinates, as every interface reads and writes it: "e2e4", "e7e8q".

// Lower-case promotion letter of a promotion byte: a letter of either case or a piece code
// (1-4 white, 7-10 black: knight, bishop, rook, queen); 0 when it names no piece.
char PromotionLetter(char promotion);

// Writes from-square, to-square and the promotion letter, if any ("e2e4", "e7e8q") into out,
// which holds at least 6 characters. A square index off the board is written "?0".
// Returns the length.
int MoveText(char *out, int fromSq, int toSq, char promotion);
