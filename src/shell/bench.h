#pragma once
// The built-in benchmarks: fixed positions searched cold, with node counts and speeds.

// Searches the six benchmark positions with the iterative-deepening driver and reports; with
// summary, a last line gives the nodes and the nodes per second as benchmark scripts read them.
void Bench(bool summary);
// Searches position 5 with the driver, then with one fixed-depth root search, and reports each.
void Bench2();

// The benchmark positions.
extern const char *const BENCH_POSITIONS[6];
