// Program entry: start-up, the command line, the first line of input, then a diagnostic mode,
// the UCI loop or the console and xboard game.

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "core/status.h"
#include "movegen/perft.h"
#include "shell/bench.h"
#include "shell/epdsuite.h"
#include "shell/gameloop.h"
#include "shell/startup.h"
#include "shell/uci.h"
#include "shell/xboard.h"

int main(int argc, char **argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::signal(SIGINT, SIG_IGN);
    // 1. The banner, then the options: a person at a terminal sees who answers before anything
    // the options print.
    Status &st = MainStatus;
    if (isatty(0)) std::printf("Vorn \n");
    InitEngine();
    ParseCommandLine(argc, argv);
    KeepStartingClock();

    // 2. The first line chooses the dialect, unless the command line did. The greeting goes to
    // a person: at once at a terminal, else once the first word has shown that no interface is
    // speaking (an interface hears nothing but its protocol). At a terminal the console greets
    // at once and the first line is the person's: it may still name a dialect.
    const bool diagnostic = st.PERFT || st.BenchMode || st.SATrain;
    const bool terminal = isatty(0);
    if (diagnostic && !terminal) std::printf("Vorn \n");
    std::string first;
    const bool console = !diagnostic && !st.UCIMode && !st.xboard;
    if (console && terminal) {
        st.Terminal = 1;
        Interpreter.DialectLine = 1;
    } else if (console) {
        first = ReadFirstWord();
        if (!st.UCIMode && !st.xboard) std::printf("Vorn \n");
    }

    // 3. Diagnostic modes end the program.
    if (st.PERFT == 1) {
        PerfT perft(st.FD);
        return 0;
    }
    if (st.DoTestSuite || st.MimicMode == 1 || st.PEV) {
        if (!st.DoTestSuite && st.MimicMode == 1) std::printf("## Mimic == STUDENT\n");
        ParseEPDSuite(TestSuiteFile());
        return 0;
    }
    if (st.SATrain == 1 || st.BenchMode == BENCH_SIX || st.BenchMode == BENCH_WORD) {
        Bench(st.BenchMode == BENCH_WORD);
        return 0;
    }
    if (st.BenchMode == BENCH_TWO_WAYS) {
        Bench2();
        return 0;
    }

    // 4. UCI answers from the first word on, until "quit" or the end of input.
    if (st.UCIMode) UCI.Loop(first);

    // 5. The console greets the person; then the game, until "quit" or the end of input. A
    // person at a terminal may still ask for UCI on the first line.
    if (!st.xboard) ConsoleGreeting();
    PlayGame();
    if (st.UCIMode) UCI.Loop("uci");
    if (!st.xboard) std::printf("Bye, Thanks for the match.\n");
    return 0;
}
