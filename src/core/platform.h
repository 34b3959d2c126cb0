#pragma once
// The platform layer: a millisecond wall clock and bounded, buffered reading of standard input
// with a non-blocking readiness test.

#include "core/types.h"

// Milliseconds on a monotonic clock since the program started.
i32 ClockMs();

// Reads one whitespace-delimited word into buf (cut to size - 1 characters; the rest of the
// word is skipped). The delimiter after the word is left unread. Returns the word's length,
// or -1 at end of input with no word.
int ReadWord(char *buf, int size);
// Reads up to the next newline (consumed, not stored) into buf, cut to size - 1 characters;
// a trailing carriage return is dropped. Returns the length, or -1 at end of input.
int ReadLine(char *buf, int size);
// Next character, or -1 at end of input.
int ReadChar();
// True when a read would return at once: buffered input, data on the descriptor, or its end.
// Blanks already buffered are dropped first: they make no word.
bool InputReady();
// Waits up to timeoutMs (negative: without limit) for InputReady.
bool WaitForInput(int timeoutMs);
// True once standard input has reported its end and every buffered byte has been read.
bool InputEnded();

// Reads standard input from a different descriptor (tests).
void SetInputDescriptor(int fd);
