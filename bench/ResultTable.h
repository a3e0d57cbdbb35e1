#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// One figure of the benchmark, beside the same work done with raw UDP.
struct ResultRow {
    std::string measure;
    std::string unit;
    std::optional<double> ours;
    std::optional<double> raw;  // nothing where raw UDP has no counterpart
    std::string goal;           // empty where there is none
    std::optional<bool> met;
    std::string note;
};

// The figures, printed as one Markdown table (ready for the README).
class ResultTable {
public:
    void add(ResultRow row);
    void print(std::FILE* out) const;

    [[nodiscard]] bool empty() const noexcept { return rows_.empty(); }

private:
    std::vector<ResultRow> rows_;
};

// A figure with as many decimals as its size deserves.
[[nodiscard]] std::string formatFigure(double value);

// The middle of the values (the upper middle of an even count); 0 for none.
[[nodiscard]] double median(std::vector<double> values);

}  // namespace bench
