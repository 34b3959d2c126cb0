// Evaluations per second on the six benchmark positions, with the pawn hash warm and with
// every structure recomputed. Not a test: it prints figures only.

#include <chrono>
#include <cstdio>

#include "eval/eval_fixture.h"
#include "shell/startup.h"

namespace {

const char* const kBench[6] = {
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 0",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - 0 0",
    "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - - 0 0",
    "r3r1k1/ppqb1ppp/8/4p1NQ/8/2P5/PP3PPP/R3R1K1 b - - 0 0",
    "2r2rk1/1bqnbpp1/1p1ppn1p/pP6/N1P1P3/P2B1N1P/1B2QPP1/R2R2K1 b - - 0 0",
    "r1bqk2r/pp2bppp/2p5/3pP3/P2Q1P2/2N1B3/1PP3PP/R4RK1 b kq - 0 0",
};

}  // namespace

int main()
{
    InitEngine();
    ChessBoard boards[6];
    for (int i = 0; i < 6; i++) boards[i] = EvalBoard(kBench[i]);
    constexpr int rounds = 500000;
    for (int pass = 0; pass < 2; pass++) {
        const bool hashed = pass == 0;
        ClearPawnHash();
        long long sum = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int n = 0; n < rounds; n++) {
            ChessBoard& b = boards[n % 6];
            // A new key each time misses the table and recomputes the structure.
            if (!hashed) b.PawnHashCode = static_cast<u32>(n) * 2654435761u;
            sum += PE.PosEval(b.SideToMove, -110000, 110000, &b, 0);
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s: %d evaluations in %.3f s = %.0f per second (checksum %lld, misses %d)\n",
                    hashed ? "pawn hash" : "no pawn hash", rounds, seconds, rounds / seconds, sum,
                    Phashmisses);
        Phashmisses = 0;
    }
    return 0;
}
