// Program entry: start-up, the command line, the first word and the outer loop.

#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "board/board.h"
#include "core/status.h"
#include "eval/poseval.h"
#include "movegen/perft.h"
#include "search/search.h"
#include "search/hashtab.h"
#include "shell/bench.h"
#include "shell/epdsuite.h"
#include "shell/gameloop.h"
#include "shell/startup.h"
#include "shell/uciprotocol.h"

int main(int argc, char **argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    InitEngine();
    ParseCommandLine(argc, argv);
    std::signal(SIGINT, SIG_IGN);

    // The greeting goes to a person: at once at a terminal, else once the first word has shown
    // that no interface is speaking (an interface hears nothing but its protocol).
    Status &st = MainStatus;
    const bool diagnostic = st.PERFT || st.BenchMode || st.SATrain;
    const bool person = !diagnostic && !st.UCIMode && !st.xboard && isatty(0);
    if (diagnostic || person) std::printf("Vorn \n");
    if (!diagnostic && !st.UCIMode && !st.xboard) ReadFirstWord();
    if (!diagnostic && !person && !st.UCIMode && !st.xboard) std::printf("Vorn \n");

    // Outer loop: entered after start-up and again whenever a restart is asked for.
    for (bool restart = false;; restart = true) {
        // Fresh tables for a restarted xboard session; at start-up they are fresh already, and
        // clearing them would keep the interface waiting for its features while their pages
        // are brought in.
        if (st.xboard == 1 && restart) {
            PE.ClearPawnHash();
            PositionCache.ClearTranspositionTables();
        }
        PE.PawnAttempts = 0;
        PE.PawnMisses = 0;
        Search.ClearHistory();

        // 3. Diagnostic modes end the program.
        if (st.PERFT == 1) {
            PerfT perft(st.FD);
            return 0;
        }
        if (st.DoTestSuite) {
            ParseEPDSuite(TestSuiteFile());
            return 0;
        }
        if (st.MimicMode == 1) {
            std::printf("## Mimic == STUDENT\n");
            ParseEPDSuite(TestSuiteFile());
            return 0;
        }
        if (st.PEV) {
            ParseEPDSuite(TestSuiteFile());
            return 0;
        }
        if (st.SATrain == 1) {
            st.BenchMode = 1;
            Bench();
            return 0;
        }
        if (st.BenchMode == 1) {
            Bench();
            return 0;
        }
        if (st.BenchMode == 2) {
            Bench2();
            return 0;
        }
        // 4-5. The console greets the person; then the game.
        if (st.xboard == 0 && st.UCIMode == 0) ConsoleGreeting();
        st.HumanToMove = 1;
        PlayGame();

        // Protocol step. 1. UCI: the UCI loop answers from the start-up word on; it comes back
        // only for a "ponderhit" with no search, which starts the outer loop again.
        if (st.UCIMode == 1) {
            UCI.UCIPrep(FirstWord());
            if (UCI.KeepRunning == 1) st.RestartGame = 1;
        }
        // 2. A restart runs the outer loop again.
        if (st.RestartGame == 1) continue;
        // 3. The end.
        if (!st.xboard) std::printf("Bye, Thanks for the match.\n");
        return 0;
    }
}
