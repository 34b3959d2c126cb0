// FEN text: reading into MainBoard, writing back, the castling field, malformed texts and the
// one-position file loader.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "board/board.h"
#include "board/reference.h"
#include "board/setup.h"
#include "common/capture.h"
#include "common/process.h"

namespace {

using ref::M;

std::string FenOf(const ChessBoard& b)
{
    char text[128];
    std::memset(text, 'X', sizeof text);
    pos2fenString(b, text);
    return text;
}

// The first n space-separated fields of a text.
std::string Fields(const std::string& s, int n)
{
    size_t pos = 0;
    for (int i = 0; i < n && pos != std::string::npos; i++) pos = s.find(' ', pos + 1);
    return s.substr(0, pos);
}

std::string Castle(int flags)
{
    char out[8];
    std::memset(out, 'X', sizeof out);
    CastleRights(out, static_cast<char>(flags));
    return out;
}

TEST(Fen, RoundTripsPlacementSideAndCastling)
{
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 b - - 0 10",
        "8/8/8/8/8/8/8/8 b Kq - 0 1",
        "QQQQQQQQ/qqqqqqqq/RRRRRRRR/rrrrrrrr/BBBBBBBB/bbbbbbbb/NNNNNNNN/nnnnnnnk w Qk - 0 1",
    };
    for (const char* fen : fens) {
        SetupBoard(fen);
        EXPECT_EQ(Fields(FenOf(MainBoard), 3), Fields(fen, 3)) << fen;
    }
}

TEST(Fen, WriterEndsWithTheFixedTail)
{
    SetupBoard("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(FenOf(MainBoard), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 ; ");
    SetupBoard("4k3/8/8/8/8/8/8/4K3 b - - 0 1");
    EXPECT_EQ(FenOf(MainBoard), "4k3/8/8/8/8/8/8/4K3 b - - 0 ; ");
}

TEST(Fen, ReadsKingsSideAndRights)
{
    SetupBoard("8/8/8/8/8/8/8/K6k w - -");
    EXPECT_EQ(MainBoard.WhiteKing, M("a1"));
    EXPECT_EQ(MainBoard.BlackKing, M("h1"));
    EXPECT_EQ(MainBoard.AllPieces, M("a1") | M("h1"));
    EXPECT_EQ(MainBoard.SideToMove, 0);
    EXPECT_EQ(MainBoard.CastleFlags, 0);
    SetupBoard("4k3/8/8/8/8/8/8/4K3 W KQkq -");
    EXPECT_EQ(MainBoard.SideToMove, 0);
    EXPECT_EQ(MainBoard.CastleFlags, 15);
    SetupBoard("4k3/8/8/8/8/8/8/4K3 b Kq -");
    EXPECT_EQ(MainBoard.SideToMove, 1);
    EXPECT_EQ(MainBoard.CastleFlags, 9);
    SetupBoard("4k3/8/8/8/8/8/8/4K3 b Kxq -");  // other letters are skipped
    EXPECT_EQ(MainBoard.CastleFlags, 9);
    SetupBoard("4k3/8/8/8/8/8/8/4K3 w -K -");  // a leading dash means no rights
    EXPECT_EQ(MainBoard.CastleFlags, 0);
}

TEST(Fen, ReadingKeepsTheRestOfTheRecord)
{
    MainBoard.FiftyMoveCount = 42;
    MainBoard.MaxDepth = 17;
    MainBoard.WhitePawnCount = 3;
    MainBoard.BlackPieceTotal = 5;
    MainBoard.PawnHashCode = 99;
    MainBoard.SavedFiftyMoveCount = 8;
    SetupBoard("4k3/8/8/8/8/8/4P3/4K3 b - - 12 40");
    EXPECT_EQ(MainBoard.FiftyMoveCount, 42);
    EXPECT_EQ(MainBoard.MaxDepth, 17);
    EXPECT_EQ(MainBoard.WhitePawnCount, 3);
    EXPECT_EQ(MainBoard.BlackPieceTotal, 5);
    EXPECT_EQ(MainBoard.PawnHashCode, 99u);
    EXPECT_EQ(MainBoard.SavedFiftyMoveCount, 8);
    MainBoard.MaxDepth = 56;
}

