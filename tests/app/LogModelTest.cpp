// The log's model: batches, order, clearing, and Qt's model invariants.
#include "app/LogModel.h"

#include <gmock/gmock.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

namespace {

using app::LogModel;

QStringList shown(const LogModel& model)
{
    QStringList lines;
    for (int row = 0; row < model.rowCount(); ++row) {
        lines << model.data(model.index(row)).toString();
    }
    return lines;
}

TEST(LogModel, EachBatchIsOneInsertionAtTheEndShownAsUtf8)
{
    LogModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy inserted(&model, &LogModel::rowsInserted);

    model.appendLines({"a", "b", "c"});
    model.appendLines({"d", "10.0.0.1:5>\xE9\x8D\xB5\xE7\x9B\xA4"});
    model.appendLines({});

    ASSERT_EQ(inserted.size(), 2);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 0);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 2);
    EXPECT_EQ(inserted.at(1).at(1).toInt(), 3);
    EXPECT_EQ(inserted.at(1).at(2).toInt(), 4);
    EXPECT_EQ(shown(model), (QStringList{"a", "b", "c", "d", QStringLiteral(u"10.0.0.1:5>鍵盤")}));
}

TEST(LogModel, ClearEmptiesTheLogAndNewLinesStartAgainAtTheTop)
{
    LogModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.appendLines({"one", "two"});
    QSignalSpy reset(&model, &LogModel::modelReset);

    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(reset.size(), 1);
    model.appendLines({"three"});
    EXPECT_EQ(shown(model), QStringList{"three"});
}

}  // namespace
