#pragma once
// Move text, and the console and xboard command interpreter: the opponent's moves and commands,
// board editing and the engine's move line.

#include "board/board.h"

// Longest text fillmovestring writes, its final newline and terminator included.
constexpr int MOVESTRING_MAX = 1024;

// Writes " e2e4" plus a promotion suffix (a promotion letter in lower case and a space,
// "e7e8q "; "n;", "b;", "r;", "q;" for piece codes 1-4 and 7-10; otherwise a space), then, when pv is non-zero, the rest of the root line, then a newline.
// buf must hold MOVESTRING_MAX characters. Returns the length before the newline. The score
// does not change the text. Squares outside 0..63 print as "?0".
int fillmovestring(char* buf, int score, char from, char to, char promotion, int pv);

// --- console and xboard commands: the opponent's input, one whitespace-delimited word at a time ---

// Result codes of DoCommand and HumanMove.
constexpr int CMD_MOVE = 0;      // the word is a move
constexpr int CMD_END = 2;       // the current activity ends: abort the search, or move, or new game
constexpr int CMD_QUIT = 3;      // "quit" or the end of input
constexpr int CMD_HANDLED = 4;   // handled or not recognised: read the next word
constexpr int CMD_FIFTY = 7;     // HumanMove only: the move played reached the fifty-move rule

// Longest input word and longest line the interpreter keeps; longer input is cut.
constexpr int WORD_MAX = 256;
constexpr int INPUT_LINE_MAX = 1024;
// Room for the lines read ahead of the interpreter.
constexpr int PENDING_MAX = 8192;

// Text taken from standard input a whole line at a time (so that nothing of a line is left
// behind for the search's input test) and handed out word by word.
class InputText {
public:
    char Text[PENDING_MAX];
    i32 Head = 0;  // next character to hand out
    i32 Tail = 0;  // end of the text

    // Appends a word, the rest of its line and a newline; false (nothing kept) when full.
    bool Append(const char* word, const char* rest);
    // Next word, cut to size - 1 characters; -1 when no word is left.
    int Word(char* buf, int size);
    // The rest of the current line, its newline consumed; -1 when the text is used up.
    int Line(char* buf, int size);
    bool HasWord() const;
    void Clear() { Head = Tail = 0; }
};

// The dialogue's state between commands, and the input that waits for the game loop.
//
// The game loop reads its input a line at a time into Pending. A word that arrives while the
// search runs comes with the rest of its line in SearchLine; when it is to be handled after
// the search (a "ping", a move typed ahead, anything after a stop), it is put in Pending, so
// the game loop reads it again, in order, before standard input.
class CommandInterpreter {
public:
    u8 Protover = 0;        // version named by "protover" (0: none); 2 or more gives "move e2e4"
    u8 MoveNow = 0;         // "?" stopped the search: its move is still sent and played
    u8 DiscardMove = 0;     // a command stopped the search: its move is neither sent nor played
    u8 StopPending = 0;     // the search has been told to stop: further words wait in Pending
    u8 ResumeAnalysis = 0;  // analysis goes on once the waiting words have been handled
    u8 QuitRequested = 0;   // "quit" or the end of input
    u8 ResetHistory = 0;    // a new game started during a search: empty the game history after it
    u8 AnalysisPaused = 0;  // a command stopped an analysis: AnalyzeMode is off until it returns
    u8 HaveSavedST = 0;     // ST as it was before "analyze" is kept in SavedST
    i32 SavedST = 0;
    InputText Pending;      // the game loop's input
    InputText SearchLine;   // the line of the word the search has just read

    // Clears the flags of the search about to start.
    void BeginSearch();
    // Next word (from SearchLine during a search, else from Pending), reading further lines of
    // standard input as needed. Returns its length, or -1 at the end of input.
    int NextWord(char* buf, int size);
    // The rest of the current line, its newline consumed; -1 at the end of input.
    int RestOfLine(char* buf, int size);
    // Keeps the word the search has just read, with the rest of its line, for the game loop.
    void Defer(const char* word);
    // True when a word waits in Pending.
    bool HasPendingWord() const { return Pending.HasWord(); }
};

extern CommandInterpreter Interpreter;

// Reads the opponent's words until a legal move is played (0, or 7 when it reached the
// fifty-move rule) or a command ends the turn (2, 3). In force mode moves of both sides are
// played until a command returns 2 or 3.
u8 HumanMove();
// Interprets one word; further arguments are read as the following words or the rest of the
// line. Returns 0 (a move word), 2, 3 or 4.
u8 DoCommand(const char* word);
// Edit mode: reads piece placements until "." and sets the castling rights from the position.
void SetupBoardFromEdit();
// Prints the engine's move as one complete line: "move e2e4" after "protover 2", otherwise the
// move number, ". ..." and the move text ("1. ... e2e4 ").
void MakeGUIMove(u64 from, u64 to, char promotion, int score);
// Handles a word that arrives while the search runs: 1 lets it go on, 2 stops it.
int SearchCommand(const char* word);

// --- the rules for moves from outside ---
// Finds the legal move from-to of side; letter is the promotion letter given (0 for none). An
// under-promotion is legal when the queen promotion on the same squares is. On success writes
// the promotion byte to pass to MakeMove.
bool FindLegalMove(const ChessBoard& board, char side, char castle, u64 from, u64 to,
                   char letter, char* promotion);
// True when side has at least one legal move.
bool HasLegalMove(const ChessBoard& board, char side, char castle);
// True when the side to move's opponent is not in check, each side has one king and no pawn
// stands on the first or last rank: the search and the move rules can work on the position.
bool PositionIsSound(const ChessBoard& board);
// Sets piece counts, totals and the pawn key of a board from its bitboards.
void RefreshBoardState(ChessBoard& board);
