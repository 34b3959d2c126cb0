// The board against the plain references: attack tables against ray stepping, moves against the
// mailbox in random games, perft counts of the reference generator, and hand-worked rules.

#include <gtest/gtest.h>

#include "board/hashcode.h"
#include "board/movehistory.h"
#include "board/setup.h"
#include "common/reference.h"

using ref::Bit;
using ref::M;

namespace {

ChessBoard Board(const char *fen)
{
    return ref::FromFen(fen).board;
}

// Every occupancy of a sliding piece's reach (each subset of its empty-board rays), with random
// pieces on the squares it cannot reach, gives the attacks ray stepping gives: the tables look
// only at the squares that matter, however this build indexes them (bit extraction or magic
// multiplication).
TEST(Attacks, TablesMatchRaySteppingForEveryOccupancy)
{
    std::mt19937_64 rng(20240612);
    ChessBoard b = Board("8/8/8/8/8/8/8/8 w - -");
    for (int sq = 0; sq < 64; sq++) {
        ASSERT_EQ(b.KnightMask(Bit(sq)), ref::Knight(sq)) << sq;
        ASSERT_EQ(b.KingMask(Bit(sq)), ref::King(sq)) << sq;
        for (int rook = 0; rook < 2; rook++) {
            const u64 reach = rook ? ref::Rook(sq, 0) : ref::Bishop(sq, 0);
            u64 subset = 0;
            do { // every subset of reach, by the carry-rippler
                const u64 occ = b.AllPieces =
                    subset | (rng() & (sq & 1 ? rng() : ~u64{0}) & ~reach);
                ASSERT_EQ(rook ? b.RookMask(Bit(sq)) : b.BishopMask(Bit(sq)),
                          rook ? ref::Rook(sq, occ) : ref::Bishop(sq, occ))
                    << (rook ? "rook " : "bishop ") << sq << " occupancy " << occ;
                ASSERT_EQ(QueenAttacksFrom(sq, occ), ref::Rook(sq, occ) | ref::Bishop(sq, occ))
                    << sq << " " << occ;
                subset = (subset - reach) & reach;
            } while (subset);
        }
    }
}

TEST(Attacks, IsAttackedMatchesTheReferenceOnRandomBoards)
{
    std::mt19937_64 rng(20240611);
    for (int i = 0; i < 400; i++) {
        ChessBoard b = Board("8/8/8/8/8/8/8/8 w - -");
        u64 *sets[12] = {&b.WhitePawns,   &b.WhiteKnights, &b.WhiteBishops, &b.WhiteRooks,
                         &b.WhiteQueens,  &b.WhiteKing,    &b.BlackPawns,   &b.BlackKnights,
                         &b.BlackBishops, &b.BlackRooks,   &b.BlackQueens,  &b.BlackKing};
        for (int sq = 0; sq < 64; sq++) {
            const int code = static_cast<int>(rng() % 12);
            if (static_cast<int>(rng() % 100) >= 5 + i % 60 ||
                ((code == 5 || code == 11) && *sets[code]))
                continue;
            *sets[code] |= Bit(sq);
            b.AllPieces |= Bit(sq);
        }
        b.WhitePieces = b.WhitePawns | b.WhiteKnights | b.WhiteBishops | b.WhiteRooks |
                        b.WhiteQueens | b.WhiteKing;
        b.BlackPieces = b.AllPieces & ~b.WhitePieces;
        for (int sq = 0; sq < 64; sq++)
            for (char c : {char(0), char(1)})
                ASSERT_EQ(b.IsAttacked(Bit(sq), c), ref::Attacked(b, sq, c))
                    << "square " << sq << " colour " << int(c);
    }
}

// Counts, totals and the pawn key agree with a recount of the piece boards.
::testing::AssertionResult Recounted(const ChessBoard &b)
{
    ChessBoard c = b;
    c.RecountAll();
    const auto p = ref::Pieces(b);
    u64 white = 0, black = 0;
    for (int i = 0; i < 6; i++)
        white |= p[i], black |= p[6 + i];
    if (b.WhitePieces != white || b.BlackPieces != black || b.AllPieces != (white | black) ||
        (white & black))
        return ::testing::AssertionFailure() << "unions differ from the piece boards";
    auto counts = [](const ChessBoard &x) {
        return std::array<int, 12>{x.WhiteQueenCount,  x.WhiteRookCount,   x.WhiteBishopCount,
                                   x.WhiteKnightCount, x.WhitePawnCount,   x.BlackQueenCount,
                                   x.BlackRookCount,   x.BlackBishopCount, x.BlackKnightCount,
                                   x.BlackPawnCount,   x.WhitePieceTotal,  x.BlackPieceTotal};
    };
    if (counts(b) != counts(c))
        return ::testing::AssertionFailure() << "counts differ from a recount";
    if (b.PawnHashCode != c.PawnHashCode)
        return ::testing::AssertionFailure() << "pawn key differs";
    return ::testing::AssertionSuccess();
}

// Every move of random games: the pieces as the mailbox plays it, the rights mask, the
// fifty-move count, the recount, and an undo that restores the record byte for byte (its saved
// copy and the mating-material flag aside).
TEST(MakeMove, RandomGamesMatchTheMailboxAndUndoExactly)
{
    int moves = 0, castles = 0, enPassants = 0, underPromotions = 0;
    ref::RandomGames(6, 120, [&](const ref::Position &p, const ref::Move *m) {
        if (!m) return false;
        ChessBoard b = p.board;
        ref::Mailbox mb = ref::ToMailbox(b);
        const bool pawn = mb[m->from] == 0 || mb[m->from] == 6;
        castles += (mb[m->from] == 5 || mb[m->from] == 11) && std::abs(m->to - m->from) == 2;
        enPassants += pawn && (m->from & 7) != (m->to & 7) && mb[m->to] < 0;
        underPromotions += m->promotion != NOPROMOTION && (m->promotion | 0x20) != 'q';
        const bool resets = pawn || mb[m->to] >= 0;
        const int rights = ref::Apply(mb, *m);
        ChessBoard before;
        std::memcpy(&before, &b, sizeof b);
        char mask = 0;
        b.MakeMove(Bit(m->from), Bit(m->to), m->promotion, &mask);
        SCOPED_TRACE(ref::Text(*m));
        EXPECT_EQ(ref::Pieces(b), ref::FromMailbox(mb));
        EXPECT_EQ(mask, rights);
        EXPECT_EQ(b.FiftyMoveCount, resets ? 0 : before.FiftyMoveCount + 1);
        EXPECT_TRUE(Recounted(b));
        // The position key kept by the move is the key of the pieces now on the board.
        u64 upper = 0, lower = 0;
        const auto pieces = ref::Pieces(b);
        for (int kind = 0; kind < 12; kind++)
            for (u64 bits = pieces[kind]; bits; bits &= bits - 1) {
                upper ^= UPStable[kind][__builtin_ctzll(bits)];
                lower ^= LPStable[kind][__builtin_ctzll(bits)];
            }
        EXPECT_EQ(b.PieceKeyUpper, upper);
        EXPECT_EQ(b.PieceKeyLower, lower);
        ChessBoard undone = b, x = before;
        undone.UndoMove(0);
        std::memcpy(x.SavedPieceBoards, undone.SavedPieceBoards, sizeof x.SavedPieceBoards);
        std::memcpy(x.SavedWhiteCounts, undone.SavedWhiteCounts, sizeof x.SavedWhiteCounts);
        std::memcpy(x.SavedBlackCounts, undone.SavedBlackCounts, sizeof x.SavedBlackCounts);
        x.SavedWhitePieces = undone.SavedWhitePieces, x.SavedBlackPieces = undone.SavedBlackPieces;
        x.SavedAllPieces = undone.SavedAllPieces, x.SavedPawnHashCode = undone.SavedPawnHashCode;
        x.SavedCastleFlags = undone.SavedCastleFlags,
        x.SavedFiftyMoveCount = undone.SavedFiftyMoveCount;
        x.SavedLastFrom = undone.SavedLastFrom, x.SavedLastTo = undone.SavedLastTo;
        x.SavedWhitePieceTotal = undone.SavedWhitePieceTotal,
        x.SavedBlackPieceTotal = undone.SavedBlackPieceTotal;
        x.MatingMaterialFlag = undone.MatingMaterialFlag;
        x.SavedPieceKeyUpper = undone.SavedPieceKeyUpper,
        x.SavedPieceKeyLower = undone.SavedPieceKeyLower;
        EXPECT_EQ(std::memcmp(&x, &undone, sizeof x), 0) << "the undo does not restore the record";
        moves++;
        return !HasFailure();
    });
    EXPECT_GT(moves, 3000);
    EXPECT_GT(castles, 5);
    EXPECT_GT(enPassants, 0);
    EXPECT_GT(underPromotions, 5);
}

long long Perft(const ref::Position &p, int depth)
{
    long long n = 0;
    for (const ref::Move &m : ref::LegalMoves(p)) {
        if (m.promotion != NOPROMOTION && (m.promotion | 0x20) != 'q') continue;
        n += depth == 1 ? 1 : Perft(ref::Played(p, m), depth - 1);
    }
    return n;
}

// The reference generator on the engine's MakeMove reaches the table's cheap counts.
// A rook taken or moved on its start square takes its own right along; a king move takes both.
TEST(MakeMove, CastlingRightLostToACornerCapture)
{
    struct Case {
        const char *fen;
        const char *from;
        const char *to;
        int mask;
    } cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "h1", "h4", 14},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "a1", "a8", 13 & 7},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "h1", "h8", 14 & 11},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "h8", "h1", 11 & 14},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "a8", "a1", 7 & 13},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1", "g1", 12},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8", "c8", 3},
        {"4k3/8/8/8/8/8/6b1/4K1RR b K - 0 1", "g2", "h1", 14},
        {"r3k3/1P6/8/8/8/8/8/4K3 w q - 0 1", "b7", "a8", 7},
        {"4k3/8/8/8/8/8/8/4K1Nr b - - 0 1", "h1", "g1", 15},
        // Chess960: the right belongs to the rook's own start square.
        {"rk5r/8/8/8/8/8/8/RK3R1R w Fa - 0 1", "f1", "f5", 14},
        {"rk5r/8/8/8/8/8/8/RK3R1R w Fa - 0 1", "h1", "h5", 15},
        {"rk5r/8/8/8/8/8/6b1/RK3R1R b Fa - 0 1", "g2", "f1", 14},
    };
    for (const Case &c : cases) {
        ChessBoard b = Board(c.fen);
        char mask = 0;
        b.MakeMove(M(c.from), M(c.to), 'Q', &mask);
        EXPECT_EQ(mask, c.mask) << c.fen << " " << c.from << c.to;
    }
}

