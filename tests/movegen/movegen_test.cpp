// Move generation against the references: the perft table, the fast count against the full walk
// and against the reference generator, check evasions against the legal subset of all moves,
// and the exchange evaluator against a plain swap-off.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
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

// The quick lines of perft.tsv by the fast count, the cheapest of them by the full walk too; the
// deep ones run in the slow suite.
TEST(Perft, CountsMatchTheTable)
{
    const auto cases = ref::PerftCases(0, 1000000);
    ASSERT_GE(cases.size(), 25u);
    for (const auto &c : cases) {
        for (bool fast : {true, false}) {
            if (!fast && (c.depth > 3 || c.total > 120000)) continue;
            const PerfT t = Counted(ref::FromFen(c.fen), c.depth, fast);
            EXPECT_EQ(t.LeafNodes, c.leaves) << c.fen << " depth " << c.depth << " " << fast;
            EXPECT_EQ(t.TotalNodes, c.total) << c.fen << " depth " << c.depth << " " << fast;
        }
    }
}

// Chess960 start positions, positions reached by play and castling edge cases (the king on b1
// castling long, the king already on g1, king and rook swapping, a rook in the way, a rook that
// only seemed to shield the king's path, rooks captured) against Stockfish's counts, by the
// fast count and by the full walk.
TEST(Perft, Chess960CountsMatchStockfish)
{
    std::ifstream in(VORN_TEST_DATA "/chess960_perft.tsv");
    int lines = 0;
    MainBoard.Chess960 = 1;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t a = line.find('\t'), b = line.find('\t', a + 1);
        const std::string fen = line.substr(0, a);
        const int depth = std::stoi(line.substr(a + 1));
        const unsigned long long leaves = std::stoull(line.substr(b + 1));
        lines++;
        for (bool fast : {true, false}) {
            if (!fast && leaves > 200000) continue;
            EXPECT_EQ(Counted(ref::FromFen(fen), depth, fast).LeafNodes, leaves)
                << fen << " depth " << depth << " " << fast;
        }
    }
    MainBoard.Chess960 = 0;
    EXPECT_GE(lines, 50);
}

TEST(Perft, BinaryReportsTheStartPosition)
{
    const RunResult r = RunVorn({"-perft", "-fd", "3"}, "");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.output, "Vorn \nStarting PerfT test \n9322 Total Nodes at Depth = 3\n8902 Leaf "
                        "Nodes at Depth = 3\n");
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
        char fen[FEN_MAX];
        WriteFen(p.board, 1, fen);
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
