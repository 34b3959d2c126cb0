#pragma once
// The command interpreter's input and state: lines read from standard input and handed out word
// by word, the words that wait for the game loop, and the words that arrive during a search.

#include "board/board.h"
#include "core/types.h"

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
    i32 Head = 0; // next character to hand out
    i32 Tail = 0; // end of the text

    // Appends a word, the rest of its line and a newline; false (nothing kept) when full.
    bool Append(const char *word, const char *rest);
    // Next word, cut to size - 1 characters; -1 when no word is left.
    int Word(char *buf, int size);
    // The rest of the current line, its newline consumed; -1 when the text is used up.
    int Line(char *buf, int size);
    bool HasWord() const;
    // Next word of the current line only, cut to size - 1 characters; -1 when the line has no
    // more words (its end is left unread).
    int LineWord(char *buf, int size);
    // The word that starts at Head, cut to size - 1 characters; returns its kept length.
    int TakeWord(char *buf, int size);
    void Clear() { Head = Tail = 0; }
};

// The game positions before each move played in the console or xboard dialogue, most recent
// last, so that moves can be taken back; the oldest are dropped when it is full.
constexpr int GAMERECORD_MAX = 1024;
class GameRecord {
  public:
    ChessBoard Boards[GAMERECORD_MAX];
    i32 Plies[GAMERECORD_MAX]; // the game ply of each position
    i32 First = 0;
    i32 Count = 0;

    void Clear() { First = Count = 0; }
    void Push(const ChessBoard &board, i32 ply);
    // Takes the last position back into *board and *ply; false when there is none.
    bool Pop(ChessBoard *board, i32 *ply);
    // The i-th position kept, oldest first.
    const ChessBoard &At(int i) const { return Boards[(First + i) % GAMERECORD_MAX]; }
};

// The dialogue's state between commands, and the input that waits for the game loop.
//
// The game loop reads its input a line at a time into Pending. A word that arrives while the
// search runs comes with the rest of its line in SearchLine; when it is to be handled after
// the search (a "ping", a move typed ahead, anything after a stop), it is put in Pending, so
// the game loop reads it again, in order, before standard input.
class CommandInterpreter {
  public:
    u8 Protover = 0;       // version named by "protover" (0: none); 2 or more gives "move e2e4"
    u8 DiscardMove = 0;    // a command stopped the search: its move is neither sent nor played
    u8 StopPending = 0;    // the search has been told to stop: further words wait in Pending
    u8 ResumeAnalysis = 0; // analysis goes on once the waiting words have been handled
    u8 QuitRequested = 0;  // "quit" or the end of input
    u8 ResetHistory = 0;   // a new game started during a search: empty the game history after it
    u8 AnalysisPaused = 0; // a command stopped an analysis: AnalyzeMode is off until it returns
    u8 HaveSavedST = 0;    // ST as it was before "analyze" is kept in SavedST
    i32 SavedST = 0;
    InputText Pending;    // the game loop's input
    InputText SearchLine; // the line of the word the search has just read
    GameRecord Record;    // the positions the moves of the game were played from

    // Clears the flags of the search about to start.
    void BeginSearch();
    // Next word (from SearchLine during a search, else from Pending), reading further lines of
    // standard input as needed. Returns its length, or -1 at the end of input.
    int NextWord(char *buf, int size);
    // The rest of the current line, its newline consumed; empty when the line has ended.
    int RestOfLine(char *buf, int size);
    // The next word of the current line (a command's argument); -1 when the line has no more.
    int ArgumentWord(char *buf, int size);
    // Keeps the word the search has just read, with the rest of its line, for the game loop.
    void Defer(const char *word);
    // Starts the game history again; during a search, once the search has returned.
    void ResetGameHistory();
    // True when a word waits in Pending.
    bool HasPendingWord() const { return Pending.HasWord(); }
};

extern CommandInterpreter Interpreter;

// Handles a word that arrives while the search runs: 1 lets it go on, 2 stops it.
int SearchCommand(const char *word);
