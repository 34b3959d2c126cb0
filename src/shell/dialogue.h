#pragma once
// The console and xboard dialogue's state: the line the opponent's words are read from, and the
// record of the positions its moves were played from, for take-backs.

#include <string>

#include "board/board.h"

// Longest word the interpreter keeps; longer words are cut.
constexpr int WORD_MAX = 256;

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
    u8 DialectLine = 0;    // at a terminal, the first line may still name a dialect
    char EngineSide = 1;   // the side the engine last moved for
    const char *Prompt = nullptr; // printed before a line is read (a person at a terminal)
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

// Plays a move of the console or xboard game on MainBoard: kept on the record for take-backs and
// its position on the game history.
void PlayDialogueMove(u64 from, u64 to, char promotion);
// Plays a typed move ("e2e4", "e7e8q") when it is legal in the game position; false otherwise.
bool PlayTypedMove(const char *word);
