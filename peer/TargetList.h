#pragma once

#include <string>
#include <utility>
#include <vector>

#include "net/TargetControls.h"

namespace peer {

// A fixed list of targets, every send going to all of them: the headless
// front end's targets, with no field to type into.
class TargetList final : public net::TargetControls {
public:
    explicit TargetList(std::vector<std::string> targets) : targets_(std::move(targets)) {}

    [[nodiscard]] std::string typedTarget() const override { return {}; }
    [[nodiscard]] bool toAllOfList() const override { return true; }
    [[nodiscard]] std::size_t listCount() const override { return targets_.size(); }
    [[nodiscard]] std::string listItem(std::size_t index) const override
    {
        return targets_.at(index);
    }
    // Nothing is typed, so nothing is ever appended.
    void appendToList(const std::string& /*target*/) override {}

private:
    std::vector<std::string> targets_;
};

}  // namespace peer
