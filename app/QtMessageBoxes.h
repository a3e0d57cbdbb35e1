#pragma once

#include "app/MessageBoxes.h"

namespace app {

class QtMessageBoxes final : public MessageBoxes {
public:
    void showError(QWidget* owner, const QString& text) override;
};

}  // namespace app
