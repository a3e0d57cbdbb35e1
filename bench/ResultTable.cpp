#include "bench/ResultTable.h"

#include <algorithm>

#include <cmath>
#include <utility>

namespace bench {

std::string formatFigure(double value)
{
    char text[64] = {};
    const double magnitude = std::fabs(value);
    if (magnitude >= 1000.0) {
        // Thousands separated for readability: 52,000.
        const auto whole = static_cast<long long>(std::llround(value));
        std::string digits = std::to_string(whole < 0 ? -whole : whole);
        std::string grouped;
        for (std::size_t i = 0; i < digits.size(); ++i) {
            if (i != 0 && (digits.size() - i) % 3 == 0) {
                grouped += ',';
            }
            grouped += digits[i];
        }
        return whole < 0 ? "-" + grouped : grouped;
    }
    if (magnitude >= 100.0) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else if (magnitude >= 10.0) {
        std::snprintf(text, sizeof text, "%.1f", value);
    } else {
        std::snprintf(text, sizeof text, "%.2f", value);
    }
    return text;
}

void ResultTable::add(ResultRow row)
{
    rows_.push_back(std::move(row));
}

void ResultTable::print(std::FILE* out) const
{
    std::fprintf(out, "| Measure | Mirevo | raw UDP | Mirevo / raw | Goal | Met | Note |\n");
    std::fprintf(out, "| --- | ---: | ---: | ---: | --- | --- | --- |\n");
    for (const ResultRow& row : rows_) {
        const std::string unit = row.unit.empty() ? "" : " " + row.unit;
        const std::string ours = row.ours ? formatFigure(*row.ours) + unit : "—";
        const std::string raw = row.raw ? formatFigure(*row.raw) + unit : "—";
        std::string ratio = "—";
        if (row.ours && row.raw && *row.raw != 0.0) {
            char text[32] = {};
            std::snprintf(text, sizeof text, "%.2f×", *row.ours / *row.raw);
            ratio = text;
        }
        const char* met = !row.met ? "" : (*row.met ? "yes" : "**no**");
        std::fprintf(out, "| %s | %s | %s | %s | %s | %s | %s |\n", row.measure.c_str(),
                     ours.c_str(), raw.c_str(), ratio.c_str(),
                     row.goal.empty() ? "" : row.goal.c_str(), met, row.note.c_str());
    }
}

double median(std::vector<double> values)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace bench
