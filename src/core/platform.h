#pragma once
// The platform layer: a millisecond wall clock.

#include "core/types.h"

// Milliseconds on a monotonic clock since the program started.
i32 ClockMs();
