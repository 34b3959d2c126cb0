// Move generation against the references: the perft table, the fast count against the full walk
// and against the reference generator, check evasions against the legal subset of all moves,
// and the exchange evaluator against a plain swap-off.

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <set>

#include "common/process.h"
#include "common/reference.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"
#include "movegen/see.h"

namespace {

PerfT Counted(const ref::Position &p, int depth, bool fast)
{
    PerfT t;
    if (fast)
        t.Count(p.side, depth, p.board, p.castle);
    else
        t.PerformanceTest(p.side, depth, p.board, p.castle);
    return t;
}

// The quick lines of perft.tsv; the deep ones run in the slow suite.
TEST(Perft, CountsMatchTheTable)
{
    const auto cases = ref::PerftCases(0, 1000000);
    ASSERT_GE(cases.size(), 25u);
    for (const auto &c : cases) {
        const PerfT t = Counted(ref::FromFen(c.fen), c.depth, true);
        EXPECT_EQ(t.LeafNodes, c.leaves) << c.fen << " depth " << c.depth;
        EXPECT_EQ(t.TotalNodes, c.total) << c.fen << " depth " << c.depth;
    }
}

TEST(Perft, FastCountEqualsTheFullWalk)
{
    for (const auto &c : ref::PerftCases(0, 120000)) {
        if (c.depth > 3) continue;
        const ref::Position p = ref::FromFen(c.fen);
        const PerfT fast = Counted(p, c.depth, true), full = Counted(p, c.depth, false);
        EXPECT_EQ(fast.LeafNodes, full.LeafNodes) << c.fen << " depth " << c.depth;
        EXPECT_EQ(fast.TotalNodes, full.TotalNodes) << c.fen << " depth " << c.depth;
    }
}

TEST(Perft, BinaryReportsTheStartPosition)
{
    const RunResult r = RunVorn({"-perft", "-fd", "3"}, "");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.output, "Vorn \nStarting PerfT test \n9322 Total Nodes at Depth = 3\n8902 Leaf "
                        "Nodes at Depth = 3\n");
}

// Worked out by hand: rook h1 (f1, g1, then up the file), castling, king, then the pawn
// promoting on a8 with its letter in lower case; the position comes from a file.
TEST(Perft, BinaryTracesEveryMoveAtDepthOne)
{
    const std::string file = ::testing::TempDir() + "vorn_trace.fen";
    std::ofstream(file) << "4k3/P7/8/8/8/8/8/4K2R w K - 0 1\n";
    const RunResult r = RunVorn({"-perft", "-fd", "1", "-trace", "-lpf", file}, "");
    std::string expected = "Vorn \nStarting PerfT test \n<Trace name=\"Perft\">\n";
    int n = 0;
    for (const char *m : {"h1f1", "h1g1", "h1h2", "h1h3", "h1h4", "h1h5", "h1h6", "h1h7", "h1h8",
                          "e1g1", "e1d1", "e1f1", "e1d2", "e1e2", "e1f2", "a7a8q"})
        expected += "<Move name=\"{  " + std::string(m) + " \nnodes " + std::to_string(++n) +
                    "\">\n</Move >\n} \n";
    EXPECT_EQ(r.output,
              expected + "</Trace>\n16 Total Nodes at Depth = 1\n16 Leaf Nodes at Depth = 1\n");
    std::remove(file.c_str());
}

