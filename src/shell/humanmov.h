#pragma once
// Move text: coordinate notation for every move and line the engine prints.

// Longest text fillmovestring writes, its final newline and terminator included.
constexpr int MOVESTRING_MAX = 1024;

// Writes " e2e4" plus a promotion suffix (a promotion letter in lower case and a space,
// "e7e8q "; "n;", "b;", "r;", "q;" for piece codes 1-4 and 7-10; otherwise a space), then, when pv is non-zero, the rest of the root line, then a newline.
// buf must hold MOVESTRING_MAX characters. Returns the length before the newline. The score
// does not change the text. Squares outside 0..63 print as "?0".
int fillmovestring(char* buf, int score, char from, char to, char promotion, int pv);