// Chess960 castling, the king taking its own rook: both land on the standard squares whether
// the king stays put, the rook jumps over it or the two swap squares; both of the side's rights
// go. The keys kept move by move are those of the same position read from its FEN.
TEST(MakeMove, Chess960CastlingLandsOnTheStandardSquares)
{
    const struct {
        const char *fen, *from, *to, *after;
    } cases[] = {
        {"r5k1/8/8/8/8/8/8/1KR5 w Ca - 0 1", "b1", "c1", "r5k1/8/8/8/8/8/8/5RK1 b q - 1 1"},
        {"4k3/8/8/8/8/8/8/1K5R w H - 0 1", "b1", "h1", "4k3/8/8/8/8/8/8/5RK1 b - - 1 1"},
        {"4k3/8/8/8/8/8/8/RK6 w A - 0 1", "b1", "a1", "4k3/8/8/8/8/8/8/2KR4 b - - 1 1"},
        {"4k3/8/8/8/8/8/8/6KR w H - 0 1", "g1", "h1", "4k3/8/8/8/8/8/8/5RK1 b - - 1 1"},
        {"4k3/8/8/8/8/8/8/5KR1 w G - 0 1", "f1", "g1", "4k3/8/8/8/8/8/8/5RK1 b - - 1 1"},
        {"4k3/8/8/8/8/8/8/R1K5 w A - 0 1", "c1", "a1", "4k3/8/8/8/8/8/8/2KR4 b - - 1 1"},
        {"rk5r/8/8/8/8/8/8/4K3 b ha - 0 1", "b8", "a8", "2kr3r/8/8/8/8/8/8/4K3 w - - 1 2"},
    };
    MainBoard.Chess960 = 1;
    for (const auto &c : cases) {
        ChessBoard b = Board(c.fen);
        PlayGameMove(b, M(c.from), M(c.to), NOPROMOTION, nullptr);
        char fen[FEN_MAX];
        WriteFen(b, b.SideToMove ? 1 : 2, fen);
        EXPECT_STREQ(fen, c.after) << c.fen;
        EXPECT_TRUE(Recounted(b)) << c.fen;
        const ChessBoard read = Board(c.after);
        EXPECT_EQ(b.PieceKeyUpper, read.PieceKeyUpper) << c.fen;
        EXPECT_EQ(b.PieceKeyLower, read.PieceKeyLower) << c.fen;
        EXPECT_EQ(b.PawnHashCode, read.PawnHashCode) << c.fen;
    }
    MainBoard.Chess960 = 0;
}

