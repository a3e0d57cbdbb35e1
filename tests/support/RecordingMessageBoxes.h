#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <functional>
#include <utility>

#include "gui/MessageBoxes.h"

namespace testing_support {

// Stands in for the real message boxes: records each text and its owner. By default it returns at
// once, as if the user had pressed OK; with `holdFor` set it shows a real modal box for that long,
// which takes the focus and runs the event loop as the user's box would, then dismisses it; with
// `whileShown` set, the box is dismissed once that has run inside it.
class RecordingMessageBoxes final : public gui::MessageBoxes {
public:
    void showError(QWidget* owner, const QString& text) override
    {
        texts.append(text);
        owners.append(owner);
        if (holdFor.count() > 0 || whileShown) {
            QMessageBox box(QMessageBox::Critical, QStringLiteral("ERROR"), text, QMessageBox::Ok,
                            owner);
            if (whileShown) {
                QTimer::singleShot(0, &box, [this, &box] {
                    std::exchange(whileShown, {})();
                    box.accept();
                });
            } else {
                QTimer::singleShot(holdFor, &box, &QDialog::accept);
            }
            deepest = std::max(deepest, ++depth);
            box.exec();
            --depth;
        }
    }

    QStringList texts;
    QList<QWidget*> owners;
    std::chrono::milliseconds holdFor{0};
    std::function<void()> whileShown;
    // How many boxes were open at once, at most.
    int depth = 0;
    int deepest = 0;
};

}  // namespace testing_support
