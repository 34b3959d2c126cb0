#pragma once
// Start-up: table initialisation, the command line, the first word and the console greeting.

// Start-up steps 2 to 6: status defaults, start position, key tables, attack tables and the book.
// Runs once; later calls do nothing.
void InitEngine();

// Applies the command-line options; "-help" and "-h" print the help text and exit.
void ParseCommandLine(int argc, char **argv);

// The test-suite file named after the last of -ts, -pev and -mimicstudent ("" if none).
const char *TestSuiteFile();

// Reads the first word from standard input and selects UCI or xboard mode from it.
void ReadFirstWord();
// The first word as read (at most FIRST_WORD_MAX - 1 characters).
constexpr int FIRST_WORD_MAX = 256;
const char *FirstWord();

// A new game: the start position, fresh settings, an empty game history, and a search that has
// forgotten the last game. The transposition and pawn tables are kept.
void NewGame();

// Gives the transposition table the largest size of its shape within megabytes; when the
// memory cannot be had, says so in one line and keeps the table it has.
void ResizeHash(long long megabytes);

// Prints the console greeting, the depth limit and the board.
void ConsoleGreeting();

// The nine lines printed by -help.
extern const char *const kHelpText;
