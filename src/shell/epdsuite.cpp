#include "shell/epdsuite.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/setup.h"
#include "core/status.h"
#include "movegen/legal.h"
#include "search/search.h"
#include "shell/reports.h"

namespace {

// Longest line kept of a suite file; the rest of a longer line is skipped.
constexpr int SUITE_LINE_MAX = 1024;
// The depth of each search without -fd.
constexpr i32 SUITE_DEPTH = 3;

// Reads one line of the file into buf without its line end, cut to the buffer. Returns false at
// the end of the file.
bool ReadSuiteLine(std::FILE *f, char *buf, int size)
{
    int n = 0, c = std::fgetc(f);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::fgetc(f))
        if (n < size - 1) buf[n++] = static_cast<char>(c);
    if (n > 0 && buf[n - 1] == '\r') n--;
    buf[n] = '\0';
    return true;
}

bool IsBlankLine(const char *s)
{
    for (; *s; s++)
        if (*s != ' ' && *s != '\t') return false;
    return true;
}

} // namespace

void ParseEPDSuite(const char *fileName)
{
    Status &st = MainStatus;
    // 1-3. The file, and what is about to happen.
    std::FILE *f = fileName && *fileName ? std::fopen(fileName, "r") : nullptr;
    if (!f) {
        std::printf("ERROR: opening file %s\n", fileName ? fileName : "");
        std::fflush(stdout);
        std::exit(1);
    }
    std::printf("## file opened %s\n", fileName);
    std::printf("## Entering ParseEPDSuite and Opened data file\n");
    std::fflush(stdout);
    if (st.MimicMode == 1) std::printf("In ParseEPDSuite and Mimic == STUDENT \n");

    // 4. Each position in turn; blank lines are skipped.
    char line[SUITE_LINE_MAX];
    int positions = 0;
    while (ReadSuiteLine(f, line, sizeof line)) {
        if (IsBlankLine(line)) continue;
        SetupBoard(line);
        MainBoard.RecountAll();
        MainBoard.FiftyMoveCount = 0;
        // A line that gives no playable position is reported and not searched.
        if (!PositionIsSound(MainBoard)) {
            std::printf("ERROR: illegal position %s\n", line);
            positions++;
            continue;
        }
        if (st.MimicMode == 0) ShowBoard(MainBoard);
        if (st.DoTestSuite) {
            std::printf("%s\n", line);
            SearchLimits limits;
            limits.FixedDepth = true;
            limits.Depth = st.FD > 0 ? st.FD : SUITE_DEPTH;
            limits.GamePly = st.GamePly;
            limits.UseBook = st.UseBook == 1;
            limits.Trace = st.Trace == 1;
            ChessBoard copy = MainBoard;
            u64 from = 0, to = 0;
            char promotion = NOPROMOTION;
            const int v = MainSearch.ProgressiveDeepening(copy, limits, &from, &to, &promotion);
            char text[MOVESTRING_MAX] = " 0000 \n";
            if (from && to)
                fillmovestring(text, v, static_cast<char>(LowestSquare(from)),
                               static_cast<char>(LowestSquare(to)), promotion, limits.Depth);
            // The depth is written in decimal digits.
            std::printf("%d %d   %s", limits.Depth, v, text);
            std::fflush(stdout);
        }
        if (st.MimicMode == 1) MainBoard.InitPieceCounts();
        if (st.PEV) MainBoard.InitPieceCounts();
        positions++;
    }

    // 5.
    std::fclose(f);
    std::printf("%d\n", positions);
    std::fflush(stdout);
}
