#pragma once

#include <cstddef>
#include <string>

namespace net {

// The controls sending reads and writes: the typed target, the list of
// remembered targets and the "to all of the list" check. Texts are bytes in
// the locale's 8-bit encoding.
class TargetControls {
public:
    virtual ~TargetControls() = default;

    // The typed target, at most kMaxTargetBytes bytes (a longer text is cut).
    [[nodiscard]] virtual std::string typedTarget() const = 0;
    [[nodiscard]] virtual bool toAllOfList() const = 0;
    [[nodiscard]] virtual std::size_t listCount() const = 0;
    [[nodiscard]] virtual std::string listItem(std::size_t index) const = 0;
    virtual void appendToList(const std::string& target) = 0;
};

}  // namespace net
