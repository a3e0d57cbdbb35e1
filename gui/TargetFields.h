#pragma once

#include "net/TargetControls.h"

class QCheckBox;
class QComboBox;

namespace gui {

// The main window's target field, its list of remembered targets and the
// ToAllOfList check, as sending sees them. Texts cross the widget boundary
// in the locale's 8-bit encoding.
class TargetFields final : public net::TargetControls {
public:
    TargetFields(QComboBox* target, QCheckBox* toAll) : target_(target), toAll_(toAll) {}

    [[nodiscard]] std::string typedTarget() const override;
    [[nodiscard]] bool toAllOfList() const override;
    [[nodiscard]] std::size_t listCount() const override;
    [[nodiscard]] std::string listItem(std::size_t index) const override;
    void appendToList(const std::string& target) override;

private:
    QComboBox* target_ = nullptr;
    QCheckBox* toAll_ = nullptr;
};

}  // namespace gui
