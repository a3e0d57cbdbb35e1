#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "net/TargetControls.h"

namespace net {

// Where to send, as values: the controls copied at one moment, for a thread
// that may not read them, or a fixed list with no field to type into.
// Targets that sending remembers are appended here and kept in appended(),
// for the owner of the real controls to take over.
class TargetSnapshot final : public TargetControls {
public:
    TargetSnapshot() = default;
    TargetSnapshot(std::string typed, bool toAll, std::vector<std::string> list)
        : typed_(std::move(typed)), toAll_(toAll), list_(std::move(list))
    {
    }
    // Every send going to all of `list`.
    explicit TargetSnapshot(std::vector<std::string> list)
        : TargetSnapshot({}, true, std::move(list))
    {
    }
    [[nodiscard]] static TargetSnapshot of(const TargetControls& controls);

    [[nodiscard]] std::string typedTarget() const override { return typed_; }
    [[nodiscard]] bool toAllOfList() const override { return toAll_; }
    [[nodiscard]] std::size_t listCount() const override { return list_.size(); }
    [[nodiscard]] std::string listItem(std::size_t index) const override { return list_.at(index); }
    void appendToList(const std::string& target) override;

    [[nodiscard]] const std::vector<std::string>& appended() const noexcept { return appended_; }

private:
    std::string typed_;
    bool toAll_ = false;
    std::vector<std::string> list_;
    std::vector<std::string> appended_;
};

}  // namespace net
