#pragma once
// The opening book: a table of book positions by hash-code pair, a search tree over it, and
// the probe that picks a root move leading into the book.

#include "board/board.h"

// The most entries the book takes.
constexpr int BOOKSIZE = 1000000;

// One book position: the two halves of its hash code.
struct BookEntry {
    u64 upper;
    u64 lower;
};

// A node of the unbalanced search tree over OpeningBook, keyed by (upper, lower).
struct treenode {
    i32 index; // entry of OpeningBook
    treenode *left;
    treenode *right;
};

// The book positions, booksize of them, and the value of the position of the same index (lower
// is better for the side moving into it). The memory is taken as entries are added, never
// during a search; an empty book has none (both null).
extern BookEntry *OpeningBook;
extern i32 *BookValue;
// Entries in use; the engine ships no entries, so buildbook sets it to 0.
extern i32 booksize;

// Appends a position and its value as entry booksize. False, with the book unchanged, when it
// holds BOOKSIZE entries already or the memory cannot be had. The tree does not see the entry
// until the next buildbooktree.
bool AddBookEntry(u64 upper, u64 lower, i32 value);
// Empties the book (its memory is returned) and builds the tree over it, which is no tree.
void buildbook();
// Builds the tree over entries 0 .. n-1 (entry 0 always, n capped at booksize); duplicates of
// an earlier pair are left out. Returns the last node created, or null for an empty book,
// which has no tree. The previous tree is dropped.
treenode *buildbooktree(long n);
// Root of the current tree (null before the first build and for an empty book).
const treenode *BookTreeRoot();
// Index of the entry holding exactly the pair (upper, lower) below node, or -1.
int BookTreeSearch(const treenode *node, u64 upper, u64 lower);
// Index in the GenerateAllMoves list of board for side of the move leading to the best-valued
// book position, or -100 when no move leads into the book.
int InBook(char side, char castle, ChessBoard board);
