// Polyglot book files: keys against the format's published test keys, the moves a book made by
// Debian's polyglot gives known positions (castling among them), the weighted choice over many
// draws, and files that are no book.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>

#include "book/polyglot.h"
#include "common/reference.h"

namespace {

// The book of the first 40 games of 8moves_v3.pgn, made by "polyglot make-book -pgn g40.pgn
// -bin book_small.bin -min-game 1 -max-ply 16".
const std::string SMALL = VORN_TEST_DATA "/book_small.bin";

ChessBoard Position(const std::string &fen)
{
    ChessBoard b = ref::FromFen(fen).board;
    return b;
}

// The board after the moves from the start position, as a game reaches it (rights, side and
// the last move kept).
ChessBoard Played(const std::vector<const char *> &moves)
{
    ChessBoard b = Position("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    for (const char *m : moves)
        PlayGameMove(b, ref::M(std::string(m, 2).c_str()), ref::M(m + 2), NOPROMOTION, nullptr);
    return b;
}

// The format's test positions and their keys, reached by their moves (so that the en passant
// square comes from the double step, as in a game).
TEST(PolyglotKey, MatchesThePublishedTestKeys)
{
    const struct {
        std::vector<const char *> moves;
        u64 key;
    } cases[] = {
        {{}, 0x463b96181691fc9cULL},
        {{"e2e4"}, 0x823c9b50fd114196ULL},
        {{"e2e4", "d7d5"}, 0x0756b94461c50fb0ULL},
        {{"e2e4", "d7d5", "e4e5"}, 0x662fafb965db29d4ULL},
        {{"e2e4", "d7d5", "e4e5", "f7f5"}, 0x22a48b5a8e47ff78ULL},
        {{"e2e4", "d7d5", "e4e5", "f7f5", "e1e2"}, 0x652a607ca3f242c1ULL},
        {{"e2e4", "d7d5", "e4e5", "f7f5", "e1e2", "e8f7"}, 0x00fdd303c946bdd9ULL},
        {{"a2a4", "b7b5", "h2h4", "b5b4", "c2c4"}, 0x3c8123ea7b067637ULL},
        {{"a2a4", "b7b5", "h2h4", "b5b4", "c2c4", "b4c3", "a1a3"}, 0x5c3f9b829b279560ULL},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PolyglotKey(Played(c.moves)), c.key) << c.moves.size();
}

// What the book gives known positions, as polyglot's own dump of it shows them (shares of the
// weights, rounded): 1. d4 40%, e4 38%, Nf3 18%; after 1. d4 Nf6 2. Bg5 e6 3. e4 h6 4. Bxf6
// Qxf6 5. Nc3 Bb4 6. Qd2 d6 the book castles long (e1a1 in the file, e1c1 on the board).
TEST(PolyglotBook, MovesOfKnownPositions)
{
    PolyglotBook book;
    ASSERT_EQ(book.Open(SMALL), nullptr);
    EXPECT_EQ(book.Entries(), 539u);
    BookCandidate moves[MAXBOOKMOVES];
    const int n = book.Moves(Played({}), moves, MAXBOOKMOVES);
    std::map<std::string, int> share;
    u32 total = 0;
    for (int i = 0; i < n; i++)
        total += moves[i].Weight;
    for (int i = 0; i < n; i++)
        share[ref::Name(LowestSquare(moves[i].From)) + ref::Name(LowestSquare(moves[i].To))] =
            static_cast<int>(std::lround(100.0 * moves[i].Weight / total));
    EXPECT_EQ(share,
              (std::map<std::string, int>{{"d2d4", 40}, {"e2e4", 38}, {"g1f3", 18}, {"c2c4", 5}}));
    const ChessBoard castles = Played({"d2d4", "g8f6", "c1g5", "e7e6", "e2e4", "h7h6", "g5f6",
                                       "d8f6", "b1c3", "f8b4", "d1d2", "d7d6"});
    ASSERT_EQ(book.Moves(castles, moves, MAXBOOKMOVES), 1);
    EXPECT_EQ(moves[0].From, ref::M("e1"));
    EXPECT_EQ(moves[0].To, ref::M("c1"));
    // Out of the book, and a Chess960 game, which the book does not know.
    EXPECT_EQ(book.Moves(Played({"a2a3", "h7h6"}), moves, MAXBOOKMOVES), 0);
    ChessBoard chess960 = Played({});
    chess960.Chess960 = 1;
    EXPECT_EQ(book.Moves(chess960, moves, MAXBOOKMOVES), 0);
}

// A book written here: entries of the start position (one of weight 0, one illegal, one an
// under-promotion that cannot be, and a1a1), each 16 bytes, highest byte first.
std::string Entry(u64 key, const char *from, const char *to, int promotion, int weight)
{
    const int move = ref::Sq(to) | (ref::Sq(from) << 6) | (promotion << 12);
    std::string e;
    for (int i = 7; i >= 0; i--)
        e += static_cast<char>(key >> (8 * i));
    e += {static_cast<char>(move >> 8),
          static_cast<char>(move),
          static_cast<char>(weight >> 8),
          static_cast<char>(weight),
          0,
          0,
          0,
          0};
    return e;
}

std::string Write(const std::string &name, const std::string &bytes)
{
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// Only legal moves of weight above zero are played; the heaviest when asked for it, otherwise
// each in proportion to its weight over many draws.
TEST(PolyglotBook, WeightedChoiceOfTheLegalMoves)
{
    const u64 start = 0x463b96181691fc9cULL;
    const std::string bytes = Entry(start - 1, "e2", "e4", 0, 9) + Entry(start, "e2", "e4", 0, 60) +
                              Entry(start, "d2", "d4", 0, 30) + Entry(start, "g1", "f3", 0, 10) +
                              Entry(start, "c2", "c4", 0, 0) + Entry(start, "e2", "e5", 0, 50) +
                              Entry(start, "a1", "a1", 0, 50) + Entry(start + 1, "a2", "a3", 0, 5);
    PolyglotBook book;
    ASSERT_EQ(book.Open(Write("choice.bin", bytes)), nullptr);
    BookCandidate moves[MAXBOOKMOVES];
    const int n = book.Moves(Played({}), moves, MAXBOOKMOVES);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(ChooseBookMove(moves, n, true, 12345), 0);
    int drawn[3] = {};
    u64 seed = 7;
    for (int i = 0; i < 10000; i++) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        drawn[ChooseBookMove(moves, n, false, seed >> 11)]++;
    }
    // 60%, 30% and 10%, within five standard deviations.
    EXPECT_NEAR(drawn[0], 6000, 250);
    EXPECT_NEAR(drawn[1], 3000, 230);
    EXPECT_NEAR(drawn[2], 1000, 150);
    const BookCandidate none[2] = {{ref::M("e2"), ref::M("e4"), NOPROMOTION, 0}};
    EXPECT_EQ(ChooseBookMove(none, 1, false, 3), -1);
}

// Files that are no book are refused with a reason, and leave no book behind.
TEST(PolyglotBook, FilesThatAreNoBook)
{
    const std::string entry = Entry(0x463b96181691fc9cULL, "e2", "e4", 0, 1);
    std::string garbage;
    for (int i = 0; i < 4096; i++)
        garbage += static_cast<char>((i * 7919 + (i >> 3) * 104729) >> 3);
    const std::pair<std::string, const char *> cases[] = {
        {::testing::TempDir() + "no_such_book.bin", "cannot be opened"},
        {Write("empty.bin", ""), "is empty"},
        {Write("cut.bin", entry + entry.substr(0, 7)), "is cut short"},
        {Write("unsorted.bin", Entry(9, "e2", "e4", 0, 1) + Entry(3, "e2", "e4", 0, 1)),
         "is not sorted by key"},
        {Write("garbage.bin", garbage), "is not sorted by key"},
        {::testing::TempDir(), "is not a file"},
    };
    PolyglotBook book;
    for (const auto &[path, why] : cases) {
        ASSERT_EQ(book.Open(SMALL), nullptr);
        const char *got = book.Open(path);
        ASSERT_NE(got, nullptr) << path;
        EXPECT_EQ(std::string(got).rfind(why, 0), 0u) << path << ": " << got;
        EXPECT_FALSE(book.Loaded()) << path;
        BookCandidate moves[MAXBOOKMOVES];
        EXPECT_EQ(book.Moves(Played({}), moves, MAXBOOKMOVES), 0) << path;
    }
}

} // namespace
