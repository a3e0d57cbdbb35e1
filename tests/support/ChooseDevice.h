#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "tests/support/ModalHelpers.h"

namespace testing_support {

// Clicks a closed MIDI toggle and, in the selection window it opens (no
// line picked yet), presses Home for the first line, goes down to `line` and
// presses Enter as a user does; Escape for -1, and when
// the list is too short (a failure, not a test waiting forever). Runs
// `meanwhile` first, while the selection window is up.
inline void chooseDevice(QPushButton* toggle, int line, const std::function<void()>& meanwhile = {})
{
    whenModalShows([line, meanwhile](QWidget* dialog) {
        if (meanwhile) {
            meanwhile();
        }
        auto* list = dialog->findChild<QListView*>("IDC_DEVICE_LIST");
        const bool listed = line >= 0 && line < list->model()->rowCount();
        EXPECT_EQ(listed, line >= 0) << "no line " << line;
        if (listed) {
            QTest::keyClick(list, Qt::Key_Home);
        }
        for (int i = 0; listed && i < line; ++i) {
            QTest::keyClick(list, Qt::Key_Down);
        }
        QTest::keyClick(list, listed ? Qt::Key_Return : Qt::Key_Escape);
    });
    QTest::mouseClick(toggle, Qt::LeftButton);
}

}  // namespace testing_support
