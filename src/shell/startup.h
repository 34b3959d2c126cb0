#pragma once
// Start-up: table initialisation, the command line, the first line of input and the console
// greeting; a new game and the table's size, which several dialects ask for.

#include <string>

// The version every dialect names.
constexpr const char *VORN_VERSION = "1.005-64";

// Status defaults, start position, key tables, attack tables and the book. Runs once; later
// calls do nothing.
void InitEngine();

// Applies the command-line options; "-help" and "-h" print the help text and exit.
void ParseCommandLine(int argc, char **argv);

// The test-suite file named after the last of -ts, -pev and -mimicstudent ("" if none).
const char *TestSuiteFile();

// Reads the first line of input and chooses UCI or xboard from its first word (the rest of the
// line is passed over). Returns that word ("" at the end of input).
std::string ReadFirstWord();

// A new game: the start position, fresh settings, an empty game history, and a search that has
// forgotten the last game. The transposition and pawn tables are kept.
void NewGame();

// The game history starts again from the game position: it is the first position that can
// repeat.
void StartGameHistory();

// Gives the transposition table the largest size of its shape within megabytes; when the
// memory cannot be had, says so in one line and keeps the table it has.
void ResizeHash(long long megabytes);
// Opens the Polyglot book file at path (empty: no book file) and says in the dialect's words
// how many entries it has, or why it is no book ("info string ..." for UCI, "# ..." for
// xboard); the game goes on without one then.
void OpenBookFile(const char *path);

// Keeps the time control the command line set, and gives it back to a new console game.
void KeepStartingClock();
void RestoreStartingClock();

// Prints the console greeting, the depth limit and the board.
void ConsoleGreeting();

// The lines printed by -help.
extern const char *const HELP_TEXT;
