#pragma once

#include <QString>
#include <QStringList>

#include "app/MessageBoxes.h"

namespace testing_support {

// Stands in for the real message boxes: records each text and its owner,
// and returns at once as if the user had pressed OK.
class RecordingMessageBoxes final : public app::MessageBoxes {
public:
    void showError(QWidget* owner, const QString& text) override
    {
        texts.append(text);
        owners.append(owner);
    }

    QStringList texts;
    QList<QWidget*> owners;
};

}  // namespace testing_support
