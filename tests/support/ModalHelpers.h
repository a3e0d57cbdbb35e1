#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

namespace testing_support {

// Calls `act` with the next dialog window that shows: a modal one, or one
// that waits for its answer in an event loop of its own without blocking
// other windows. Either runs its own event loop, so a test drives it from a
// timer set before opening it.
inline void whenModalShows(std::function<void(QWidget*)> act)
{
    // Guarded pointers: a new dialog may take the address of one deleted since.
    QList<QPointer<QWidget>> before;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        before.append(w);
    }
    const auto isNew = [before](QWidget* w) {
        return w->isVisible() && qobject_cast<QDialog*>(w) != nullptr &&
               (!before.contains(QPointer<QWidget>(w)) || w == QApplication::activeModalWidget());
    };
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll, isNew, act = std::move(act)] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (isNew(w)) {
                poll->stop();
                poll->deleteLater();
                act(w);
                return;
            }
        }
    });
    poll->start();
}

}  // namespace testing_support