// The engine's list for side, made and kept when the mover's king is safe, as sorted texts.
std::vector<std::string> EngineLegal(const ref::Position &p, bool evasions)
{
    MoveGen g;
    ChessBoard b = p.board;
    const int n =
        evasions ? g.GenCheckEvasions(p.side, &b) : g.GenerateAllMoves(p.side, &b, p.castle);
    std::vector<std::string> out;
    for (int i = 0; i < n; i++) {
        ChessBoard c = p.board;
        char mask;
        c.MakeMove(g.From[i], g.To[i], g.Promotion[i], &mask);
        const u64 king = p.side ? c.BlackKing : c.WhiteKing;
        if (c.IsAttacked(king, p.side)) continue;
        out.push_back(
            ref::Text({__builtin_ctzll(g.From[i]), __builtin_ctzll(g.To[i]), g.Promotion[i]}));
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Positions of random games with pins, checks, castling, en passant and promotions: the
// generator's legal moves are the reference's (queen promotions only), the evasions' legal
// moves are the same, and the fast counter's number is their number.
TEST(MoveGen, LegalMovesMatchTheReferenceInRandomGames)
{
    int positions = 0, inCheck = 0;
    ref::RandomGames(12, 160, [&](const ref::Position &p, const ref::Move *) {
        std::vector<std::string> expected;
        for (const ref::Move &m : ref::LegalMoves(p))
            if (m.promotion == NOPROMOTION || (m.promotion | 0x20) == 'q')
                expected.push_back(ref::Text(m));
        std::sort(expected.begin(), expected.end());
        char fen[128];
        pos2fenString(p.board, fen);
        const auto all = EngineLegal(p, false);
        EXPECT_EQ(all, expected) << fen;
        const bool check =
            p.board.IsAttacked(p.side ? p.board.BlackKing : p.board.WhiteKing, p.side);
        if (check) {
            EXPECT_EQ(EngineLegal(p, true), all) << fen;
            inCheck++;
        }
        EXPECT_TRUE(PerftFastPathApplies(p.side, p.board, p.castle)) << fen;
        EXPECT_EQ(CountLegalMoves(p.side, p.board, p.castle), static_cast<int>(all.size())) << fen;
        positions++;
        return !HasFailure();
    });
    EXPECT_GT(positions, 5000);
    EXPECT_GT(inCheck, 300);
}

// Taking en passant on e6 would block the bishop's check, but the evasion list offers only the
// capture of a checking pawn. Play cannot reach such a position (the check was there before the
// double step); the counts follow the lists.
TEST(MoveGen, EvasionsOfferNoEnPassantThatBlocksACheck)
{
    const ref::Position p = ref::FromFen("2b1k3/8/8/3Pp3/8/7K/8/8 w - e6 0 1");
    const auto evasions = EngineLegal(p, true), all = EngineLegal(p, false);
    EXPECT_FALSE(std::count(evasions.begin(), evasions.end(), "d5e6"));
    EXPECT_TRUE(std::count(all.begin(), all.end(), "d5e6"));
    EXPECT_EQ(CountLegalMoves(p.side, p.board, p.castle), static_cast<int>(evasions.size()));
    EXPECT_EQ(Counted(p, 3, true).LeafNodes, Counted(p, 3, false).LeafNodes);
}

// --- the order of the lists, which decides the ties of the move ordering ---

struct Entry {
    u64 from, to;
    char promotion;
    bool operator==(const Entry &o) const
    {
        return from == o.from && to == o.to && promotion == o.promotion;
    }
};

std::ostream &operator<<(std::ostream &os, const Entry &e)
{
    return os << ref::Text({__builtin_ctzll(e.from), __builtin_ctzll(e.to), e.promotion});
}

// The list a generator is to give, built piece by piece as the documentation reads: each piece
// lowest square first, its targets lowest square first; pawn by pawn the double step, the
// single step, the capture to the pawn's left, the one to its right, en passant.
std::vector<Entry> ExpectedList(const ChessBoard &b, char side, char castle, bool quiesce)
{
    const auto pc = ref::Pieces(b);
    const int o = side ? 6 : 0;
    const u64 enemy = side ? b.WhitePieces : b.BlackPieces, occ = b.AllPieces;
    std::vector<Entry> out;
    auto pieces = [&](int kind, u64 targets) {
        for (int sq = 0; sq < 64; sq++) {
            if (!(pc[o + kind] & ref::Bit(sq))) continue;
            u64 t = kind == 1   ? ref::Knight(sq)
                    : kind == 2 ? ref::Bishop(sq, occ)
                    : kind == 3 ? ref::Rook(sq, occ)
                    : kind == 4 ? ref::Bishop(sq, occ) | ref::Rook(sq, occ)
                                : ref::King(sq);
            for (int to = 0; to < 64; to++)
                if (t & targets & ref::Bit(to))
                    out.push_back({ref::Bit(sq), ref::Bit(to), NOPROMOTION});
        }
    };
    auto pawns = [&]() {
        const bool white = side == 0;
        const u64 lastRank = white ? 0xFFULL << 56 : 0xFFULL,
                  startRank = white ? 0xFF00ULL : 0xFFULL << 48;
        const u64 epRank = white ? 0xFFULL << 32 : 0xFFULL << 24;
        const u64 enemyPawns = pc[white ? 6 : 0];
        const bool epReady =
            (b.LastTo & enemyPawns & epRank) && (b.LastFrom & (white ? 0xFFULL << 48 : 0xFF00ULL));
        auto ahead = [&](u64 m, int steps) { return white ? m << (8 * steps) : m >> (8 * steps); };
        auto promo = [&](u64 to) { return (to & lastRank) ? (white ? 'Q' : 'q') : NOPROMOTION; };
        for (int sq = 0; sq < 64; sq++) {
            const u64 p = ref::Bit(sq);
            if (!(pc[o] & p)) continue;
            const u64 one = ahead(p, 1);
            if ((p & startRank) && !(one & occ) && !(ahead(p, 2) & occ))
                out.push_back({p, ahead(p, 2), NOPROMOTION});
            if (!(one & occ)) out.push_back({p, one, promo(one)});
            // The capture to the pawn's left (seen from its side of the board), then its right.
            const u64 left = white ? p << 7 : p >> 7, right = white ? p << 9 : p >> 9;
            const u64 leftEdge = white ? ref::FILE_A : ref::FILE_H;
            const u64 rightEdge = white ? ref::FILE_H : ref::FILE_A;
            if (!(p & leftEdge) && (left & enemy)) out.push_back({p, left, promo(left)});
            if (!(p & rightEdge) && (right & enemy)) out.push_back({p, right, promo(right)});
            if (epReady && (p & epRank)) {
                const u64 target = ahead(b.LastTo, 1);
                if (p == (b.LastTo >> 1) && !(b.LastFrom & ref::FILE_A))
                    out.push_back({p, target, NOPROMOTION});
                if (p == (b.LastTo << 1) && !(b.LastFrom & ref::FILE_H))
                    out.push_back({p, target, NOPROMOTION});
            }
        }
    };
    if (quiesce) {
        for (int kind : {4, 3, 1, 2})
            pieces(kind, enemy);
        pawns();
        pieces(5, enemy);
        return out;
    }
    for (int kind : {1, 2, 3, 4, 5})
        pieces(kind, enemy);
    for (int kind : {1, 2, 3, 4})
        pieces(kind, ~occ);
    const u64 e = side ? ref::M("e8") : ref::M("e1");
    auto safe = [&](u64 m) { return !b.IsAttacked(m, side); };
    if ((castle & (side ? BKSIDE : WKSIDE)) && !(occ & ((e << 1) | (e << 2))) &&
        (pc[o + 3] & (e << 3)) && safe(e) && safe(e << 1) && safe(e << 2))
        out.push_back({e, e << 2, NOPROMOTION});
    if ((castle & (side ? BQSIDE : WQSIDE)) && !(occ & ((e >> 1) | (e >> 2) | (e >> 3))) &&
        (pc[o + 3] & (e >> 4)) && safe(e) && safe(e >> 1) && safe(e >> 2))
        out.push_back({e, e >> 2, NOPROMOTION});
    pieces(5, ~occ);
    pawns();
    return out;
}

std::vector<Entry> Listed(const MoveGen &g, int n)
{
    std::vector<Entry> out;
    for (int i = 0; i < n; i++)
        out.push_back({g.From[i], g.To[i], g.Promotion[i]});
    return out;
}

TEST(MoveGen, ListsComeInTheDocumentedOrder)
{
    int positions = 0, enPassants = 0;
    ref::RandomGames(4, 160, [&](const ref::Position &p, const ref::Move *) {
        ChessBoard b = p.board;
        MoveGen g;
        char fen[128];
        pos2fenString(p.board, fen);
        const int n = g.GenerateAllMoves(p.side, &b, p.castle);
        const auto all = Listed(g, n);
        EXPECT_EQ(all, ExpectedList(p.board, p.side, p.castle, false)) << fen;
        const int q = g.GenerateQuiesceMoves(p.side, &b, p.castle);
        EXPECT_EQ(Listed(g, q), ExpectedList(p.board, p.side, p.castle, true)) << fen;
        // En passant: a pawn leaving its file for an empty square.
        for (const Entry &e : all)
            enPassants += (e.from & (p.board.WhitePawns | p.board.BlackPawns)) &&
                          !(e.to & p.board.AllPieces) &&
                          ((__builtin_ctzll(e.from) ^ __builtin_ctzll(e.to)) & 7) != 0;
        positions++;
        return !HasFailure();
    });
    EXPECT_GT(positions, 2000);
    EXPECT_GT(enPassants, 0);
}

// NextMove against a plain selection: the first entry with the highest value is swapped to the
// front, ties going to the earlier entry; the selection record must give the same picks and
// leave the same list, and a call out of sequence must fall back on the scan.
TEST(MoveOrder, SelectionPicksAsAFullScanDoes)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 4000; round++) {
        const int n = 1 + static_cast<int>(rng() % (round % 3 ? 40 : 90));
        const int spread = 1 + static_cast<int>(rng() % 6);
        MoveGen g, expected;
        for (int i = 0; i < n; i++) {
            g.From[i] = expected.From[i] = u64{1} << (i % 64);
            g.To[i] = expected.To[i] = static_cast<u64>(i);
            g.Promotion[i] = expected.Promotion[i] = static_cast<char>(i);
            const int v = static_cast<int>(rng() % spread) - (rng() % 5 == 0 ? 3 : 0);
            g.OrderValue[i] = expected.OrderValue[i] = v * 100;
        }
        if (round % 4 != 3) {
            AboveLowest record;
            for (int i = 0; i < n; i++)
                record.Add(g.OrderValue[i]);
            g.SetSelection(record.above, n);
        }
        const int skip = round % 5 == 4 ? static_cast<int>(rng() % n) : -1;
        for (int i = 0; i < n; i++) {
            int best = i;
            for (int j = i + 1; j < n; j++)
                if (expected.OrderValue[j] > expected.OrderValue[best]) best = j;
            std::swap(expected.From[i], expected.From[best]);
            std::swap(expected.To[i], expected.To[best]);
            std::swap(expected.Promotion[i], expected.Promotion[best]);
            std::swap(expected.OrderValue[i], expected.OrderValue[best]);
            if (i == skip) {
                // The entry is chosen by hand, as a caller may: the next call is out of sequence.
                std::swap(g.From[i], g.From[best]);
                std::swap(g.To[i], g.To[best]);
                std::swap(g.Promotion[i], g.Promotion[best]);
                std::swap(g.OrderValue[i], g.OrderValue[best]);
                continue;
            }
            u64 from, to;
            char promotion;
            g.NextMove(i, n, &from, &to, &promotion);
            ASSERT_EQ(to, expected.To[i]) << "round " << round << " pick " << i;
            ASSERT_EQ(from, expected.From[i]);
            ASSERT_EQ(promotion, expected.Promotion[i]);
        }
        for (int i = 0; i < n; i++)
            ASSERT_EQ(g.OrderValue[i], expected.OrderValue[i]) << "round " << round;
    }
}