// Castling fields in X-FEN and Shredder-FEN: what the reader makes of them and what the writer
// gives back (X-FEN: KQkq for the outermost rooks, a file letter for an inner one).
TEST(Fen, CastlingFieldsInBothNotations)
{
    const struct {
        const char *fen;
        FenCastling read;
        const char *written; // the castling field written back
    } cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", FenCastling::Standard, "KQkq"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1", FenCastling::Standard, "KQkq"},
        {"bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w HFhf - 0 1", FenCastling::Chess960, "KQkq"},
        {"bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w KQkq - 0 1", FenCastling::Chess960, "KQkq"},
        {"rk5r/8/8/8/8/8/8/RK3R1R w Fa - 0 1", FenCastling::Chess960, "Fq"},
        {"rk5r/8/8/8/8/8/8/RK3R1R w Kh - 0 1", FenCastling::Chess960, "Kk"},
        {"4k3/8/8/8/8/8/8/RR2K3 w B - 0 1", FenCastling::Chess960, "B"},
        {"4k3/8/8/8/8/8/8/4K3 w KQ - 0 1", FenCastling::Unsound, "-"},
        {"4k3/8/8/8/8/8/4K3/R6R w HA - 0 1", FenCastling::Unsound, "-"},
        {"4k3/8/8/8/8/8/8/R3K2R w E - 0 1", FenCastling::Unsound, "-"},
        {"4k3/8/8/8/8/8/8/R3K1RR w HG - 0 1", FenCastling::Unsound, "K"},
        {"4k3/8/8/8/8/8/8/R3K2R w Kx- - 0 1", FenCastling::Standard, "K"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(SetupBoard(c.fen), c.read) << c.fen;
        const ChessBoard first = MainBoard;
        char fen[FEN_MAX];
        WriteFen(first, 1, fen);
        const std::string field = std::string(fen).substr(std::string(fen).find(' ') + 3);
        EXPECT_EQ(field.substr(0, field.find(' ')), c.written) << c.fen;
        // Read back, the written field names the same rooks.
        SetupBoard(fen);
        EXPECT_EQ(MainBoard.CastleFlags, first.CastleFlags) << c.fen;
        for (int i = 0; i < 4; i++) {
            if (!(first.CastleFlags & (1 << i))) continue;
            EXPECT_EQ(MainBoard.CastleRook[i], first.CastleRook[i]) << c.fen << " " << i;
        }
    }
}

