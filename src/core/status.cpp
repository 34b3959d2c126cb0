#include "core/status.h"

Status MainStatus;

void Status::initVars()
{
    HumanToMove = 1;
    PERFT = 0;
    BenchMode = BENCH_NONE;
    SATrain = 0;
    Post = 0;
    MimicMode = 0;
    DoTestSuite = 0;
    PEV = 0;
    SelfPlay = 0;
    GameInProgress = 1;
    Trace = 0;
    GamePly = 1;
    DepthLimit = DEFAULT_DEPTH_LIMIT;
    if (UCIMode != 1) {
        UseBook = 1;
        MovesPerSession = 0;
        FD = 0;
        ST = 0;
    }
}