int Value(const ref::Mailbox &mb, int sq)
{
    static const int VALUES[6] = {800, 3250, 3250, 5000, 9750, 1000000};
    return mb[sq] < 0 ? 0 : VALUES[mb[sq] % 6];
}

// The least valuable piece of colour attacking t (lowest square first); -1 for none.
int LeastAttacker(const ref::Mailbox &mb, int t, int colour)
{
    u64 occ = 0;
    for (int sq = 0; sq < 64; sq++)
        occ |= mb[sq] >= 0 ? ref::Bit(sq) : 0;
    int best = -1;
    for (int sq = 0; sq < 64; sq++) {
        if (mb[sq] < 0 || mb[sq] / 6 != colour) continue;
        const int kind = mb[sq] % 6, df = (t & 7) - (sq & 7), dr = (t >> 3) - (sq >> 3);
        bool hits = false;
        if (kind == 0) hits = (df == 1 || df == -1) && dr == (colour ? -1 : 1);
        if (kind == 1) hits = ref::Knight(sq) & ref::Bit(t);
        if (kind == 2 || kind == 4) hits |= (ref::Bishop(sq, occ) & ref::Bit(t)) != 0;
        if (kind == 3 || kind == 4) hits |= (ref::Rook(sq, occ) & ref::Bit(t)) != 0;
        if (kind == 5) hits = ref::King(sq) & ref::Bit(t);
        if (hits && (best < 0 || kind < mb[best] % 6)) best = sq; // pawns first, then N B R Q K
    }
    return best;
}