TEST(MakeMove, PromotionTakesTheLetter)
{
    const std::pair<char, u64 ChessBoard::*> cases[] = {
        {'n', &ChessBoard::WhiteKnights},       {'N', &ChessBoard::WhiteKnights},
        {'b', &ChessBoard::WhiteBishops},       {'R', &ChessBoard::WhiteRooks},
        {'q', &ChessBoard::WhiteQueens},        {'x', &ChessBoard::WhiteQueens},
        {NOPROMOTION, &ChessBoard::WhiteQueens}};
    for (const auto &[letter, piece] : cases) {
        ChessBoard b = Board("1r5k/P7/8/8/8/8/8/7K w - - 0 1");
        char mask;
        b.MakeMove(M("a7"), M("b8"), letter, &mask);
        EXPECT_EQ(b.*piece, M("b8")) << letter;
        EXPECT_EQ(b.WhitePieces, M("b8") | M("h1")) << letter;
        EXPECT_TRUE(Recounted(b)) << letter;
    }
}

// Malformed placements (too many squares, ranks past rank 1, a long run of slashes) keep every
// piece on the board and write nothing past the piece boards.
TEST(Fen, MalformedPlacementsStayOnTheBoard)
{
    const std::pair<std::string, u64> cases[] = {
        {"p9p/8/8/8/8/8/8/8 w - -", M("a8") | M("c8")},
        {"pppppppppp/8/8/8/8/8/8/8 w - -", 0xFF00000000000000ULL},
        {"8/8/8/8/8/8/8/8/8/8/8/8/KKKKk/p w - -", 0},
        {"8/8/8/8/8/8/8/7P/P w - -", M("h1")},
        {std::string(73, '/') + "PPP w", 0},
        {std::string(200000, '8'), 0},
    };
    for (const auto &[text, expected] : cases) {
        MainBoard.FiftyMoveCount = 56;
        SetupBoard(text.c_str());
        u64 all = 0;
        for (u64 x : ref::Pieces(MainBoard)) {
            EXPECT_EQ(all & x, 0u);
            all |= x;
        }
        EXPECT_EQ(MainBoard.AllPieces, all) << text.substr(0, 40);
        EXPECT_EQ(MainBoard.AllPieces, expected) << text.substr(0, 40);
        EXPECT_EQ(MainBoard.FiftyMoveCount, 56) << text.substr(0, 40);
    }
}

