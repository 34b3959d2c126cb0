// Making and unmaking moves against a mailbox reference, random legal games from several
// positions, perft counts of a reference generator built on MakeMove, and the draw rules.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "board/board.h"
#include "board/reference.h"
#include "board/setup.h"
#include "board/hashcode.h"

namespace {

using ref::Bit;
using ref::M;
using ref::Move;

// A board from FEN text with counts, totals and pawn key set as the game callers set them.
ChessBoard BoardFrom(const char* fen)
{
    SetupBoard(fen);
    ChessBoard b = MainBoard;
    b.InitPieceCounts();
    b.WhitePieceTotal = b.WhiteQueenCount + b.WhiteRookCount + b.WhiteBishopCount +
                        b.WhiteKnightCount + b.WhitePawnCount;
    b.BlackPieceTotal = b.BlackQueenCount + b.BlackRookCount + b.BlackBishopCount +
                        b.BlackKnightCount + b.BlackPawnCount;
    b.PawnHashCode = PawnKeyOf(b);
    b.FiftyMoveCount = 0;
    return b;
}

char Play(ChessBoard& b, const char* from, const char* to, char promotion = NOPROMOTION)
{
    char mask = 0;
    b.MakeMove(M(from), M(to), promotion, &mask);
    return mask;
}

// Unions, the ten counts, the totals and the pawn key agree with a recount.
::testing::AssertionResult Consistent(const ChessBoard& b)
{
    const auto p = ref::Pieces(b);
    u64 white = 0, black = 0;
    for (int i = 0; i < 6; i++) white |= p[i];
    for (int i = 6; i < 12; i++) black |= p[i];
    for (int i = 0; i < 12; i++)
        for (int j = i + 1; j < 12; j++)
            if (p[i] & p[j]) return ::testing::AssertionFailure() << "boards " << i << "," << j << " overlap";
    if (b.WhitePieces != white || b.BlackPieces != black || b.AllPieces != (white | black))
        return ::testing::AssertionFailure() << "unions differ from the piece boards";
    const int wc[5] = {b.WhitePawnCount, b.WhiteKnightCount, b.WhiteBishopCount, b.WhiteRookCount, b.WhiteQueenCount};
    const int bc[5] = {b.BlackPawnCount, b.BlackKnightCount, b.BlackBishopCount, b.BlackRookCount, b.BlackQueenCount};
    int wt = 0, bt = 0;
    for (int i = 0; i < 5; i++) {
        if (wc[i] != __builtin_popcountll(p[i])) return ::testing::AssertionFailure() << "white count " << i;
        if (bc[i] != __builtin_popcountll(p[6 + i])) return ::testing::AssertionFailure() << "black count " << i;
        wt += wc[i];
        bt += bc[i];
    }
    if (b.WhitePieceTotal != wt || b.BlackPieceTotal != bt)
        return ::testing::AssertionFailure() << "totals " << b.WhitePieceTotal << "/" << b.BlackPieceTotal;
    unsigned long key = 0;
    genpawnhashcode(0, b, &key);
    if (b.PawnHashCode != PawnKeyOf(b) || b.PawnHashCode != key)
        return ::testing::AssertionFailure() << "pawn key " << b.PawnHashCode << " != " << key;
    u64 upper = 0, lower = 0;
    for (int kind = 0; kind < 12; kind++)
        for (u64 x = p[kind]; x; x &= x - 1) {
            upper ^= UPStable[kind][__builtin_ctzll(x)];
            lower ^= LPStable[kind][__builtin_ctzll(x)];
        }
    if (b.PieceKeyUpper != upper || b.PieceKeyLower != lower)
        return ::testing::AssertionFailure() << "piece keys differ from the pieces' keys";
    return ::testing::AssertionSuccess();
}

// The record after UndoMove equals the one before MakeMove, Saved fields and the mating
// material flag aside.
::testing::AssertionResult SameExceptUndoCopy(const ChessBoard& before, const ChessBoard& after)
{
    ChessBoard x, y;
    std::memcpy(&x, &before, sizeof x);
    std::memcpy(&y, &after, sizeof y);
    std::memcpy(x.SavedPieceBoards, y.SavedPieceBoards, sizeof x.SavedPieceBoards);
    std::memcpy(x.SavedWhiteCounts, y.SavedWhiteCounts, sizeof x.SavedWhiteCounts);
    std::memcpy(x.SavedBlackCounts, y.SavedBlackCounts, sizeof x.SavedBlackCounts);
    x.SavedWhitePieces = y.SavedWhitePieces;
    x.SavedBlackPieces = y.SavedBlackPieces;
    x.SavedAllPieces = y.SavedAllPieces;
    x.SavedPawnHashCode = y.SavedPawnHashCode;
    x.SavedPieceKeyUpper = y.SavedPieceKeyUpper;
    x.SavedPieceKeyLower = y.SavedPieceKeyLower;
    x.SavedCastleFlags = y.SavedCastleFlags;
    x.SavedFiftyMoveCount = y.SavedFiftyMoveCount;
    x.SavedLastFrom = y.SavedLastFrom;
    x.SavedLastTo = y.SavedLastTo;
    x.SavedWhitePieceTotal = y.SavedWhitePieceTotal;
    x.SavedBlackPieceTotal = y.SavedBlackPieceTotal;
    x.MatingMaterialFlag = y.MatingMaterialFlag;
    if (std::memcmp(&x, &y, sizeof x) == 0) return ::testing::AssertionSuccess();
    const unsigned char* a = reinterpret_cast<const unsigned char*>(&x);
    const unsigned char* c = reinterpret_cast<const unsigned char*>(&y);
    size_t i = 0;
    while (a[i] == c[i]) i++;
    return ::testing::AssertionFailure() << "first difference at byte " << i;
}

std::string MoveText(const Move& m)
{
    const int f = __builtin_ctzll(m.from), t = __builtin_ctzll(m.to);
    std::string s = {char('a' + (f & 7)), char('1' + (f >> 3)), char('a' + (t & 7)), char('1' + (t >> 3))};
    if (m.promotion != NOPROMOTION) s += m.promotion;
    return s;
}

// Plays one move and checks it against the mailbox, the rights mask, the clock, the
// invariants and a byte-exact undo; the move stays played.
void CheckedMove(ChessBoard& b, const Move& m, char side, int* castle)
{
    SCOPED_TRACE(MoveText(m));
    ChessBoard before;
    std::memcpy(&before, &b, sizeof b);
    ref::Mailbox mb = ref::ToMailbox(b);
    const bool resets = (m.from & (b.WhitePawns | b.BlackPawns)) || (m.to & b.AllPieces);
    const int expectedMask = ref::ApplyToMailbox(mb, m);

    char mask = 0;
    b.MakeMove(m.from, m.to, m.promotion, &mask);
    ASSERT_EQ(ref::Pieces(b), ref::FromMailbox(mb));
    ASSERT_EQ(mask, expectedMask);
    ASSERT_TRUE(Consistent(b));
    ASSERT_EQ(b.LastFrom, m.from);
    ASSERT_EQ(b.LastTo, m.to);
    ASSERT_EQ(b.FiftyMoveCount, resets ? 0 : before.FiftyMoveCount + 1);
    ASSERT_EQ(b.CastleFlags, before.CastleFlags);
    ASSERT_EQ(b.SideToMove, before.SideToMove);

    ChessBoard played = b;
    b.UndoMove(0);
    ASSERT_TRUE(SameExceptUndoCopy(before, b));
    b = played;
    *castle &= mask;
    (void)side;
}

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> out;
    std::stringstream ss(line);
    for (std::string f; std::getline(ss, f, '\t');) out.push_back(f);
    return out;
}

