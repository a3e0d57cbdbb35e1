#pragma once

#include <cstdint>

#include "net/FailureReporter.h"

namespace bench {

// Counts the failures sending reports instead of showing them.
class CountingReporter final : public net::FailureReporter {
public:
    void report(net::Failure /*failure*/, std::string_view /*target*/) override { ++failures; }

    std::uint64_t failures{0};
};

}  // namespace bench
