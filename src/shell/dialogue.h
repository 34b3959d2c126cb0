#pragma once
// The console and xboard dialogue's state: the line the opponent's words are read from, and the
// record of the positions its moves were played from, for take-backs.

#include <string>

#include "board/board.h"
#include "movegen/san.h"
#include "search/limits.h"

// Longest word the interpreter keeps; longer words are cut.
constexpr int WORD_MAX = 256;

// A move of the dialogue's game and who played it.
struct PlayedMove {
    u64 from = 0, to = 0;
    char promotion = NOPROMOTION;
    bool engine = false; // Vorn played it (not the person or interface)
};

// The game positions before each move played in the dialogue, with the moves, most recent
// last, so that moves can be taken back and the game saved; the oldest are dropped when it is
// full.
constexpr int GAMERECORD_MAX = 1024;
class GameRecord {
  public:
    ChessBoard Boards[GAMERECORD_MAX];
    i32 Plies[GAMERECORD_MAX]; // the game ply of each position
    PlayedMove Moves[GAMERECORD_MAX];
    i32 First = 0;
    i32 Count = 0;
    bool SetUp = false;       // the game began from a position set up by hand or from a FEN
    const char *Result = "*"; // "1-0", "0-1", "1/2-1/2", or "*" while the game goes on

    void Clear()
    {
        First = Count = 0;
        Result = "*";
    }
    void Push(const ChessBoard &board, i32 ply, const PlayedMove &move);
    // Takes the last position back into *board and *ply; false when there is none.
    bool Pop(ChessBoard *board, i32 *ply);
    // The i-th position kept and the move played from it, oldest first.
    const ChessBoard &At(int i) const { return Boards[(First + i) % GAMERECORD_MAX]; }
    const PlayedMove &MoveAt(int i) const { return Moves[(First + i) % GAMERECORD_MAX]; }
};

// The root moves "exclude" took out of the searches of one position; in another position they
// are forgotten.
class RootExclusions {
  public:
    // Takes a move of board out ("exclude"), or puts it back ("include"); the word "all" stands
    // for every move. False, with nothing changed, when the word names no legal move.
    bool Change(const ChessBoard &board, const char *word, bool exclude);
    // Limits a search of board to the moves not excluded. False when every legal move is.
    bool Restrict(const ChessBoard &board, SearchLimits *limits);

  private:
    u64 Key = 0;   // the position the moves belong to
    int Count = 0; // moves excluded
    u16 Codes[MAXROOTMOVES] = {};

    // Forgets moves of another position than board.
    void Follow(const ChessBoard &board);
};

// The dialogue's state between commands, and the line its words are read from.
class CommandInterpreter {
  public:
    u8 Protover = 0;       // version named by "protover" (0: none); 2 or more gives "move e2e4"
    u8 QuitRequested = 0;  // "quit" or the end of input
    u8 ResumeAnalysis = 0; // analysis goes on once the words that stopped it are handled
    u8 HaveSavedST = 0;    // ST as it was before "analyze" is kept in SavedST
    i32 SavedST = 0;
    u8 DialectLine = 0;           // at a terminal, the first line may still name a dialect
    char EngineSide = 1;          // the side the engine last moved for
    const char *Prompt = nullptr; // printed before a line is read (a person at a terminal)
    GameRecord Record;            // the positions the moves of the game were played from
    RootExclusions Excluded;      // root moves the searches leave out ("exclude")
    std::string Line;             // the line being read
    size_t Position = 0;          // where its next word starts

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
void PlayDialogueMove(const PlayedMove &move);
// Reads a typed move ("e2e4", "Nf3", "O-O") in the game position and plays it when it names a
// legal move; candidates receives the squares an ambiguous move may start from.
MoveReading PlayTypedMove(const char *word, char *candidates, int size);
