#pragma once
// Moves from outside in the UCI dialect: the words of a command line, squares and promotion
// letters, and the "position" line that replays a game on MainBoard.

#include "board/board.h"

class UCIProtocol;

// Longest word the line readers keep; longer words are cut and then match no command or move.
constexpr int UCI_WORD_MAX = 32;

// True for the blanks that separate words (a carriage return included).
bool IsLineBlank(char c);
// Removes leading and trailing blanks from a line, in place.
void TrimLine(char *s);
// Copies the next word of *p into out (cut to size - 1 characters) and moves *p past it.
// Returns the word's full length; 0 when the text has no more words.
int NextLineWord(const char **p, char *out, int size);
// Square index of a file letter and rank digit ("e4" = 28), or -1 when they name no square.
int UCISquare(const char *s);
// True for a promotion letter of either case.
bool IsPromotionLetter(char c);
// "position [startpos | fen <text>] [moves <m1> <m2> ...]": sets up MainBoard and the history.
void UCIPosition(UCIProtocol &u, const char *line);
