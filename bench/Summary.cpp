#include "bench/Summary.h"

#include <algorithm>
#include <cmath>

namespace bench {

namespace {

// The nearest-rank percentile of sorted values.
double percentileUs(const std::vector<std::int64_t>& sorted, double fraction)
{
    const auto rank =
        static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
    const std::size_t index = rank == 0 ? 0 : rank - 1;
    return static_cast<double>(sorted[std::min(index, sorted.size() - 1)]) / 1000.0;
}

}  // namespace

Summary summarize(std::vector<std::int64_t>& ns)
{
    Summary s;
    s.count = ns.size();
    if (ns.empty()) {
        return s;
    }
    std::sort(ns.begin(), ns.end());
    s.p50 = percentileUs(ns, 0.50);
    s.p99 = percentileUs(ns, 0.99);
    s.p999 = percentileUs(ns, 0.999);
    s.max = static_cast<double>(ns.back()) / 1000.0;
    return s;
}

}  // namespace bench
