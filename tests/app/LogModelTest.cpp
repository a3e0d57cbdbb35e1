// The log's model: batches, order, clearing, and Qt's model invariants.
#include "app/LogModel.h"

#include <gmock/gmock.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

namespace {

using app::LogModel;

QString shown(const LogModel& model, int row)
{
    return model.data(model.index(row)).toString();
}

TEST(LogModel, EachBatchIsOneInsertionAtTheEnd)
{
    LogModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy inserted(&model, &LogModel::rowsInserted);

    model.appendLines({"a", "b", "c"});
    model.appendLines({"d", "e"});
    model.appendLines({});

    ASSERT_EQ(inserted.size(), 2);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 0);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 2);
    EXPECT_EQ(inserted.at(1).at(1).toInt(), 3);
    EXPECT_EQ(inserted.at(1).at(2).toInt(), 4);
    ASSERT_EQ(model.rowCount(), 5);
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(shown(model, row), QString(QChar(u'a' + row)));
    }
}

TEST(LogModel, ShowsUtf8LinesAsTheyWereStored)
{
    LogModel model;
    model.appendLines({"10.0.0.1:5>gr\xC3\xBC\xC3\x9F", "", "10.0.0.1:5>\xE9\x8D\xB5\xE7\x9B\xA4"});
    EXPECT_EQ(shown(model, 0), QStringLiteral(u"10.0.0.1:5>grüß"));
    EXPECT_EQ(shown(model, 1), QString());
    EXPECT_EQ(shown(model, 2), QStringLiteral(u"10.0.0.1:5>鍵盤"));
    EXPECT_EQ(model.line(2), "10.0.0.1:5>\xE9\x8D\xB5\xE7\x9B\xA4");
    EXPECT_FALSE(model.data(model.index(3)).isValid());
    EXPECT_FALSE(model.data(model.index(0), Qt::EditRole).isValid());
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
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(shown(model, 0), QStringLiteral("three"));
}

}  // namespace
