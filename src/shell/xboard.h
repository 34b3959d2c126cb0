#pragma once
// The console and xboard command interpreter: the words of the opponent's lines, what each
// command does, board editing, take-backs and the engine's move line.

#include <string>

#include "board/board.h"

// What DoCommand and HumanMove make of a word.
enum class CommandResult : u8 {
    Move,    // the word is a move
    EndTurn, // the current activity ends: move now, a new game, analysis
    Quit,    // "quit" or the end of input
    Handled, // handled or not recognised: read the next word
    Fifty,   // HumanMove only: the move played reached the fifty-move rule
};

// The game positions before each move played in the dialogue, most recent last, so that moves
// can be taken back; the oldest are dropped when it is full.
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

// The dialogue's state between commands, and the line its words are read from.
class CommandInterpreter {
  public:
    u8 Protover = 0;       // version named by "protover" (0: none); 2 or more gives "move e2e4"
    u8 QuitRequested = 0;  // "quit" or the end of input
    u8 ResumeAnalysis = 0; // analysis goes on once the words that stopped it are handled
    u8 HaveSavedST = 0;    // ST as it was before "analyze" is kept in SavedST
    i32 SavedST = 0;
    GameRecord Record;   // the positions the moves of the game were played from
    std::string Line;    // the line being read
    size_t Position = 0; // where its next word starts

    // Next word: from the current line, else from the next lines of input. Returns its length,
    // or -1 at the end of input.
    int NextWord(char *buf, int size);
    // The rest of the current line; empty when the line has ended.
    int RestOfLine(char *buf, int size);
    // The next word of the current line (a command's argument); -1 when the line has no more.
    int ArgumentWord(char *buf, int size);
    // True when a word waits: on the current line, or on a line that has come in.
    bool WordWaiting();
    // Makes text the current line (its words are read next).
    void SetLine(const std::string &text);
};

extern CommandInterpreter Interpreter;

// Longest word the interpreter keeps; longer words are cut.
constexpr int WORD_MAX = 256;

// Interprets one word; further arguments are read from the rest of its line.
CommandResult DoCommand(const char *word);
// True for a word taken as a move: a file letter and a digit 0-8 (no command looks like one).
bool IsMoveWord(const char *w);
// Edit mode: reads piece placements until "." and sets the castling rights from the position.
void SetupBoardFromEdit();
// Plays a move of the console or xboard game on MainBoard: kept on the record for take-backs and
// its position on the game history.
void PlayDialogueMove(u64 from, u64 to, char promotion);
// Plays a typed move ("e2e4", "e7e8q") when it is legal in the game position; false otherwise.
bool PlayTypedMove(const char *word);
// Prints the engine's move as one complete line: "move e2e4" after "protover 2", otherwise the
// move number, ". ..." and the move text ("1. ... e2e4 ").
void MakeGUIMove(u64 from, u64 to, char promotion);
// The "." status line of the running (or last) search.
void StatusLine();
// "ping" with the text that follows it: "pong" and the same text (an error when there is none).
void Pong(const char *text);
// Leaves analysis mode and gives ST back the value it had before.
void EndAnalysis();
