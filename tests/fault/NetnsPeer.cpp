// One host of the multi-host test, run inside a network namespace.
//
//   netns_peer receive <port>         listens with a receiver worker and
//                                     prints "listening <port>", "line <log
//                                     line>" and "failed <text>" lines, until
//                                     its standard input ends
//   netns_peer send <text> <target>...  sends the text to every target as
//                                     ToAllOfList does, prints "failed <text>"
//                                     for each failure and "result <0|1>"; a
//                                     text "midi:<n>" sends MIDI message n
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "net/Datagram.h"
#include "net/LogLine.h"
#include "net/ReceiverWorker.h"
#include "net/Sender.h"
#include "net/TargetControls.h"

namespace {

std::mutex outputMutex;

void say(const std::string& line)
{
    const std::lock_guard lock(outputMutex);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

class PrintingEvents final : public net::ReceiverEvents {
public:
    void listening(std::uint16_t port) override { say("listening " + std::to_string(port)); }
    void textReceived(const net::Ipv4Endpoint& from, std::string_view text) override
    {
        say("line " + net::formatLogLine(from, text));
    }
    void midiReceived(std::uint32_t message) override { say("midi " + std::to_string(message)); }
    void failed(net::Failure failure, std::stop_token) override
    {
        say("failed " + std::string(net::failureText(failure)));
    }
};

class PrintingReporter final : public net::FailureReporter {
public:
    void report(net::Failure failure, std::string_view /*target*/) override
    {
        say("failed " + std::string(net::failureText(failure)));
    }
};

// The target list with "to all of the list" checked; the typed target is
// the last of the list.
class ListControls final : public net::TargetControls {
public:
    explicit ListControls(std::vector<std::string> list) : list_(std::move(list)) {}
    [[nodiscard]] std::string typedTarget() const override { return list_.back(); }
    [[nodiscard]] bool toAllOfList() const override { return true; }
    [[nodiscard]] std::size_t listCount() const override { return list_.size(); }
    [[nodiscard]] std::string listItem(std::size_t index) const override { return list_[index]; }
    void appendToList(const std::string& target) override { list_.push_back(target); }

private:
    std::vector<std::string> list_;
};

int receive(std::uint16_t port)
{
    PrintingEvents events;
    {
        net::ReceiverWorker worker(port, events);
        char byte = 0;
        while (::read(STDIN_FILENO, &byte, 1) > 0) {
        }
    }
    return 0;
}

int send(const std::string& text, std::vector<std::string> targets)
{
    ListControls controls(std::move(targets));
    PrintingReporter reporter;
    const std::string_view midi = "midi:";
    const bool ok = text.starts_with(midi)
                        ? net::sendToTargets(controls, reporter,
                                             net::makeMidiDatagram(static_cast<std::uint32_t>(
                                                 std::stoul(text.substr(midi.size())))))
                        : net::sendToTargets(controls, reporter, net::makeTextDatagram(text));
    say(std::string("result ") + (ok ? "1" : "0"));
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "receive") {
        return receive(static_cast<std::uint16_t>(std::stoul(args[1])));
    }
    if (args.size() >= 3 && args[0] == "send") {
        return send(args[1], {args.begin() + 2, args.end()});
    }
    std::fputs("usage: netns_peer receive <port> | send <text> <target>...\n", stderr);
    return 2;
}
