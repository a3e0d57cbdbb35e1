#include "bench/LineFlood.h"

#include <algorithm>
#include <span>
#include <string>

#include "bench/Pacer.h"
#include "bench/RawSender.h"

namespace bench {

LineFlood::LineFlood(std::uint16_t port, double perSecond)
    : thread_([this, port, perSecond](const std::stop_token& stop) { send(stop, port, perSecond); })
{
}

std::uint64_t LineFlood::stop()
{
    thread_.request_stop();
    if (thread_.joinable()) {
        thread_.join();
    }
    return sent_;
}

void LineFlood::send(const std::stop_token& stop, std::uint16_t port, double perSecond)
{
    RawSender sender(port);
    // A chat line of 40 characters: the kind byte, then the line's number
    // over the start of the text.
    std::string datagram = "*" + std::string(40, 'x');
    const Pacer pacer(perSecond);
    for (std::uint64_t i = 0; !stop.stop_requested(); ++i) {
        pacer.waitFor(i);
        const std::string number = std::to_string(i);
        std::copy(number.begin(), number.end(), datagram.begin() + 1);
        if (sender.send(std::as_bytes(std::span(datagram)))) {
            ++sent_;
        }
    }
}

}  // namespace bench