long Perft(const ChessBoard& b, char side, int castle, int depth)
{
    long n = 0;
    for (const Move& m : ref::LegalMoves(b, side, castle)) {
        if (m.promotion != NOPROMOTION && m.promotion != 'Q' && m.promotion != 'q') continue;
        if (depth == 1) {
            n++;
            continue;
        }
        ChessBoard c = b;
        char mask;
        c.MakeMove(m.from, m.to, m.promotion, &mask);
        n += Perft(c, !side, castle & mask, depth - 1);
    }
    return n;
}

TEST(MakeMove, ReferenceGeneratorReachesKnownPerftCounts)
{
    std::ifstream in(VORN_TEST_DATA "/board_perft.tsv");
    ASSERT_TRUE(in.good());
    int cases = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const auto f = SplitTabs(line);
        ASSERT_EQ(f.size(), 3u) << line;
        ChessBoard b = BoardFrom(f[0].c_str());
        EXPECT_EQ(Perft(b, b.SideToMove, b.CastleFlags, std::stoi(f[1])), std::stol(f[2])) << line;
        cases++;
    }
    EXPECT_GE(cases, 20);
}

TEST(MakeMove, RandomGamesKeepTheRecordConsistentAndUndoExactly)
{
    const char* starts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1",
        "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
    };
    std::mt19937_64 rng(5150);
    int moves = 0, castles = 0, enPassants = 0, promotions = 0;
    for (const char* fen : starts) {
        for (int game = 0; game < 6; game++) {
            SCOPED_TRACE(std::string(fen) + " game " + std::to_string(game));
            ChessBoard b = BoardFrom(fen);
            char side = b.SideToMove;
            int castle = b.CastleFlags;
            for (int ply = 0; ply < 120; ply++) {
                const auto legal = ref::LegalMoves(b, side, castle);
                if (legal.empty()) break;
                const Move m = legal[rng() % legal.size()];
                const bool king = m.from & (b.WhiteKing | b.BlackKing);
                const int d = __builtin_ctzll(m.from) - __builtin_ctzll(m.to);
                castles += king && (d == 2 || d == -2);
                enPassants += (m.from & (b.WhitePawns | b.BlackPawns)) && !(m.to & b.AllPieces) &&
                              (d % 8 != 0);
                promotions += m.promotion != NOPROMOTION;
                CheckedMove(b, m, side, &castle);
                if (::testing::Test::HasFatalFailure()) return;
                side = !side;
                moves++;
            }
        }
    }
    // The games must have met the special moves, or the test proves little about them.
    EXPECT_GT(moves, 2000);
    EXPECT_GT(castles, 5);
    EXPECT_GT(enPassants, 0);
    EXPECT_GT(promotions, 5);
}

