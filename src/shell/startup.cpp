#include "shell/startup.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/board.h"
#include "board/hashcode.h"
#include "board/setup.h"
#include "book/book.h"
#include "core/platform.h"
#include "core/status.h"
#include "search/search.h"
#include "search/hashtab.h"
#include "search/threads.h"
#include "shell/interpreter.h"
#include "shell/reports.h"

const char *const kHelpText = "xboard   used when interfacing with xboard\n"
                              "-uci   used when interfacing with an UCI based GUI\n"
                              "-bench  run an internal benchmark suite\n"
                              "-fd  n    fixes search depth to n ply (min n = 3)\n"
                              "-lpf filename  loads a position from file\n"
                              "-pev  filename - run through a testsuite (EPD Format) & output full "
                              "evaluation detail per position\n"
                              "-sd  n   sets max search depth to n ply (min n = 3)\n"
                              "-sp  self play\n"
                              "-ts  filename run through a testsuite (EPD Format)\n";

namespace {

char testSuiteFile[1024] = "";
char firstWord[FIRST_WORD_MAX] = "";

// Leading decimal number of an option value (0 when it has no digits or is missing), held to the
// range of an int so that no later product can overflow unnoticed.
int OptionNumber(const char *v)
{
    if (!v) return 0;
    const long n = std::strtol(v, nullptr, 10);
    if (n > INT_MAX) return INT_MAX;
    if (n < INT_MIN) return INT_MIN;
    return static_cast<int>(n);
}

// n * unit, held to the range of an i32.
i32 Saturated(int n, i64 unit)
{
    const i64 v = static_cast<i64>(n) * unit;
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<i32>(v);
}

// Copies a file name, cut to the buffer.
void SetTestSuiteFile(const char *name)
{
    std::snprintf(testSuiteFile, sizeof testSuiteFile, "%s", name ? name : "");
}

} // namespace

void InitEngine()
{
    static bool done = false;
    if (done) return;
    done = true;
    InitAttackTables();
    MainStatus.initVars();
    MainStatus.xboard = 0;
    MainStatus.UCIMode = 0;
    MainBoard.InitRep();
    initPStable();
    buildbook();
    MainBoard.InitRep();
    MainStatus.initVars();
    Search.Output = &ShellOutput;
    Search.Pool = &SearchThreads;
}

void ResizeHash(long long megabytes)
{
    TranspositionTables &t = PositionCache;
    const u64 before = t.Megabytes();
    if (megabytes < 1) megabytes = 1;
    if (!t.Resize(static_cast<u64>(megabytes))) {
        std::printf("%scannot allocate %lld MB for the hash table; keeping %llu MB\n",
                    MainStatus.UCIMode ? "info string " : "# ", megabytes,
                    static_cast<unsigned long long>(before));
        std::fflush(stdout);
        return;
    }
    if (MainStatus.UCIMode || MainStatus.xboard) t.PrepareInBackground();
}

void NewGame()
{
    Search.NewGame();
    SearchThreads.NewGame(false);
    MainBoard.InitRep();
    MainStatus.initVars();
    MainBoard.FiftyMoveCount = 0;
    MainBoard.RecountAll();
    Interpreter.ResetGameHistory();
}

const char *TestSuiteFile()
{
    return testSuiteFile;
}
const char *FirstWord()
{
    return firstWord;
}

void ParseCommandLine(int argc, char **argv)
{
    Status &st = MainStatus;
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        // Options that take a value move on to it; the later tests then look at the value.
        auto takeValue = [&]() -> const char * {
            if (i + 1 < argc) {
                arg = argv[++i];
                return arg;
            }
            arg = "";
            return nullptr;
        };
        auto is = [&](const char *opt) { return std::strcmp(arg, opt) == 0; };
        auto has = [&](const char *opt) { return std::strstr(arg, opt) != nullptr; };

        if (is("-satrain")) st.SATrain = 1;
        if (is("-bench")) st.BenchMode = 1;
        if (is("-bench2")) st.BenchMode = 2;
        if (is("-bench3")) st.BenchMode = 3;
        if (is("-bench4")) st.BenchMode = 4;
        if (is("-bench5")) st.BenchMode = 5;
        if (is("-fd")) {
            const int n = OptionNumber(takeValue());
            st.FD = static_cast<char>(n);
            MainBoard.MaxDepth = n;
            MainBoard.FixedDepth = n;
        }
        if (is("-help") || is("-h")) {
            std::fputs(kHelpText, stdout);
            std::fflush(stdout);
            std::exit(0);
        }
        if (has("-HPC")) {
        }
        if (has("-kibitz")) st.Kibitz = 1;
        if (has("-lpf")) {
            const char *file = takeValue();
            if (file) LoadPositionFile(file);
        }
        if (is("-mt")) takeValue();
        if (has("-nobook")) st.UseBook = 0;
        if (is("-perft")) st.PERFT = 1;
        if (is("-mimicstudent")) {
            std::printf("## Mimic Student option detected \n");
            std::fflush(stdout);
            st.MimicMode = 1;
            SetTestSuiteFile(takeValue());
        }
        if (is("-pev")) {
            st.PEV = 1;
            SetTestSuiteFile(takeValue());
        }
        if (has("-post")) st.Post = 1;
        if (has("-sd")) MainBoard.MaxDepth = OptionNumber(takeValue());
        if (has("-sp")) st.SelfPlay = 1;
        if (has("-trace")) st.Trace = 1;
        if (has("-st")) {
            // Seconds per move.
            const int n = OptionNumber(takeValue());
            st.TimePerMove = Saturated(n, 900);
            st.TimeLeft = Saturated(n, 60000);
            st.ST = Saturated(n, 1000);
        }
        if (has("-tc")) takeValue();
        if (has("-ts")) {
            st.DoTestSuite = 1;
            SetTestSuiteFile(takeValue());
        }
        if (has("xboard")) st.setxboard(1);
        if (has("-uci")) st.UCIMode = 1;
    }
}

void ReadFirstWord()
{
    if (ReadWord(firstWord, sizeof firstWord) >= 0) ReadChar();
    if (std::strstr(firstWord, "uci")) MainStatus.UCIMode = 1;
    if (std::strstr(firstWord, "xboard")) MainStatus.xboard = 1;
    // An interface is answered at once; the table's pages come in meanwhile.
    if (MainStatus.UCIMode || MainStatus.xboard) PositionCache.PrepareInBackground();
}

void ConsoleGreeting()
{
    std::printf("\nHello! I am Vorn.\n");
    std::printf("MAXDEPTH = %d\n", MainBoard.MaxDepth);
    ShowBoard(MainBoard);
}
