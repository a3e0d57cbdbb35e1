#pragma once

#include <string>
#include <utility>
#include <vector>

#include "net/TargetControls.h"

namespace bench {

// The target controls as plain data: what the window's fields would hold.
class BenchTargets final : public net::TargetControls {
public:
    explicit BenchTargets(std::string typed, std::vector<std::string> list = {}, bool toAll = false)
        : typed_(std::move(typed)), list_(std::move(list)), toAll_(toAll)
    {
    }

    [[nodiscard]] std::string typedTarget() const override { return typed_; }
    [[nodiscard]] bool toAllOfList() const override { return toAll_; }
    [[nodiscard]] std::size_t listCount() const override { return list_.size(); }
    [[nodiscard]] std::string listItem(std::size_t index) const override { return list_[index]; }
    void appendToList(const std::string& target) override { list_.push_back(target); }

private:
    std::string typed_;
    std::vector<std::string> list_;
    bool toAll_{false};
};

}  // namespace bench
