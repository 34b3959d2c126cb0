#pragma once
// The words of a command line as the dialects read them: blanks, words, numbers held to the
// range of an i32, squares and move texts.

#include "core/types.h"

// True for the blanks that separate words (a carriage return included).
bool IsBlank(char c);
// Removes leading and trailing blanks from a line, in place.
void TrimLine(char *s);
// Copies the next word of *p into out (cut to size - 1 characters) and moves *p past it.
// Returns the word's full length; 0 when the text has no more words.
int NextLineWord(const char **p, char *out, int size);
// The first word of a line, cut to size - 1 characters ("" for a blank line).
void FirstWordOf(const char *line, char *out, int size);
// The leading decimal number of a text, held to the range of an i32; 0 when it has no digits.
i32 NumberOf(const char *s);
// True for a text that is a decimal number, with a sign and, when fraction is set, a point.
bool IsNumber(const char *s, bool fraction);
// Square index of a file letter and rank digit ("e4" is 28), or -1 when they name no square.
int SquareOfText(const char *s);
// Splits a move text ("e2e4", "e7e8q") into its squares and the letter after them (0 for none).
// False unless it has four or five characters and both squares are on the board.
bool ParseMoveText(const char *word, int *fromSq, int *toSq, char *letter);
