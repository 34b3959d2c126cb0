#pragma once
// Memory for the large tables that the search reads at random.

#include <cstddef>

// Maps zeroed memory of at least bytes, aligned to 2 MiB and marked for transparent huge
// pages, so that reads scattered over a table seldom miss the TLB; nullptr when the system
// refuses. The memory is kept until the program ends.
void *MapLargeTable(std::size_t bytes);

// Returns a table mapped by MapLargeTable of the same size to the system.
void UnmapLargeTable(void *table, std::size_t bytes);
