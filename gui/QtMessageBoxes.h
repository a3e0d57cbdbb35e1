#pragma once

#include "gui/MessageBoxes.h"

namespace gui {

class QtMessageBoxes final : public MessageBoxes {
public:
    void showError(QWidget* owner, const QString& text) override;
};

}  // namespace gui
