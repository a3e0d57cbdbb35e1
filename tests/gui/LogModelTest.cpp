// The log within its budget of text: the oldest lines go, the first row
// says how many, and Erase log forgets them. A small budget of ten lines.
#include "gui/LogModel.h"

#include <gmock/gmock.h>

#include <QAbstractItemModelTester>

namespace {

// Every line costs the same: "line" and three digits.
std::vector<std::string> numbered(int first, int count)
{
    std::vector<std::string> lines;
    for (int i = first; i < first + count; ++i) {
        lines.push_back("line" + std::to_string(1000 + i).substr(1));
    }
    return lines;
}

struct Batch {
    int lines;
    std::uint64_t droppedBefore = 0;
};

struct Case {
    const char* name;
    std::vector<Batch> batches;
    std::string firstRow;
    int rows;  // the note included
};

class LogBudget : public ::testing::TestWithParam<Case> {};

TEST_P(LogBudget, KeepsTheNewestLinesAndSaysHowManyWentBefore)
{
    gui::LogModel log(10 * peer::lineCost("line000"));
    QAbstractItemModelTester tester{&log, QAbstractItemModelTester::FailureReportingMode::Fatal};
    int sent = 0;
    for (const Batch& batch : GetParam().batches) {
        log.appendLines(numbered(sent, batch.lines), batch.droppedBefore);
        sent += batch.lines;
    }
    EXPECT_EQ(log.rowCount(), GetParam().rows);
    EXPECT_EQ(log.line(0), GetParam().firstRow);
    EXPECT_EQ(log.line(log.rowCount() - 1), numbered(sent - 1, 1).front());

    log.clear();  // Erase log
    EXPECT_EQ(log.rowCount(), 0);
    log.appendLines(numbered(0, 1));
    EXPECT_EQ(log.line(0), "line000");
}

INSTANTIATE_TEST_SUITE_P(
    Log, LogBudget,
    ::testing::Values(
        Case{"WithinTheBudget", {{4}, {6}}, "line000", 10},
        Case{"OneOverDropsTheOldest", {{4}, {7}}, "(1 earlier line dropped)", 11},
        Case{"ABatchPushesOutOlderLines", {{6}, {3}, {4}}, "(3 earlier lines dropped)", 11},
        Case{"ABatchBeyondTheBudgetKeepsItsNewest", {{2}, {25}}, "(17 earlier lines dropped)", 11},
        // Lines lost before they reached the log: what was kept before
        // them goes too, so that every missing line is an earlier one.
        Case{"LinesLostOnTheWayCountAndClearTheWay",
             {{5}, {2, 12'340}},
             "(12,345 earlier lines dropped)",
             3}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
