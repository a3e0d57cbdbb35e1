#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace peer {

// Received text lines are kept within a budget, so that a host flooding the
// port with long lines cannot exhaust memory: the log keeps the newest lines
// within it, and lines still waiting for the front end's thread are held
// within it too. What does not fit is dropped, oldest first, and counted.
inline constexpr std::size_t kLineBudgetBytes = std::size_t{128} << 20;

// What one kept line costs against the budget: its text, and the offset
// that finds it.
[[nodiscard]] constexpr std::size_t lineCost(std::string_view line) noexcept
{
    return line.size() + sizeof(std::uint32_t);
}

// The line that stands for `count` lines dropped before they could be shown,
// "(12,345 lines dropped)". It cannot be taken for a received line, which
// always begins with the sender's address.
[[nodiscard]] std::string droppedLinesNote(std::uint64_t count);

// The count of a droppedLinesNote line; nothing for any other line.
[[nodiscard]] std::optional<std::uint64_t> droppedLinesCount(std::string_view line);

// `count` with its thousands grouped by commas: "12,345".
[[nodiscard]] std::string groupedCount(std::uint64_t count);

}  // namespace peer
