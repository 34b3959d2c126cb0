#include "book/book.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/hashcode.h"
#include "board/movetext.h"
#include "core/status.h"
#include "movegen/movegen.h"

BookEntry *OpeningBook = nullptr;
i32 *BookValue = nullptr;
i32 booksize = 0;

namespace {

// Entries OpeningBook and BookValue have room for.
int capacity = 0;

// Tree nodes come from a pool with room for one node per entry; a rebuild reuses it.
treenode *nodePool = nullptr;
int poolSize = 0;
int nodesUsed = 0;
treenode *treeroot = nullptr;

treenode *NewNode(int index)
{
    treenode *node = &nodePool[nodesUsed++];
    node->index = index;
    node->left = nullptr;
    node->right = nullptr;
    return node;
}

// True if the pair (upper, lower) sorts before the entry e: upper first, lower breaks ties.
bool Before(u64 upper, u64 lower, const BookEntry &e)
{
    return upper < e.upper || (upper == e.upper && lower < e.lower);
}

// Doubles the room for entries (64 to start with, BOOKSIZE at the most), the new room zeroed.
// False, with the book as it was, when the memory cannot be had.
bool GrowEntries()
{
    const int size = capacity == 0 ? 64 : (capacity > BOOKSIZE / 2 ? BOOKSIZE : 2 * capacity);
    auto *entries = static_cast<BookEntry *>(std::calloc(size, sizeof(BookEntry)));
    auto *values = static_cast<i32 *>(std::calloc(size, sizeof(i32)));
    if (!entries || !values) {
        std::free(entries);
        std::free(values);
        return false;
    }
    if (booksize > 0) {
        std::memcpy(entries, OpeningBook, sizeof(BookEntry) * booksize);
        std::memcpy(values, BookValue, sizeof(i32) * booksize);
    }
    std::free(OpeningBook);
    std::free(BookValue);
    OpeningBook = entries;
    BookValue = values;
    capacity = size;
    return true;
}

} // namespace

bool AddBookEntry(u64 upper, u64 lower, i32 value)
{
    if (booksize >= BOOKSIZE) return false;
    if (booksize == capacity && !GrowEntries()) return false;
    OpeningBook[booksize] = {upper, lower};
    BookValue[booksize] = value;
    booksize++;
    return true;
}

void buildbook()
{
    std::free(OpeningBook);
    std::free(BookValue);
    OpeningBook = nullptr;
    BookValue = nullptr;
    capacity = 0;
    booksize = 0;
    std::free(nodePool);
    nodePool = nullptr;
    poolSize = 0;
    buildbooktree(booksize);
}

treenode *buildbooktree(long n)
{
    // 1. The previous tree is dropped; an empty book has none.
    nodesUsed = 0;
    treeroot = nullptr;
    if (booksize == 0) return nullptr;
    if (n > booksize) n = booksize;
    if (n < 1) n = 1;
    // 2. Room for a node per entry.
    if (n > poolSize) {
        auto *pool = static_cast<treenode *>(std::calloc(n, sizeof(treenode)));
        if (!pool) {
            std::fputs("ERROR: cannot allocate the book tree\n", stderr);
            return nullptr;
        }
        std::free(nodePool);
        nodePool = pool;
        poolSize = static_cast<int>(n);
    }
    // 3. The root holds entry 0.
    treeroot = NewNode(0);
    treenode *last = treeroot;
    // 4. Insert entries 1 .. n-1 one by one, skipping a pair already in the tree.
    for (int i = 1; i < n; i++) {
        const BookEntry &entry = OpeningBook[i];
        treenode *node = treeroot;
        for (;;) {
            const BookEntry &here = OpeningBook[node->index];
            if (entry.upper == here.upper && entry.lower == here.lower) break;
            treenode **child = Before(entry.upper, entry.lower, here) ? &node->left : &node->right;
            if (!*child) {
                *child = NewNode(i);
                last = *child;
                break;
            }
            node = *child;
        }
    }
    return last;
}

const treenode *BookTreeRoot()
{
    return treeroot;
}

int BookTreeSearch(const treenode *node, u64 upper, u64 lower)
{
    // Walk down by the full pair; the tree was built in the same order.
    while (node) {
        const BookEntry &e = OpeningBook[node->index];
        if (e.upper == upper && e.lower == lower) return node->index;
        node = Before(upper, lower, e) ? node->left : node->right;
    }
    return -1;
}

int InBook(char side, char castle, ChessBoard board)
{
    // 1-2. Announce the probe and list every move.
    MoveGen list;
    const int n = list.GenerateAllMoves(side, &board, castle);
    const char other = side ? 0 : 1;

    // 3-4. The move into the lowest-valued book position; ties keep the earlier move.
    int best = -100;
    i32 bestValue = 110000;
    char text[8];
    for (int i = 0; i < n; i++) {
        u64 from, to, upper, lower;
        char promotion, mask;
        list.GetMove(i, 0, &from, &to, &promotion);
        board.MakeMove(from, to, promotion, &mask);
        if (MainStatus.Trace == 1) {
            MoveText(text, LowestSquare(from), LowestSquare(to), promotion);
            std::printf("  { %s \n", text);
        }
        genhashcode(other, castle & mask, &upper, &lower, &board);
        const int k = BookTreeSearch(treeroot, upper, lower);
        if (MainStatus.Trace == 1) {
            std::printf("  ");
            i32 value = 0;
            if (k == -1)
                std::printf("Not in Book: ");
            else
                value = BookValue[k];
            std::printf("%d %s \n}\n", value, text);
        }
        if (k >= 0 && BookValue[k] < bestValue) {
            bestValue = BookValue[k];
            best = i;
        }
        board.UndoMove(0);
    }
    return best;
}
