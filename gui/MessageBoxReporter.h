#pragma once

#include "peer/Reporter.h"

class QWidget;

namespace gui {

class MessageBoxes;

// Shows failures as error boxes owned by a window.
class MessageBoxReporter final : public peer::Reporter {
public:
    MessageBoxReporter(MessageBoxes& boxes, QWidget* owner) : boxes_(boxes), owner_(owner) {}

    void report(net::Failure failure, std::string_view target) override;
    void reportText(std::string_view text) override;

    // From now on nothing is shown: the owner is going away.
    void mute() noexcept { muted_ = true; }

private:
    MessageBoxes& boxes_;
    QWidget* owner_ = nullptr;
    bool muted_ = false;
};

}  // namespace gui