TEST(CheckDraw, MaterialAndFiftyMoves)
{
    const struct {
        const char *fen;
        int fifty, code;
    } cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0, 0},
        {"4k3/8/8/8/8/8/8/1N2K1N1 w - - 0 1", 0, 8},
        {"4k3/8/8/8/8/2b5/8/4K3 w - - 0 1", 0, 8},
        {"4k3/8/8/8/8/8/8/2BNK3 w - - 0 1", 0, 0},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", 99, 0},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", 100, 7},
        {"6k1/8/8/8/8/7P/8/2K2B2 w - - 0 1", 0, 8}, // h-pawn, light bishop: the wrong one
        {"6k1/8/8/8/8/7P/8/2K1B3 w - - 0 1", 0, 0},
        {"8/8/8/5k2/8/7P/8/2K2B2 w - - 0 1", 0, 0}, // the king is away from the corner
        {"2kb4/8/7p/8/8/8/8/6K1 w - - 0 1", 0, 8},
        {"2k1b3/8/7p/8/8/8/8/6K1 w - - 0 1", 0, 0},
        {"6k1/6p1/8/8/8/7P/8/2K2B2 w - - 0 1", 0, 0},
        {"7k/5K2/8/8/8/8/8/B7 w - - 0 1", 0, 0}, // cornered king two squares from the other
        {"7k/8/4K3/8/8/8/8/B7 w - - 0 1", 0, 8},
    };
    for (const auto &c : cases) {
        ChessBoard b = Board(c.fen);
        b.FiftyMoveCount = c.fifty;
        EXPECT_EQ(b.CheckDraw(0), c.code) << c.fen;
    }
}

// The window reaches the position reached by the last irreversible move, four plies back.
TEST(MoveHistory, SameSideFourPliesEarlierIsCounted)
{
    MoveHistory h;
    h.Init();
    const u64 up = 0x1111222233334444ull, low = 0x5555666677778888ull;
    h.InsertHashCodeMoveHistory(up, low);
    for (int k = 1; k <= 3; k++)
        h.InsertHashCodeMoveHistory(k, 1000 + k);
    h.InsertHashCodeMoveHistory(up, low);
    EXPECT_EQ(h.ThreeFoldRepDetection(4, up, low), 1);
    EXPECT_EQ(h.ThreeFoldRepDetection(3, up, low), 0);
    EXPECT_EQ(h.ThreeFoldRepDetection(100, up, low), 1);
    h.InsertHashCodeMoveHistory(1, 1);
    EXPECT_EQ(h.ThreeFoldRepDetection(10, 1, 1), 0); // the other side to move does not count
    h.InsertHashCodeMoveHistory(up, low);
    EXPECT_EQ(h.ThreeFoldRepDetection(6, up, low), 2);
}

// A position refused by a full stack is not popped by the search's retraction of it.
TEST(MoveHistory, FullStackRefusesInsertion)
{
    MoveHistory h;
    h.Init();
    ::testing::internal::CaptureStdout();
    for (int k = 1; k <= MAXHISTORY + 1; k++)
        h.InsertHashCodeMoveHistory(k, k);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(h.NumMoves, MAXHISTORY);
    h.RetractMove();
    EXPECT_EQ(h.NumMoves, MAXHISTORY);
    h.RetractMove();
    EXPECT_EQ(h.NumMoves, MAXHISTORY - 1);
}

} // namespace
