#include "shell/startup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/board.h"
#include "board/hashcode.h"
#include "board/movehistory.h"
#include "board/setup.h"
#include "book/book.h"
#include "book/polyglot.h"
#include "core/status.h"
#include "search/hashtab.h"
#include "search/search.h"
#include "search/threads.h"
#include "shell/input.h"
#include "shell/reports.h"
#include "shell/text.h"
#include "shell/xboard.h"

const char *const HELP_TEXT = "xboard   used when interfacing with xboard\n"
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

// The deepest fixed depth -fd may ask for.
constexpr int MAX_FIXED_DEPTH = MAXDEPTH;
// The longest first word kept.
constexpr int FIRST_WORD_MAX = 256;

char testSuiteFile[1024] = "";

// The time control of the command line (-st): what a new console game starts with.
struct StartingClock {
    i32 ST = 0, TimeLeft = 0, TimeInc = 0, MovesPerSession = 0;
} startingClock;

// Leading decimal number of an option value (0 when it has no digits or is missing), held to the
// range of an i32 so that no later product can overflow unnoticed.
i32 OptionNumber(const char *v)
{
    return v ? NumberOf(v) : 0;
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
    initPStable();
    buildbook();
    MainBoard.InitRep();
    MainStatus.initVars();
    MainSearch.Output = &ShellOutput;
    MainSearch.Pool = &SearchThreads;
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
    MainSearch.NewGame();
    SearchThreads.NewGame(false);
    MainBoard.InitRep();
    MainStatus.initVars();
    MainBoard.FiftyMoveCount = 0;
    MainBoard.RecountAll();
    StartGameHistory();
    // Moves of the last game cannot be taken back into the new one.
    Interpreter.Record.Clear();
    Interpreter.Record.SetUp = false;
}

void StartGameHistory()
{
    MainHistory.Init();
    RecordGamePosition(MainBoard, MainHistory);
}

const char *TestSuiteFile()
{
    return testSuiteFile;
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
        if (is("-bench")) st.BenchMode = BENCH_SIX;
        if (is("-bench2")) st.BenchMode = BENCH_TWO_WAYS;
        if (is("bench")) st.BenchMode = BENCH_WORD;
        if (is("-fd")) {
            const i32 n = OptionNumber(takeValue());
            st.FD = n < 0 ? 0 : (n > MAX_FIXED_DEPTH ? MAX_FIXED_DEPTH : n);
            st.DepthLimit = n;
        }
        if (is("-help") || is("-h")) {
            std::fputs(HELP_TEXT, stdout);
            std::fflush(stdout);
            std::exit(0);
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
        if (has("-sd")) st.DepthLimit = OptionNumber(takeValue());
        if (has("-sp")) st.SelfPlay = 1;
        if (has("-trace")) st.Trace = 1;
        if (has("-st")) {
            // Seconds per move.
            const i32 n = OptionNumber(takeValue());
            st.TimeLeft = Clamp32(static_cast<i64>(n) * 60000);
            st.ST = Clamp32(static_cast<i64>(n) * 1000);
        }
        if (has("-tc")) takeValue();
        if (has("-ts")) {
            st.DoTestSuite = 1;
            SetTestSuiteFile(takeValue());
        }
        if (has("xboard")) st.xboard = 1;
        if (has("-uci")) st.UCIMode = 1;
    }
}

std::string ReadFirstWord()
{
    std::string line;
    char word[FIRST_WORD_MAX] = "";
    if (Input.NextLine(&line)) FirstWordOf(line.c_str(), word, sizeof word);
    if (std::strstr(word, "uci")) MainStatus.UCIMode = 1;
    if (std::strstr(word, "xboard")) MainStatus.xboard = 1;
    // An interface is answered at once; the table's pages come in meanwhile.
    if (MainStatus.UCIMode || MainStatus.xboard) PositionCache.PrepareInBackground();
    return word;
}

void OpenBookFile(const char *path)
{
    const Status &st = MainStatus;
    const char *prefix = st.UCIMode ? "info string " : (st.xboard ? "# " : "");
    const char *why = BookFile.Open(path);
    if (why)
        std::printf("%sbook file %s %s; no book file\n", prefix, path, why);
    else if (BookFile.Loaded())
        std::printf("%sbook file %s: %llu entries\n", prefix, path,
                    static_cast<unsigned long long>(BookFile.Entries()));
    else
        std::printf("%sno book file\n", prefix);
    std::fflush(stdout);
}

void KeepStartingClock()
{
    const Status &st = MainStatus;
    startingClock = {st.ST, st.TimeLeft, st.TimeInc, st.MovesPerSession};
}

void RestoreStartingClock()
{
    Status &st = MainStatus;
    st.ST = startingClock.ST;
    st.TimeLeft = startingClock.TimeLeft;
    st.TimeInc = startingClock.TimeInc;
    st.MovesPerSession = startingClock.MovesPerSession;
}

void ConsoleGreeting()
{
    std::printf("\nHello! I am Vorn.\n");
    std::printf("MAXDEPTH = %d\n", MainStatus.DepthLimit);
    ShowBoard(MainBoard);
}
