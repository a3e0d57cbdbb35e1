#pragma once

#include <cstdint>

namespace gui {
class LogModel;
}  // namespace gui

namespace bench {

// Fills a window's log with `lines` numbered lines as a host would have
// sent them, in batches of 100,000 with the event loop turned between (as
// the window takes a burst), so that a bench starts over a long log
// without waiting for the network to bring it.
void fillLog(gui::LogModel& log, std::uint64_t lines);

}  // namespace bench
