#pragma once
// The opening book: a table of book positions by hash-code pair, a search tree over it, and
// the probe that picks a root move leading into the book.

#include "board/board.h"

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

extern BookEntry OpeningBook[BOOKSIZE];
// Value of the position of the same index; lower is better for the side moving into it.
extern i32 BookValue[BOOKSIZE];
// Entries in use; the engine ships no entries, so buildbook sets it to 0.
extern i32 booksize;

// Sets booksize to 0 and builds the tree over the table.
void buildbook();
// Builds the tree over entries 0 .. n-1 (entry 0 always, n capped at BOOKSIZE); duplicates of
// an earlier pair are left out. Returns the last node created. The previous tree is dropped.
treenode *buildbooktree(long n);
// Root of the current tree (null before the first build).
const treenode *BookTreeRoot();
// Index of the entry holding exactly the pair (upper, lower) below node, or -1.
int BookTreeSearch(const treenode *node, u64 upper, u64 lower);
// Index in the GenerateAllMoves list of board for side of the move leading to the best-valued
// book position, or -100 when no move leads into the book.
int InBook(char side, char castle, ChessBoard board);
