#pragma once

#include <string>

namespace bench {

// What to run, from the command line.
struct BenchOptions {
    // Fewer messages and shorter floods: a check that everything runs, not
    // figures to quote.
    bool quick{false};
    // Run only the sections whose name contains this (empty: all).
    std::string only;
    // The directory holding mirevo and mirevo_startup_probe.
    std::string binDir;
};

}  // namespace bench
