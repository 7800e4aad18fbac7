// Counts heap allocations made through operator new, for tests of paths that promise to allocate
// nothing, and the bytes they hold, for tests that bound what a large input may take. The unit
// test program replaces the global operator new to keep the counts.
#pragma once

#include <cstdint>

namespace erm::testing {

// Allocations since the program started, on every thread.
uint64_t AllocationCount();

// Bytes asked for through operator new and not yet given back, on every thread.
uint64_t LiveBytes();
// The most LiveBytes has been since the last ResetPeakLiveBytes (or the program's start).
uint64_t PeakLiveBytes();
void ResetPeakLiveBytes();

}  // namespace erm::testing
