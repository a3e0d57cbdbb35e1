#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

#include "tests/support/ModalHelpers.h"

namespace testing_support {

// Clicks a closed MIDI toggle, and in the selection window runs `meanwhile`, then picks `line` with
// Home, Down and Enter (Escape for -1 or a list too short, which fails). Returns once done.
inline void chooseDevice(QPushButton* toggle, int line, const std::function<void()>& meanwhile = {})
{
    auto picked = std::make_shared<bool>(false);
    whenModalShows([line, meanwhile, picked](QWidget* dialog) {
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
        *picked = true;
    });
    QTest::mouseClick(toggle, Qt::LeftButton);
    // The window opens after the click returned; its choice is open once the event loop is back.
    EXPECT_TRUE(QTest::qWaitFor([picked] { return *picked; }, 10000)) << "no selection window";
}

}  // namespace testing_support
