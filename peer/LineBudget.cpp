#include "peer/LineBudget.h"

#include <charconv>

namespace peer {

namespace {

constexpr std::string_view kNoteStart = "(";
constexpr std::string_view kNoteEndOne = " line dropped)";
constexpr std::string_view kNoteEndMany = " lines dropped)";

}  // namespace

std::string groupedCount(std::uint64_t count)
{
    std::string digits = std::to_string(count);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    }
    return digits;
}

std::string droppedLinesNote(std::uint64_t count)
{
    return std::string(kNoteStart) + groupedCount(count) +
           std::string(count == 1 ? kNoteEndOne : kNoteEndMany);
}

std::optional<std::uint64_t> droppedLinesCount(std::string_view line)
{
    if (!line.starts_with(kNoteStart)) {
        return std::nullopt;
    }
    line.remove_prefix(kNoteStart.size());
    std::string digits;
    for (; !line.empty() && (line.front() == ',' || (line.front() >= '0' && line.front() <= '9'));
         line.remove_prefix(1)) {
        if (line.front() != ',') {
            digits += line.front();
        }
    }
    std::uint64_t count = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
    if (error != std::errc() || end != digits.data() + digits.size() || count == 0 ||
        line != (count == 1 ? kNoteEndOne : kNoteEndMany)) {
        return std::nullopt;
    }
    return count;
}

}  // namespace peer
