#pragma once

#include "net/FailureReporter.h"

class QWidget;

namespace app {

class MessageBoxes;

// Shows sending failures as error boxes owned by a window.
class MessageBoxReporter final : public net::FailureReporter {
public:
    MessageBoxReporter(MessageBoxes& boxes, QWidget* owner) : boxes_(boxes), owner_(owner) {}

    void report(net::Failure failure) override;

private:
    MessageBoxes& boxes_;
    QWidget* owner_ = nullptr;
};

}  // namespace app
