#pragma once
// The built-in benchmarks: fixed positions searched cold, with node counts and speeds.

// Searches the six benchmark positions with the iterative-deepening driver and reports.
void Bench();
// Searches position 5 with the driver, then with one fixed-depth root search, and reports each.
void Bench2();

// The benchmark positions.
extern const char *const BENCH_POSITIONS[6];
