// Move text in algebraic notation against a writer of its own built on the reference's legal
// moves, a table of hand-worked readings, and FEN texts written, read and written again.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "common/reference.h"
#include "movegen/san.h"

namespace {

using R = MoveReading;

// The engine's board for a reference position, which keeps side and rights beside it.
ChessBoard BoardOf(const ref::Position &p)
{
    ChessBoard b = p.board;
    b.SideToMove = p.side;
    b.CastleFlags = p.castle;
    return b;
}

// SAN of m, one of the legal moves of p, from the mailbox and the reference's moves.
std::string RefSan(const ref::Position &p, const std::vector<ref::Move> &legal, const ref::Move &m)
{
    const ref::Mailbox mb = ref::ToMailbox(p.board);
    const int kind = mb[m.from] % 6, df = (m.to & 7) - (m.from & 7);
    const std::string from = ref::Name(m.from);
    const bool capture = mb[m.to] >= 0 || (kind == 0 && df != 0);
    std::string s = kind == 0 ? (capture ? from.substr(0, 1) : "") : std::string(1, "PNBRQK"[kind]);
    bool other = false, file = false, rank = false;
    for (const ref::Move &o : legal)
        if (o.to == m.to && o.from != m.from && mb[o.from] == mb[m.from] && kind) {
            other = true;
            file |= (o.from & 7) == (m.from & 7);
            rank |= (o.from >> 3) == (m.from >> 3);
        }
    s += !other ? "" : !file ? from.substr(0, 1) : !rank ? from.substr(1) : from;
    s += (capture ? "x" : "") + ref::Name(m.to);
    if (m.promotion != NOPROMOTION) s += {'=', char(m.promotion & ~0x20)};
    if (kind == 5 && (df == 2 || df == -2)) s = df > 0 ? "O-O" : "O-O-O";
    const ref::Position next = ref::Played(p, m);
    const u64 king = next.side ? next.board.BlackKing : next.board.WhiteKing;
    if (ref::Attacked(next.board, __builtin_ctzll(king), next.side))
        s += ref::LegalMoves(next).empty() ? '#' : '+';
    return s;
}

// The FEN written for a board set up from one, with its clock and move number, is the text.
std::string Rewritten(const std::string &fen)
{
    int clock = 0, fullMove = 0;
    std::sscanf(fen.c_str(), "%*s %*s %*s %*s %d %d", &clock, &fullMove);
    SetupBoard(fen.c_str());
    MainBoard.FiftyMoveCount = clock;
    char out[FEN_MAX];
    WriteFen(MainBoard, fullMove, out);
    return out;
}

// Every legal move of positions from random games: the engine writes the reference's SAN, and
// that text and the move's coordinates read back as the move. After each move played the FEN
// names the square a double step passed, and reads back to itself.
TEST(San, WritesAndReadsEveryMoveOfRandomGames)
{
    int moves = 0, disambiguated = 0, marked = 0, steps = 0;
    ref::RandomGames(3, 150, [&](const ref::Position &p, const ref::Move *played) {
        const ChessBoard b = BoardOf(p);
        const auto legal = ref::LegalMoves(p);
        for (const ref::Move &m : legal) {
            const std::string san = RefSan(p, legal, m);
            char out[SAN_MAX];
            EXPECT_EQ(WriteSan(b, ref::Bit(m.from), ref::Bit(m.to), m.promotion, out),
                      static_cast<int>(san.size()));
            EXPECT_EQ(out, san);
            for (const std::string &text : {san, ref::Text(m)}) {
                TypedMove t;
                EXPECT_TRUE(ReadMove(b, text.c_str(), &t, nullptr, 0) == R::Legal &&
                            t.from == ref::Bit(m.from) && t.to == ref::Bit(m.to) &&
                            t.promotion == m.promotion)
                    << text;
            }
            disambiguated += san[0] >= 'B' && san[0] <= 'R' && san.find_first_of("12345678") < 3;
            marked += san.back() == '+' || san.back() == '#';
            moves++;
        }
        if (!played) return !HasFailure();
        const bool step = ref::ToMailbox(p.board)[played->from] % 6 == 0 &&
                          std::abs(played->to - played->from) == 16;
        char fen[FEN_MAX], passed[3];
        WriteFen(BoardOf(ref::Played(p, *played)), 9, fen);
        std::sscanf(fen, "%*s %*s %*s %2s", passed);
        EXPECT_EQ(passed, step ? ref::Name((played->from + played->to) / 2) : "-") << fen;
        EXPECT_EQ(Rewritten(fen), fen);
        steps += step;
        return !HasFailure();
    });
    // The games met the cases that matter, and often.
    EXPECT_TRUE(moves > 20000 && disambiguated > 50 && marked > 500 && steps > 50)
        << moves << " " << disambiguated << " " << marked << " " << steps;
}

const char *const START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const char *const KNIGHTS = "rnbqkbnr/pppppppp/8/8/8/5N2/PPP1PPPP/RNBQKB1R w KQkq - 0 1";
const char *const QUEENS = "1k6/8/8/8/4Q2Q/8/8/K3n2Q w - - 0 1";
const char *const BFILE = "4k3/8/8/4B3/8/2n5/1P6/4K3 w - - 0 1";
const char *const CASTLES = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
const char *const CHECKS = "4k2r/8/8/8/8/8/8/5K2 b k - 0 1";
const char *const PROMOTE = "3r4/4P3/8/8/8/8/k7/4K3 w - - 0 1";
const char *const PASSANT = "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1";
const char *const PINNED = "4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1";
const char *const FOOLS = "rnbqkbnr/pppp1ppp/8/4p3/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq - 0 2";

// What text reads as in fen, as a console would answer: the SAN of the legal move, the
// candidates, "illegal" or "no move".
std::string Reading(const char *fen, const char *text, int size = 32)
{
    const ChessBoard b = BoardOf(ref::FromFen(fen));
    TypedMove t;
    char found[32], san[SAN_MAX];
    switch (ReadMove(b, text, &t, found, size)) {
    case R::Legal:
        WriteSan(b, t.from, t.to, t.promotion, san);
        return san;
    case R::Ambiguous:
        return found;
    case R::Illegal:
        return "illegal";
    default:
        return t.from | t.to ? "a move" : "no move";
    }
}

// Hand-worked readings; a cut list of candidates; no SAN for a move that is not legal.
TEST(San, ReadsTheTable)
{
    const struct {
        const char *fen, *text, *reading;
    } cases[] = {{KNIGHTS, "Nd2", "b1 or f3"}, {KNIGHTS, "Nbd2", "Nbd2"},
                 {KNIGHTS, "N3d2", "Nfd2"},    {QUEENS, "Qxe1", "e4, h1 or h4"},
                 {QUEENS, "Qhe1", "h1 or h4"}, {QUEENS, "Qh4xe1", "Qh4xe1"},

                 {BFILE, "bxc3", "bxc3"},      {BFILE, "bc3", "bxc3"},
                 {BFILE, "Bxc3", "Bxc3"},      {BFILE, "Bbc3", "illegal"},
                 {CASTLES, "O-O", "O-O"},      {CASTLES, "0-0-0", "O-O-O"},
                 {CASTLES, "e1g1", "O-O"},     {CASTLES, "Kg1", "illegal"},
                 {CHECKS, "0-0", "O-O+"},      {CHECKS, "O-O-O", "illegal"},
                 {PROMOTE, "e8=Q", "e8=Q"},    {PROMOTE, "e8N", "e8=N"},
                 {PROMOTE, "e8", "e8=Q"},      {PROMOTE, "exd8=R+", "exd8=R"},
                 {PROMOTE, "e7e8b", "e8=B"},   {PASSANT, "exd6", "exd6"},
                 {PINNED, "Nc3", "illegal"},   {PINNED, "Nf3", "illegal"},
                 {FOOLS, "Qh4", "Qh4#"},       {START, "Nf3!?", "Nf3"},
                 {START, "e5", "illegal"},     {START, "e2e5", "illegal"},
                 {START, "exd3", "illegal"},   {START, "e4=Q", "illegal"},
                 {START, "exe4", "illegal"}};
    for (const auto &c : cases)
        EXPECT_EQ(Reading(c.fen, c.text), c.reading) << c.fen << " " << c.text;
    const std::string tooLong = "e4" + std::string(40, '!');
    for (const char *text :
         {"",      "x",   "+",   "Z9",     "E4",   "e9",           "i4",    "Nj3d2",
          "Nxbd2", "Nf",  "e4=", "e8=K",   "e8=q", "Ke2=Q",        "e2e4e", "O-O-O-O",
          "O-0",   "o-o", "e4 ", "\001e4", "e\tx", tooLong.c_str()})
        EXPECT_EQ(Reading(PROMOTE, text), "no move") << text;
    EXPECT_EQ(Reading(QUEENS, "Qe1", 6), "e4, h");
    char san[SAN_MAX];
    EXPECT_EQ(WriteSan(ref::FromFen(START).board, ref::M("e2"), ref::M("e5"), NOPROMOTION, san), 0);
}

// Chess960 castling reads as O-O and O-O-O, as the king taking its rook, or as the king's
// destination when that is no king's step; it is written O-O or O-O-O, with its check mark.
TEST(San, ReadsChess960Castling)
{
    const char *const SHIELD = "7k/8/8/8/8/8/8/rR1K4 w B - 0 1"; // b1 only seems to guard c1
    const char *const OPEN = "7k/8/8/8/8/8/8/1R1K4 w B - 0 1";
    const char *const STAYS = "7k/8/8/8/8/8/8/6KR w H - 0 1";
    const char *const MATES = "4rkr1/4p1p1/8/8/8/8/8/5K1R w H - 0 1";
    const struct {
        const char *fen, *text, *reading;
    } cases[] = {
        {SHIELD, "O-O-O", "illegal"}, {SHIELD, "d1b1", "illegal"}, {OPEN, "O-O-O", "O-O-O"},
        {OPEN, "d1b1", "O-O-O"},      {OPEN, "d1c1", "Kc1"},       {OPEN, "O-O", "illegal"},
        {STAYS, "O-O", "O-O"},        {STAYS, "g1h1", "O-O"},      {STAYS, "Kh1", "illegal"},
        {STAYS, "g1g1", "illegal"},   {CASTLES, "e1h1", "O-O"},    {CASTLES, "e1g1", "O-O"},
        {CASTLES, "e1a1", "O-O-O"},   {CASTLES, "Kf1", "Kf1"},     {MATES, "O-O", "O-O#"},
        {MATES, "f1h1", "O-O#"}};
    MainBoard.Chess960 = 1;
    for (const auto &c : cases)
        EXPECT_EQ(Reading(c.fen, c.text), c.reading) << c.fen << " " << c.text;
    MainBoard.Chess960 = 0;
    // Under standard rules the king does not take its rook.
    EXPECT_EQ(Reading(CASTLES, "e1h1"), "illegal");
}

TEST(Fen, ReadsAndWritesTheSixFields)
{
    MainBoard.InitRep();
    PlayGameMove(MainBoard, ref::M("e2"), ref::M("e4"), NOPROMOTION, nullptr);
    char out[FEN_MAX];
    EXPECT_EQ(WriteFen(MainBoard, 1, out), 59);
    EXPECT_STREQ(out, "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    for (const char *fen :
         {"rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq c6 0 2",
          "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b Kq - 37 112",
          "r3k3/8/8/8/8/8/8/4K2R b Kq - 0 1", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1",
          "QQQQQQQQ/qqqqqqqq/RRRRRRRR/rrrrrrrr/BBBBBBBB/bbbbbbbb/NNNNNNNN/nnnnnnnk w - - 0 1"})
        EXPECT_EQ(Rewritten(fen), fen);
    // A double step is written only when the side that made it is not to move; missing fields
    // read as White to move with no rights.
    EXPECT_EQ(Rewritten("4k3/8/8/3pP3/8/8/8/4K3 b - d6 0 1"), "4k3/8/8/3pP3/8/8/8/4K3 b - - 0 1");
    EXPECT_EQ(Rewritten("4k3/8/8/8/8/8/8/4K3"), "4k3/8/8/8/8/8/8/4K3 w - - 0 0");
}

} // namespace