TEST(Fen, EnPassantFieldBecomesTheLastMove)
{
    SetupBoard("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    EXPECT_EQ(MainBoard.LastFrom, M("e2"));
    EXPECT_EQ(MainBoard.LastTo, M("e4"));
    SetupBoard("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    EXPECT_EQ(MainBoard.LastFrom, M("d7"));
    EXPECT_EQ(MainBoard.LastTo, M("d5"));
    SetupBoard("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(MainBoard.LastFrom | MainBoard.LastTo, 0u);
    SetupBoard("4k3/8/8/4P3/8/8/8/4K3 w - d6 0 1");  // no pawn beyond the square
    EXPECT_EQ(MainBoard.LastFrom | MainBoard.LastTo, 0u);
    SetupBoard("4k3/8/8/3pP3/8/8/8/4K3 w - d4 0 1");  // not a double-step square
    EXPECT_EQ(MainBoard.LastFrom | MainBoard.LastTo, 0u);
    SetupBoard("4k3/8/8/3pP3/8/8/8/4K3 w - z6 0 1");
    EXPECT_EQ(MainBoard.LastFrom | MainBoard.LastTo, 0u);
    SetupBoard("4k3/8/8/3pP3/8/8/8/4K3 w KQ d6");
    EXPECT_EQ(MainBoard.LastTo, M("d5"));
    SetupBoard("4k3/8/8/3pP3/8/8/8/4K3 w KQ d");
    EXPECT_EQ(MainBoard.LastFrom | MainBoard.LastTo, 0u);
}

TEST(Fen, MissingFieldsMeanWhiteAndNoRights)
{
    const char* texts[] = {"4k3/8/8/8/8/8/8/4K3", "4k3/8/8/8/8/8/8/4K3 ", "4k3/8/8/8/8/8/8/4K3 w",
                           "4k3/8/8/8/8/8/8/4K3 w ", "4k3/8/8/8/8/8/8/4K3 w -"};
    for (const char* t : texts) {
        MainBoard.SideToMove = 1;
        MainBoard.CastleFlags = 15;
        MainBoard.LastTo = 1;
        SetupBoard(t);
        EXPECT_EQ(MainBoard.SideToMove, 0) << t;
        EXPECT_EQ(MainBoard.CastleFlags, 0) << t;
        EXPECT_EQ(MainBoard.LastTo, 0u) << t;
        EXPECT_EQ(MainBoard.AllPieces, M("e1") | M("e8")) << t;
    }
    SetupBoard("4k3/8/8/8/8/8/8/4K3 b");
    EXPECT_EQ(MainBoard.SideToMove, 1);
}

TEST(Fen, EmptyPlacement)
{
    SetupBoard("");
    EXPECT_EQ(MainBoard.AllPieces, 0u);
    EXPECT_EQ(MainBoard.SideToMove, 0);
    SetupBoard(" b KQ -");
    EXPECT_EQ(MainBoard.AllPieces, 0u);
    EXPECT_EQ(MainBoard.SideToMove, 1);
    EXPECT_EQ(MainBoard.CastleFlags, 3);
}

// Malformed placements: the piece boards stay disjoint and on their ranks, and the fields
// after the piece boards keep their values (nothing is written past the board).
TEST(Fen, MalformedPlacementsStayOnTheBoard)
{
    struct Case {
        const char* text;
        u64 expected;  // AllPieces afterwards
    };
    const Case cases[] = {
        {"9/8/8/8/8/8/8/8 w - -", 0},                                // "9" takes one square, no piece
        {"p9p/8/8/8/8/8/8/8 w - -", M("a8") | M("c8")},
        {"pppppppppp/8/8/8/8/8/8/8 w - -", 0xFF00000000000000ULL},   // ten pawns on one rank
        {"7pp/8/8/8/8/8/8/8 w - -", M("h8")},                        // the ninth square falls off
        {"44p/8/8/8/8/8/8/8 w - -", 0},                              // "44" reads as 44, then 4
        {"12p/8/8/8/8/8/8/8 w - -", 0},
        {"8/8/8/8/8/8/8/8/8/8/8/8/KKKKk/p w - -", 0},               // ranks past rank 1
        {"8/8/8/8/8/8/8/7P/P w - -", M("h1")},
        {"/////////////////////////////////////////////////////////////////////////PPP w", 0},
        {"99999999999999999999999999p w - -", 0},
        {"0p w - -", M("b8")},                                      // "0" takes one square
        {"k7/8/8/8/8/8/8/8", M("a8")},
    };
    for (const Case& c : cases) {
        MainBoard.MaxDepth = 56;
        MainBoard.SavedPieceBoards[0] = 0x1234;
        MainBoard.SavedWhitePieces = 0x5678;
        SetupBoard(c.text);
        const auto p = ref::Pieces(MainBoard);
        u64 all = 0;
        for (u64 x : p) {
            EXPECT_EQ(all & x, 0u) << c.text;
            all |= x;
        }
        EXPECT_EQ(MainBoard.AllPieces, all) << c.text;
        EXPECT_EQ(MainBoard.AllPieces, c.expected) << c.text;
        EXPECT_EQ(MainBoard.MaxDepth, 56) << c.text;
        EXPECT_EQ(MainBoard.SavedPieceBoards[0], 0x1234u) << c.text;
        EXPECT_EQ(MainBoard.SavedWhitePieces, 0x5678u) << c.text;
    }
}

TEST(Fen, OverLongTextIsReadToItsEnd)
{
    std::string text = "4k3/8/8/8/8/8/8/4K3 b ";
    text += std::string(100000, 'K');
    SetupBoard(text.c_str());
    EXPECT_EQ(MainBoard.CastleFlags, 1);
    EXPECT_EQ(MainBoard.SideToMove, 1);
    std::string placement(200000, 'p');
    SetupBoard(placement.c_str());
    EXPECT_EQ(MainBoard.BlackPawns, 0xFF00000000000000ULL);
    std::string digits(200000, '8');
    SetupBoard(digits.c_str());
    EXPECT_EQ(MainBoard.AllPieces, 0u);
}

TEST(Fen, CastleRightsWritesTheStandardField)
{
    EXPECT_EQ(Castle(15), "KQkq");
    EXPECT_EQ(Castle(0), "-");
    EXPECT_EQ(Castle(3), "KQ");
    EXPECT_EQ(Castle(12), "kq");
    EXPECT_EQ(Castle(5), "Kk");
    EXPECT_EQ(Castle(9), "Kq");
    EXPECT_EQ(Castle(6), "Qk");
    // Every value reads back as itself.
    for (int flags = 0; flags < 16; flags++) {
        const std::string fen = "r3k2r/8/8/8/8/8/8/R3K2R w " + Castle(flags) + " - 0 1";
        SetupBoard(fen.c_str());
        EXPECT_EQ(MainBoard.CastleFlags, flags) << fen;
    }
}

TEST(Fen, DecodePieceNamesEveryPiece)
{
    SetupBoard("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    const char* rank1 = "RNBQKBNR";
    const char* rank8 = "rnbqkbnr";
    for (int f = 0; f < 8; f++) {
        EXPECT_EQ(DecodePiece(ref::Bit(f), MainBoard), rank1[f]);
        EXPECT_EQ(DecodePiece(ref::Bit(56 + f), MainBoard), rank8[f]);
        EXPECT_EQ(DecodePiece(ref::Bit(8 + f), MainBoard), 'P');
        EXPECT_EQ(DecodePiece(ref::Bit(48 + f), MainBoard), 'p');
    }
}

TEST(Fen, Pos2fenPrintsTheLineWithItsNumber)
{
    SetupBoard("4k3/8/8/8/8/8/8/4K3 b - - 0 1");
    EXPECT_EQ(CaptureStdout([] { pos2fen(MainBoard, 7); }), "4k3/8/8/8/8/8/8/4K3 b - - 0 ; 7 \n");
}

// A temporary file that is removed when the test ends.
class TempFile {
public:
    explicit TempFile(const std::string& content)
    {
        char name[] = "/tmp/vorn_fen_XXXXXX";
        const int fd = mkstemp(name);
        path_ = name;
        if (fd >= 0) {
            if (!content.empty() && write(fd, content.data(), content.size()) < 0) path_.clear();
            close(fd);
        }
    }
    ~TempFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string Rank(const std::string& output, char digit)
{
    const size_t at = output.find(std::string("\n") + digit + "  ");
    return at == std::string::npos ? "" : output.substr(at + 1, 21);
}

TEST(LoadPositionFile, LoadsTheFirstLine)
{
    TempFile file("8/8/8/8/8/8/8/K6k w - -\nrnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -\n");
    const RunResult r = RunVorn({"-lpf", file.path()}, "hello\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(Rank(r.output, '1'), "1  K - - - - - - k  1");
    EXPECT_EQ(Rank(r.output, '8'), "8  - - - - - - - -  8");
}

TEST(LoadPositionFile, MissingFileEndsTheProgram)
{
    const RunResult r = RunVorn({"-lpf", "/nonexistent/vorn/position.fen"}, "hello\n");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.output, "Vorn \nERROR: opening file /nonexistent/vorn/position.fen\n");
}

TEST(LoadPositionFile, EmptyFileEndsTheProgram)
{
    TempFile file("");
    const RunResult r = RunVorn({"-lpf", file.path()}, "hello\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.output, "Vorn \nEmpty file\n");
}

TEST(LoadPositionFile, OverLongLineIsCut)
{
    TempFile file("8/8/8/8/8/8/8/K6k w " + std::string(5000, 'K') + "\n");
    const RunResult r = RunVorn({"-lpf", file.path()}, "hello\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(Rank(r.output, '1'), "1  K - - - - - - k  1");
}

}  // namespace
