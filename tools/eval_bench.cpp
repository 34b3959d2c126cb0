// Evaluations per second on the six benchmark positions, with the pawn hash warm and with
// every structure recomputed. Not a test: it prints figures only.

#include <chrono>
#include <cstdio>

#include "board/setup.h"
#include "eval/poseval.h"
#include "shell/bench.h"
#include "shell/startup.h"

int main()
{
    InitEngine();
    ChessBoard boards[6];
    for (int i = 0; i < 6; i++) {
        SetupBoard(BENCH_POSITIONS[i]);
        boards[i] = MainBoard;
        boards[i].RecountAll();
        boards[i].CheckDraw(0);
    }
    constexpr int rounds = 500000;
    for (int pass = 0; pass < 2; pass++) {
        const bool hashed = pass == 0;
        PE.ClearPawnHash();
        long long sum = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int n = 0; n < rounds; n++) {
            ChessBoard &b = boards[n % 6];
            // A new key each time misses the table and recomputes the structure.
            if (!hashed) b.PawnHashCode = static_cast<u32>(n) * 2654435761u;
            sum += PE.PosEval(b.SideToMove, -110000, 110000, &b, 0);
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s: %d evaluations in %.3f s = %.0f per second (checksum %lld, misses %d)\n",
                    hashed ? "pawn hash" : "no pawn hash", rounds, seconds, rounds / seconds, sum,
                    PE.PawnMisses);
        PE.PawnMisses = 0;
    }
    return 0;
}
