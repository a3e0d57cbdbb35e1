#pragma once

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>

namespace testing_support {

// Calls `act` with the next dialog window that shows, modal or waiting in an
// event loop of its own; a test sets it up before opening the dialog.
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

// Calls `act` with the next popup menu that shows.
inline void whenMenuShows(std::function<void(QMenu*)> act)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll, act = std::move(act)] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            poll->stop();
            poll->deleteLater();
            act(menu);
        }
    });
    poll->start();
}

// Picks the entry at `path` (object names) by keyboard: into each submenu, then Enter on the last.
inline void pickEntry(QMenu* menu, const QStringList& path)
{
    for (const QString& name : path) {
        auto* entry = menu->findChild<QAction*>(name);
        menu->setActiveAction(entry);
        menu = entry->menu() != nullptr ? entry->menu() : menu;
    }
    QTest::keyClick(menu, Qt::Key_Return);
}

}  // namespace testing_support
