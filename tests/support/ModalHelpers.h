#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>

namespace testing_support {

// Calls `act` with the application's modal window as soon as one shows.
// Modal windows run their own event loop, so a test drives them from a
// timer set before opening them.
inline void whenModalShows(std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll, act = std::move(act)] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        }
    });
    poll->start();
}

}  // namespace testing_support
