// Counts heap allocations made through operator new, for tests of paths that promise to allocate
// nothing. The unit test program replaces the global operator new to keep the count.
#pragma once

#include <cstdint>

namespace erm::testing {

// Allocations since the program started, on every thread.
uint64_t AllocationCount();

}  // namespace erm::testing
