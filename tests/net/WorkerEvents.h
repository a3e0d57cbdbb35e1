#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <regex>
#include <stop_token>
#include <string>
#include <vector>

#include "net/ReceiverEvents.h"

namespace testing_support {

// Receiver workers' reports, a line each: "listening <port>", "<address>:<port>><text>" (the text
// as received), "midi <message>" and "failed <failure's text>". With `hold` set every report waits,
// as a box on screen would, until `hold` is cleared, it is let pass, or its worker is stopped.
class WorkerEvents final : public net::ReceiverEvents {
public:
    void listening(std::uint16_t port) override { add("listening " + std::to_string(port)); }
    void textReceived(const net::Ipv4Endpoint& from, std::string_view text) override
    {
        add(from.addressText() + ":" + std::to_string(from.port) + ">" + std::string(text));
    }
    void midiReceived(const net::Ipv4Endpoint& /*from*/, std::uint32_t message) override
    {
        add("midi " + std::to_string(message));
    }
    void failed(net::Failure failure, std::stop_token stop) override
    {
        add("failed " + std::string(net::failureText(failure)), stop);
    }

    // The lines matching the pattern, once there are `count` of them or the time given has passed.
    std::vector<std::string> lines(const std::string& pattern = ".*", std::size_t count = 0,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        const std::regex wanted(pattern);
        std::vector<std::string> found;
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] {
            found.clear();
            std::copy_if(lines_.begin(), lines_.end(), std::back_inserter(found),
                         [&](const std::string& line) { return std::regex_match(line, wanted); });
            return found.size() >= count;
        });
        return found;
    }
    // The port of the first "listening" line.
    std::uint16_t port()
    {
        return static_cast<std::uint16_t>(std::stoi(lines("listening .*", 1).at(0).substr(10)));
    }
    void hold(bool on)
    {
        const std::lock_guard lock(mutex_);
        hold_ = on;
        changed_.notify_all();
    }
    // Lets the given number of held reports, waiting or yet to come, pass.
    void letPass(std::size_t reports)
    {
        const std::lock_guard lock(mutex_);
        passes_ += reports;
        changed_.notify_all();
    }

private:
    void add(std::string line, std::stop_token stop = {})
    {
        std::unique_lock lock(mutex_);
        lines_.push_back(std::move(line));
        changed_.notify_all();
        if (changed_.wait(lock, stop, [this] { return !hold_ || passes_ > 0; }) && hold_) {
            --passes_;
        }
    }

    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::vector<std::string> lines_;
    bool hold_{false};
    std::size_t passes_{0};
};

}  // namespace testing_support