TEST(MakeMove, CaptureThenUndoRestoresPawnAndCounts)
{
    ChessBoard b = BoardFrom("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    Play(b, "e2", "e4");
    Play(b, "d7", "d5");
    b.FiftyMoveCount = 5;
    Play(b, "e4", "d5");
    EXPECT_EQ(b.BlackPawnCount, 7);
    EXPECT_EQ(b.BlackPieceTotal, 14);  // fifteen pieces besides the king, one of them taken
    EXPECT_EQ(b.FiftyMoveCount, 0);
    b.UndoMove(0);
    EXPECT_TRUE(b.BlackPawns & M("d5"));
    EXPECT_TRUE(b.WhitePawns & M("e4"));
    EXPECT_EQ(b.BlackPawnCount, 8);
    EXPECT_EQ(b.BlackPieceTotal, 15);
    EXPECT_EQ(b.FiftyMoveCount, 5);
}

TEST(MakeMove, EnPassantOnlyAfterADoubleStep)
{
    ChessBoard b = BoardFrom("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    Play(b, "e2", "e4");
    Play(b, "a7", "a6");
    Play(b, "e4", "e5");
    Play(b, "d7", "d5");
    const u32 key = b.PawnHashCode;
    Play(b, "e5", "d6");
    EXPECT_FALSE(b.BlackPawns & M("d5"));
    EXPECT_EQ(b.BlackPawnCount, 7);
    EXPECT_EQ(b.PawnHashCode, key ^ PawnKey(BPAWN, ref::Sq("d5")) ^ PawnKey(WPAWN, ref::Sq("e5")) ^
                                  PawnKey(WPAWN, ref::Sq("d6")));
    EXPECT_TRUE(Consistent(b));

    b = BoardFrom("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    Play(b, "e2", "e4");
    Play(b, "d7", "d6");
    Play(b, "e4", "e5");
    Play(b, "d6", "d5");
    Play(b, "e5", "d6");
    EXPECT_TRUE(b.BlackPawns & M("d5"));
    EXPECT_EQ(b.BlackPawnCount, 8);
    EXPECT_TRUE(Consistent(b));
}

TEST(MakeMove, BlackTakesEnPassantOnBothSides)
{
    ChessBoard b = BoardFrom("4k3/8/8/8/3p1p2/8/4P3/4K3 w - - 0 1");
    Play(b, "e2", "e4");
    ChessBoard c = b;
    Play(b, "d4", "e3");
    EXPECT_EQ(b.WhitePawns, 0u);
    EXPECT_EQ(b.WhitePawnCount, 0);
    EXPECT_TRUE(Consistent(b));
    Play(c, "f4", "e3");
    EXPECT_EQ(c.WhitePawns, 0u);
    EXPECT_TRUE(Consistent(c));
}

TEST(MakeMove, FenEnPassantFieldAllowsTheCapture)
{
    ChessBoard b = BoardFrom("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    Play(b, "e5", "d6");
    EXPECT_EQ(b.BlackPawns, 0u);
    b = BoardFrom("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1");
    Play(b, "e5", "d6");
    EXPECT_EQ(b.BlackPawns, M("d5"));
}

TEST(MakeMove, CastlingMovesTheRookAndReportsTheRights)
{
    ChessBoard b = BoardFrom("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    ChessBoard c = b;
    EXPECT_EQ(Play(b, "e1", "g1"), 12);
    EXPECT_EQ(b.WhiteRooks, M("a1") | M("f1"));
    EXPECT_EQ(b.WhiteKing, M("g1"));
    EXPECT_TRUE(Consistent(b));
    b = c;
    EXPECT_EQ(Play(b, "e1", "c1"), 12);
    EXPECT_EQ(b.WhiteRooks, M("d1") | M("h1"));
    b = c;
    EXPECT_EQ(Play(b, "e8", "g8"), 3);
    EXPECT_EQ(b.BlackRooks, M("a8") | M("f8"));
    b = c;
    EXPECT_EQ(Play(b, "e8", "c8"), 3);
    EXPECT_EQ(b.BlackRooks, M("d8") | M("h8"));
    EXPECT_TRUE(Consistent(b));
    b = c;
    EXPECT_EQ(Play(b, "e1", "f1"), 12);  // any king move
    EXPECT_EQ(b.WhiteRooks, M("a1") | M("h1"));
}

TEST(MakeMove, RookMovesAndCapturesOnCornersReportTheRights)
{
    const ChessBoard start = BoardFrom("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    ChessBoard b = start;
    EXPECT_EQ(Play(b, "h1", "h4"), 14);
    b = start;
    EXPECT_EQ(Play(b, "a1", "a4"), 13);
    b = start;
    EXPECT_EQ(Play(b, "h8", "h5"), 11);
    b = start;
    EXPECT_EQ(Play(b, "a8", "a5"), 7);
    // A rook taken on its corner takes its right along; the mover's own mask is kept too.
    b = start;
    EXPECT_EQ(Play(b, "a1", "a8"), 13 & 7);
    b = start;
    EXPECT_EQ(Play(b, "h8", "h1"), 11 & 14);
    b = start;
    EXPECT_EQ(Play(b, "h1", "h8"), 14 & 11);
    b = start;
    EXPECT_EQ(Play(b, "a8", "a1"), 7 & 13);
    b = BoardFrom("4k3/8/8/8/8/8/5b2/4K2R b K - 0 1");
    EXPECT_EQ(Play(b, "f2", "h4"), 15);
    b = BoardFrom("4k3/8/8/8/8/8/6b1/4K2R b K - 0 1");
    EXPECT_EQ(Play(b, "g2", "h1"), 14);
    EXPECT_EQ(b.WhiteRookCount, 0);
    b = BoardFrom("r3k3/1P6/8/8/8/8/8/4K3 w q - 0 1");
    EXPECT_EQ(Play(b, "b7", "a8", 'Q'), 7);
    b = BoardFrom("4k3/8/8/8/8/8/8/4K1Nr b - - 0 1");
    EXPECT_EQ(Play(b, "h1", "g1"), 15);  // a black rook on h1 and a knight taken: no right changes
}

TEST(MakeMove, PromotionTakesTheLetter)
{
    const ChessBoard start = BoardFrom("7k/P7/8/8/8/8/p7/7K w - - 0 1");
    ChessBoard b = start;
    Play(b, "a7", "a8", 'n');
    EXPECT_EQ(b.WhiteKnights, M("a8"));
    EXPECT_EQ(b.WhitePawns, 0u);
    EXPECT_EQ(b.WhitePawnCount, 0);
    EXPECT_EQ(b.WhiteKnightCount, 1);
    EXPECT_EQ(b.PawnHashCode, start.PawnHashCode ^ PawnKey(WPAWN, ref::Sq("a7")));
    EXPECT_TRUE(Consistent(b));
    const char letters[] = {'B', 'b', 'R', 'r', 'Q', 'q', 'N'};
    const int codes[] = {2, 2, 3, 3, 4, 4, 1};
    for (int i = 0; i < 7; i++) {
        b = start;
        Play(b, "a2", "a1", letters[i]);
        EXPECT_EQ(ref::ToMailbox(b)[0], 6 + codes[i]) << letters[i];
        EXPECT_TRUE(Consistent(b));
    }
    // A letter that names no piece gives a queen.
    b = start;
    Play(b, "a7", "a8", 'x');
    EXPECT_EQ(b.WhiteQueens, M("a8"));
    EXPECT_TRUE(Consistent(b));
    b = start;
    Play(b, "a7", "a8", NOPROMOTION);
    EXPECT_EQ(b.WhiteQueens, M("a8"));
    EXPECT_TRUE(Consistent(b));
}

TEST(MakeMove, PromotionWithCapture)
{
    ChessBoard b = BoardFrom("1r5k/P7/8/8/8/8/8/7K w - - 0 1");
    Play(b, "a7", "b8", 'R');
    EXPECT_EQ(b.WhiteRooks, M("b8"));
    EXPECT_EQ(b.BlackRookCount, 0);
    EXPECT_EQ(b.BlackPieceTotal, 0);
    EXPECT_EQ(b.WhitePieceTotal, 1);
    EXPECT_TRUE(Consistent(b));
}

TEST(MakeMove, KingMovesChangeThePawnKey)
{
    ChessBoard b = BoardFrom("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    const u32 key = b.PawnHashCode;
    Play(b, "e1", "d2");
    EXPECT_EQ(b.PawnHashCode, key ^ PawnKey(WKING, ref::Sq("e1")) ^ PawnKey(WKING, ref::Sq("d2")));
    Play(b, "e8", "e7");
    EXPECT_TRUE(Consistent(b));
}

TEST(Promote, ToggledTwiceRestoresTheBoard)
{
    ChessBoard b = BoardFrom("4k3/P7/8/8/8/8/p7/4K3 w - - 0 1");
    const ChessBoard start = b;
    for (char code : {char(1), char(2), char(3), char(4)}) {
        b.Promote(0, M("a7"), code);
        EXPECT_FALSE(b.WhitePawns & M("a7"));
        EXPECT_EQ(ref::ToMailbox(b)[ref::Sq("a7")], code);
        b.Promote(0, M("a7"), code);
        EXPECT_EQ(ref::Pieces(b), ref::Pieces(start));
    }
    for (char code : {char(7), char(8), char(9), char(10)}) {
        b.Promote(1, M("a2"), code);
        EXPECT_EQ(ref::ToMailbox(b)[ref::Sq("a2")], code);
        b.Promote(1, M("a2"), code);
    }
    b.Promote(0, M("a7"), 5);  // no such piece: the pawn only
    EXPECT_EQ(b.WhitePawns, 0u);
    EXPECT_EQ(b.WhiteKing, M("e1"));
    EXPECT_EQ(b.WhitePieces, start.WhitePieces);  // occupancy is not touched
}

TEST(DropPawn, TogglesPawnAndOccupancy)
{
    ChessBoard b = BoardFrom("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    b.DropPawn(0, M("d4"));
    b.DropPawn(1, M("e5"));
    EXPECT_EQ(b.WhitePawns, M("d4"));
    EXPECT_EQ(b.BlackPawns, M("e5"));
    EXPECT_EQ(b.WhitePieces, M("d4") | M("e1"));
    EXPECT_EQ(b.AllPieces, M("d4") | M("e5") | M("e1") | M("e8"));
    b.DropPawn(0, M("d4"));
    EXPECT_EQ(b.WhitePawns, 0u);
    EXPECT_EQ(b.AllPieces, M("e5") | M("e1") | M("e8"));
}

TEST(CheckDraw, MatingMaterialFlag)
{
    ChessBoard b = BoardFrom("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(b.CheckDraw(0), 0);
    EXPECT_EQ(b.MatingMaterialFlag, 33);
    b = BoardFrom("4k3/8/8/8/8/8/8/3QK3 w - - 0 1");
    EXPECT_EQ(b.CheckDraw(0), 0);
    EXPECT_EQ(b.MatingMaterialFlag, 1);
    b = BoardFrom("4k3/4p3/8/8/8/8/8/3NK3 w - - 0 1");
    EXPECT_EQ(b.CheckDraw(0), 0);
    EXPECT_EQ(b.MatingMaterialFlag, 32);
    b = BoardFrom("4k3/8/8/8/8/8/8/2BNK3 w - - 0 1");  // bishop and knight can mate
    EXPECT_EQ(b.CheckDraw(0), 0);
    EXPECT_EQ(b.MatingMaterialFlag, 1);
}

TEST(CheckDraw, InsufficientMaterial)
{
    ChessBoard b = BoardFrom("4k3/8/8/8/8/8/8/1N2K1N1 w - - 0 1");
    EXPECT_EQ(b.CheckDraw(0), 8);
    EXPECT_EQ(b.MatingMaterialFlag, 0);
    b = BoardFrom("4k3/8/8/8/8/2b5/8/4K3 w - - 0 1");
    EXPECT_EQ(b.CheckDraw(0), 8);
    b = BoardFrom("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(b.CheckDraw(0), 8);
}

TEST(CheckDraw, CornerKingTwoSquaresFromTheOtherIsNotAMaterialDraw)
{
    ChessBoard b = BoardFrom("7k/5K2/8/8/8/8/8/B7 w - - 0 1");
    EXPECT_EQ(b.CheckDraw(0), 0);
    EXPECT_EQ(b.MatingMaterialFlag, 0);
    b = BoardFrom("7k/8/4K3/8/8/8/8/B7 w - - 0 1");  // three files apart
    EXPECT_EQ(b.CheckDraw(0), 8);
    b = BoardFrom("7k/6K1/8/8/8/8/8/B7 w - - 0 1");  // adjacent
    EXPECT_EQ(b.CheckDraw(0), 8);
    b = BoardFrom("7k/5K2/8/8/8/8/8/B7 w - - 0 1");
    b.FiftyMoveCount = 100;
    EXPECT_EQ(b.CheckDraw(0), 7);
}

TEST(CheckDraw, FiftyMoveRule)
{
    ChessBoard b = BoardFrom("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    b.FiftyMoveCount = 99;
    EXPECT_EQ(b.CheckDraw(0), 0);
    b.FiftyMoveCount = 100;
    EXPECT_EQ(b.CheckDraw(0), 7);
}

TEST(CheckDraw, RookPawnWithTheWrongBishop)
{
    // White: h-pawn and a light bishop (h8 is dark) against a king in the corner.
    EXPECT_EQ(BoardFrom("6k1/8/8/8/8/7P/8/2K2B2 w - - 0 1").CheckDraw(0), 8);  // f1 light
    EXPECT_EQ(BoardFrom("6k1/8/8/8/8/7P/8/2K1B3 w - - 0 1").CheckDraw(0), 0);  // e1 dark
    EXPECT_EQ(BoardFrom("8/8/8/5k2/8/7P/8/2K2B2 w - - 0 1").CheckDraw(0), 0);  // king away from the corner
    // a-pawn and a dark bishop (a8 is light).
    EXPECT_EQ(BoardFrom("1k6/8/8/8/8/P7/8/2K1B3 w - - 0 1").CheckDraw(0), 8);
    EXPECT_EQ(BoardFrom("1k6/8/8/8/8/P7/8/2K2B2 w - - 0 1").CheckDraw(0), 0);
    // Black: h-pawn with a dark bishop (h1 is light), a-pawn with a light bishop.
    EXPECT_EQ(BoardFrom("2kb4/8/7p/8/8/8/8/6K1 w - - 0 1").CheckDraw(0), 8);   // d8 dark
    EXPECT_EQ(BoardFrom("2k1b3/8/7p/8/8/8/8/6K1 w - - 0 1").CheckDraw(0), 0);  // e8 light
    EXPECT_EQ(BoardFrom("2k1b3/8/p7/8/8/8/8/1K6 w - - 0 1").CheckDraw(0), 8);
    EXPECT_EQ(BoardFrom("2kb4/8/p7/8/8/8/8/1K6 w - - 0 1").CheckDraw(0), 0);
    // Each square of the corner zones, and one square beside it.
    struct Zone {
        const char* pieces;  // attacker's king, bishop and pawn; the defender's king is added
        const char* squares[5];
        bool whiteDefends;
    };
    const Zone zones[4] = {
        {"Kc1 Bf1 Ph3", {"h8", "g8", "g7", "h7", "f8"}, false},
        {"Kf1 Be1 Pa3", {"a8", "b8", "b7", "a7", "c8"}, false},
        {"kc8 bd8 ph6", {"h1", "g1", "g2", "h2", "f1"}, true},
        {"kf8 be8 pa6", {"a1", "b1", "b2", "a2", "c1"}, true},
    };
    for (const Zone& z : zones) {
        for (int i = 0; i < 5; i++) {
            std::array<u64, 12> p{};
            for (const char* t = z.pieces; *t; t += (t[3] ? 4 : 3)) {
                const char letters[] = "PNBRQKpnbrqk";
                p[std::strchr(letters, t[0]) - letters] |= M(t + 1);
            }
            p[z.whiteDefends ? 5 : 11] = M(z.squares[i]);
            ChessBoard b = ref::FromPieces(p);
            EXPECT_EQ(b.CheckDraw(0), i < 4 ? 8 : 0) << z.pieces << " " << z.squares[i];
        }
    }
    // The defender must have a bare king.
    EXPECT_EQ(BoardFrom("6k1/6p1/8/8/8/7P/8/2K2B2 w - - 0 1").CheckDraw(0), 0);
}

TEST(Test50MoveRule, CountsQuietMovesAndResetsOnPawnsAndCaptures)
{
    ChessBoard b = BoardFrom("4k3/8/8/8/8/8/4P3/1N2K3 w - - 0 1");
    b.FiftyMoveCount = 0;
    for (int i = 1; i < 100; i++) {
        ASSERT_FALSE(b.Test50MoveRule(ref::Sq("b1"), ref::Sq("c3")));
        ASSERT_EQ(b.FiftyMoveCount, i);
    }
    EXPECT_TRUE(b.Test50MoveRule(ref::Sq("b1"), ref::Sq("c3")));
    EXPECT_EQ(b.FiftyMoveCount, 100);
    EXPECT_FALSE(b.Test50MoveRule(ref::Sq("e2"), ref::Sq("e4")));
    EXPECT_EQ(b.FiftyMoveCount, 0);
    b.FiftyMoveCount = 40;
    EXPECT_FALSE(b.Test50MoveRule(ref::Sq("b1"), ref::Sq("e8")));  // onto an occupied square
    EXPECT_EQ(b.FiftyMoveCount, 0);
    EXPECT_FALSE(b.Test50MoveRule(-1, 99));  // indexes off the board are quiet moves
    EXPECT_EQ(b.FiftyMoveCount, 1);
}

}  // namespace
