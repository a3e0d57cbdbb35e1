#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzz {

// A broken promise of the code under test: report it and crash, so that
// libFuzzer keeps the input that broke it.
inline void check(bool holds, const char* promise)
{
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", promise);
        std::abort();
    }
}

}  // namespace fuzz
