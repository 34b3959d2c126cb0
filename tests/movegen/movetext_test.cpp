// Move text: fillmovestring's squares, promotion suffixes and the appended root line.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "search/compmov.h"
#include "shell/humanmov.h"

namespace {

std::string Text(char from, char to, char promotion, int pv, int* length = nullptr)
{
    char buf[MOVESTRING_MAX];
    const int n = fillmovestring(buf, 0, from, to, promotion, pv);
    if (length) *length = n;
    return buf;
}

u16 Code(int from, int to) { return static_cast<u16>(from * 64 + to); }

// Sets the root line to the given moves after entry 0, with PVLength covering them.
class RootLine : public ::testing::Test {
protected:
    void TearDown() override
    {
        std::memset(Search.PVTable[0], 0, sizeof Search.PVTable[0]);
        Search.PVLength = 0;
    }
};

}  // namespace

TEST(FillMoveString, PlainMoveEndsWithASpaceAndANewline)
{
    int n = 0;
    EXPECT_EQ(Text(12, 28, NOPROMOTION, 0, &n), " e2e4 \n");
    EXPECT_EQ(n, 6);
    EXPECT_EQ(Text(0, 63, NOPROMOTION, 0), " a1h8 \n");
}

TEST(FillMoveString, PieceCodesGiveAPromotionLetterAndASemicolon)
{
    int n = 0;
    EXPECT_EQ(Text(52, 60, 4, 0, &n), " e7e8q;\n");
    EXPECT_EQ(n, 7);
    EXPECT_EQ(Text(52, 60, 1, 0), " e7e8n;\n");
    EXPECT_EQ(Text(52, 60, 2, 0), " e7e8b;\n");
    EXPECT_EQ(Text(52, 60, 3, 0), " e7e8r;\n");
    EXPECT_EQ(Text(12, 4, 7, 0), " e2e1n;\n");
    EXPECT_EQ(Text(12, 4, 8, 0), " e2e1b;\n");
    EXPECT_EQ(Text(12, 4, 9, 0), " e2e1r;\n");
    EXPECT_EQ(Text(12, 4, 10, 0), " e2e1q;\n");
    // Promotion letters leave the engine in lower case, whichever colour promotes.
    EXPECT_EQ(Text(52, 60, 'Q', 0), " e7e8q \n");
    EXPECT_EQ(Text(12, 4, 'q', 0), " e2e1q \n");
    EXPECT_EQ(Text(52, 60, 'N', 0), " e7e8n \n");
}

TEST(FillMoveString, SquaresOffTheBoardPrintAsQuestionMarks)
{
    EXPECT_EQ(Text(-1, 64, NOPROMOTION, 0), " ?0?0 \n");
    EXPECT_EQ(Text(static_cast<char>(-128), 127, NOPROMOTION, 0), " ?0?0 \n");
}

TEST_F(RootLine, AppendsTheLineFromEntryOneUntilItsEnd)
{
    Search.PVTable[0][0] = {Code(12, 28), 0};
    Search.PVTable[0][1] = {Code(52, 36), 0};
    Search.PVTable[0][2] = {Code(6, 21), 0};
    Search.PVTable[0][3] = {Code(57, 42), 0};
    Search.PVLength = 3;
    int n = 0;
    EXPECT_EQ(Text(12, 28, NOPROMOTION, 1, &n), " e2e4 e7e5 g1f3 \n");
    EXPECT_EQ(n, 16);
    // Without the flag the line is left out.
    EXPECT_EQ(Text(12, 28, NOPROMOTION, 0), " e2e4 \n");
}

TEST_F(RootLine, StopsAtAnEmptyEntry)
{
    Search.PVTable[0][1] = {Code(52, 36), 0};
    Search.PVTable[0][2] = {0, 0};
    Search.PVTable[0][3] = {Code(6, 21), 0};
    Search.PVLength = 4;
    EXPECT_EQ(Text(12, 28, NOPROMOTION, 1), " e2e4 e7e5 \n");
}

TEST_F(RootLine, LengthOfOneOrLessAddsNothing)
{
    Search.PVTable[0][1] = {Code(52, 36), 0};
    Search.PVLength = 1;
    EXPECT_EQ(Text(12, 28, NOPROMOTION, 1), " e2e4 \n");
    Search.PVLength = -5;
    EXPECT_EQ(Text(12, 28, NOPROMOTION, 1), " e2e4 \n");
}

TEST_F(RootLine, AFullRowWithAnOversizedLengthStaysInTheBuffer)
{
    for (int i = 0; i < MAXPLY; i++) Search.PVTable[0][i] = {Code(12, 28), 0};
    Search.PVTable[0][5] = {0xFFFF, 0};  // a code whose from-square is off the board
    Search.PVLength = 100000;
    int n = 0;
    const std::string s = Text(12, 28, NOPROMOTION, 1, &n);
    EXPECT_EQ(n, 6 + (MAXPLY - 1) * 5);
    EXPECT_EQ(s.size(), static_cast<size_t>(n) + 1);
    EXPECT_NE(s.find("e2e4 ?0h8 e2e4"), std::string::npos);
}