// What colour still wins on t, where the piece standing there is worth victim to it.
int SwapOff(ref::Mailbox mb, int t, int colour, int victim)
{
    const int a = LeastAttacker(mb, t, colour);
    if (a < 0) return 0;
    const int attacker = Value(mb, a);
    mb[t] = mb[a];
    mb[a] = -1;
    return std::max(0, victim - SwapOff(mb, t, colour ^ 1, attacker));
}

TEST(See, AgreesWithAPlainSwapOffInRandomGames)
{
    int compared = 0;
    ref::RandomGames(5, 100, [&](const ref::Position &p, const ref::Move *) {
        const ref::Mailbox mb = ref::ToMailbox(p.board);
        for (const ref::Move &m : ref::LegalMoves(p)) {
            if (mb[m.to] < 0 || m.promotion != NOPROMOTION) continue;
            ref::Mailbox after = mb;
            after[m.to] = after[m.from];
            after[m.from] = -1;
            const int expected =
                Value(mb, m.to) - SwapOff(after, m.to, p.side ^ 1, Value(mb, m.from));
            ChessBoard b = p.board;
            const char victim = (ref::Bit(m.to) & b.WhitePieces) ? 0 : 1;
            EXPECT_EQ(see.StaticExchangeEvaluation(victim, ref::Bit(m.from), ref::Bit(m.to), &b),
                      expected)
                << ref::Text(m);
            compared++;
        }
        return !HasFailure();
    });
    EXPECT_GT(compared, 1000);
}

} // namespace
