#pragma once
// Opening books in the Polyglot format, the one interfaces and other engines share: entries of
// 16 bytes, highest byte first (position key, move, weight, learning data), sorted by key. The
// file is mapped, not read: a probe is a binary search that touches a few pages.

#include <string>

#include "board/board.h"
#include "core/platform.h"

// The Polyglot key of a position: its pieces, castling rights, side to move and, when the side
// to move has a pawn beside the pawn that has just made a double step, that pawn's file.
u64 PolyglotKey(const ChessBoard &board);

// A legal move the book gives a position, and its weight.
struct BookCandidate {
    u64 From = 0;
    u64 To = 0;
    char Promotion = NOPROMOTION;
    u32 Weight = 0;
};

// Most moves the book gives one position that are taken.
constexpr int MAXBOOKMOVES = 64;

class PolyglotBook {
  public:
    // Opens the book file at path (an empty path, or "<empty>", closes the book). Returns
    // nullptr when it is a book, else why not ("cannot be opened", "is empty", "is cut short:
    // its length is no multiple of 16 bytes", "is not sorted by key"); the book is then
    // closed.
    const char *Open(const std::string &path);
    void Close();
    bool Loaded() const { return count > 0; }
    const std::string &Path() const { return path; }
    u64 Entries() const { return count; }

    // The legal moves the book gives board for its side to move, with weights above zero, in
    // the order of the file (at most max). Standard chess only: castling in a book is the king
    // taking its rook, which is played as the king's two-square move.
    int Moves(const ChessBoard &board, BookCandidate *out, int max) const;

  private:
    MappedFile file;
    std::string path;
    u64 count = 0;

    u64 KeyAt(u64 i) const;
};

// One of n candidates: with best, the heaviest (the first of equal ones); otherwise at random in
// proportion to the weights, random being a uniformly drawn number. -1 when none weighs
// anything.
int ChooseBookMove(const BookCandidate *c, int n, bool best, u64 random);

// The book file of the game, opened by the BookFile option.
extern PolyglotBook BookFile;
