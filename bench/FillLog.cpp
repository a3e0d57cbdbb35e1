#include "bench/FillLog.h"

#include <QCoreApplication>

#include <algorithm>
#include <string>
#include <vector>

#include "gui/LogModel.h"

namespace bench {

void fillLog(gui::LogModel& log, std::uint64_t lines)
{
    std::vector<std::string> batch;
    constexpr std::uint64_t kBatch = 100'000;
    for (std::uint64_t done = 0; done < lines; done += kBatch) {
        batch.clear();
        for (std::uint64_t i = done; i < std::min(lines, done + kBatch); ++i) {
            batch.push_back("127.0.0.1:40000>earlier line " + std::to_string(i) + " of the bench");
        }
        log.appendLines(batch);
        QCoreApplication::processEvents();
    }
}

}  // namespace bench
