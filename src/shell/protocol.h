#pragma once
// The seam between the search and the protocol handlers: words that arrive during a search.

// Hands one word to the handler of the protocol in use (UCI or console/xboard).
// Returns 1 to let the search go on, 2 to abort it.
int ProtocolWord(const char* word);

// True when the UCI interface wants "info currmove" lines.
bool ShowCurrLineEnabled();
