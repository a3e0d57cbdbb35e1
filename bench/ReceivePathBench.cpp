#include "bench/ReceivePathBench.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/ArrivalLog.h"
#include "bench/BenchTargets.h"
#include "bench/CountingReporter.h"
#include "bench/Pacer.h"
#include "bench/RawReceiver.h"
#include "bench/RawSender.h"
#include "bench/Summary.h"
#include "bench/ToolReceiver.h"
#include "net/Datagram.h"
#include "net/Sender.h"

namespace bench {

namespace {

using namespace std::chrono_literals;

// Waits until `count` arrivals are logged or none came for `idle`.
void waitForArrivals(const ArrivalLog& log, std::uint64_t count,
                     std::chrono::milliseconds idle = 500ms)
{
    std::uint64_t seen = log.count();
    auto lastChange = std::chrono::steady_clock::now();
    while (seen < count && std::chrono::steady_clock::now() - lastChange < idle) {
        std::this_thread::sleep_for(1ms);
        const std::uint64_t now = log.count();
        if (now != seen) {
            seen = now;
            lastChange = std::chrono::steady_clock::now();
        }
    }
}

struct LatencyRun {
    Summary summary;
    std::uint64_t lost{};
    std::uint64_t failures{};
};

// Message i carries its number above the status byte, so each arrival
// finds its send time.
constexpr std::uint32_t messageNumber(std::uint64_t i) noexcept
{
    return 0x90U | (static_cast<std::uint32_t>(i & 0xFFFFFFU) << 8U);
}

template <typename Send>
LatencyRun pacedRun(ArrivalLog& log, double rate, std::size_t count, Send send)
{
    std::vector<std::int64_t> sentAt(count);
    const Pacer pacer(rate);
    for (std::size_t i = 0; i < count; ++i) {
        pacer.waitFor(i);
        const net::MidiDatagram datagram = net::makeMidiDatagram(messageNumber(i));
        sentAt[i] = nowNs();
        send(datagram);
    }
    waitForArrivals(log, count);

    LatencyRun run;
    const std::size_t arrived = std::min<std::size_t>(log.count(), log.capacity());
    std::vector<std::int64_t> latencies;
    latencies.reserve(arrived);
    for (std::size_t j = 0; j < arrived; ++j) {
        const std::size_t i = log.message(j) >> 8U;
        if (i < count) {
            latencies.push_back(log.time(j) - sentAt[i]);
        }
    }
    run.lost = count - latencies.size();
    run.summary = summarize(latencies);
    return run;
}

LatencyRun toolLatency(double rate, std::size_t count)
{
    ArrivalLog log(count);
    const ToolReceiver receiver(log);
    BenchTargets targets("127.0.0.1:" + std::to_string(receiver.port()));
    CountingReporter reporter;
    LatencyRun run = pacedRun(log, rate, count, [&](const net::MidiDatagram& d) {
        (void)net::sendToTargets(targets, reporter, d);
    });
    run.failures = reporter.failures;
    return run;
}

LatencyRun rawLatency(double rate, std::size_t count)
{
    ArrivalLog log(count);
    const RawReceiver receiver(log);
    RawSender sender(receiver.port());
    return pacedRun(log, rate, count, [&](const net::MidiDatagram& d) { sender.send(d); });
}

struct FloodRun {
    double offered{};
    double achieved{};  // what the sender managed
    std::uint64_t sent{};
    std::uint64_t received{};
    [[nodiscard]] std::uint64_t lost() const { return sent > received ? sent - received : 0; }
};

// Blasts MIDI datagrams at `rate` for `seconds`, in bursts every
// millisecond, and counts what reached the output.
FloodRun flood(bool tool, double rate, double seconds)
{
    ArrivalLog log(0);
    std::unique_ptr<ToolReceiver> toolReceiver;
    std::unique_ptr<RawReceiver> rawReceiver;
    std::uint16_t port = 0;
    if (tool) {
        toolReceiver = std::make_unique<ToolReceiver>(log);
        port = toolReceiver->port();
    } else {
        rawReceiver = std::make_unique<RawReceiver>(log);
        port = rawReceiver->port();
    }
    RawSender sender(port);
    const net::MidiDatagram datagram = net::makeMidiDatagram(0x7F3C90U);

    FloodRun run;
    run.offered = rate;
    const Pacer ticks(1000.0);
    const auto durationNs = static_cast<std::int64_t>(seconds * 1e9);
    for (std::uint64_t tick = 1;; ++tick) {
        ticks.waitFor(tick);
        const std::int64_t elapsed = nowNs() - ticks.startNs();
        const auto due = static_cast<std::uint64_t>(
            rate * static_cast<double>(std::min(elapsed, durationNs)) / 1e9);
        while (run.sent < due) {
            if (!sender.send(datagram)) {
                break;  // the kernel refused it: try again next tick
            }
            ++run.sent;
        }
        if (elapsed >= durationNs) {
            run.achieved = static_cast<double>(run.sent) * 1e9 / static_cast<double>(elapsed);
            break;
        }
    }
    waitForArrivals(log, run.sent);
    run.received = log.count();
    return run;
}

struct Ladder {
    double best{};         // highest rate with nothing lost
    bool senderBound{};    // the sender could not keep up before any loss
    FloodRun firstLoss{};  // the first run that lost something
    std::uint64_t lostAt50k{};
};

Ladder climb(bool tool, double seconds)
{
    Ladder ladder;
    double good = 0;
    double bad = 0;
    for (double rate = 50'000; rate <= 3'200'000; rate *= 2) {
        const FloodRun run = flood(tool, rate, seconds);
        std::fprintf(stderr, "  %s %.0f/s: sent %llu (%.0f/s), received %llu, lost %llu\n",
                     tool ? "mirevo" : "raw", rate, static_cast<unsigned long long>(run.sent),
                     run.achieved, static_cast<unsigned long long>(run.received),
                     static_cast<unsigned long long>(run.lost()));
        if (rate == 50'000) {
            ladder.lostAt50k = run.lost();
        }
        if (run.lost() != 0) {
            bad = rate;
            ladder.firstLoss = run;
            break;
        }
        good = rate;
        if (run.achieved < 0.95 * rate) {
            ladder.senderBound = true;
            ladder.best = run.achieved;
            return ladder;
        }
    }
    // One step between the last good rate and the first bad one.
    if (good != 0 && bad != 0) {
        const double middle = (good + bad) / 2;
        const FloodRun run = flood(tool, middle, seconds);
        std::fprintf(stderr, "  %s %.0f/s: sent %llu, received %llu, lost %llu\n",
                     tool ? "mirevo" : "raw", middle, static_cast<unsigned long long>(run.sent),
                     static_cast<unsigned long long>(run.received),
                     static_cast<unsigned long long>(run.lost()));
        if (run.lost() == 0) {
            good = middle;
        }
    }
    ladder.best = good;
    return ladder;
}

}  // namespace

void measureLatency(ResultTable& table, const BenchOptions& options)
{
    const std::size_t count = options.quick ? 5'000 : 100'000;
    for (const double rate : {1'000.0, 10'000.0}) {
        std::fprintf(stderr, "latency at %.0f/s, %zu messages each way...\n", rate, count);
        const LatencyRun ours = toolLatency(rate, count);
        const LatencyRun raw = rawLatency(rate, count);
        const std::string at = rate == 1'000.0 ? " @ 1,000/s" : " @ 10,000/s";
        std::string note = std::to_string(count) + " messages";
        if (ours.lost + raw.lost + ours.failures != 0) {
            note += "; lost " + std::to_string(ours.lost) + " (Mirevo), " +
                    std::to_string(raw.lost) + " (raw); failures " + std::to_string(ours.failures);
        }
        const bool slow = rate == 1'000.0;
        table.add(
            {"1. MIDI one-way latency p50" + at, "µs", ours.summary.p50, raw.summary.p50,
             slow ? "≤ 2× raw" : "",
             slow ? std::optional<bool>(ours.summary.p50 <= 2 * raw.summary.p50) : std::nullopt,
             note});
        table.add({"1. MIDI one-way latency p99" + at, "µs", ours.summary.p99, raw.summary.p99,
                   slow ? "< 500 µs" : "",
                   slow ? std::optional<bool>(ours.summary.p99 < 500) : std::nullopt, ""});
        table.add({"1. MIDI one-way latency p99.9" + at, "µs", ours.summary.p999, raw.summary.p999,
                   "", std::nullopt,
                   "max " + formatFigure(ours.summary.max) + " / " + formatFigure(raw.summary.max) +
                       " µs"});
    }
}

void measureReceiveThroughput(ResultTable& table, const BenchOptions& options)
{
    const double seconds = options.quick ? 1.0 : 5.0;
    int granted = 0;
    {
        ArrivalLog log(0);
        const ToolReceiver probe(log);
        granted = probe.worker().receiveBufferBytes();
    }
    std::fprintf(stderr, "receive throughput, %.0f s per step (receive buffer %d bytes)...\n",
                 seconds, granted);
    const Ladder ours = climb(true, seconds);
    const Ladder raw = climb(false, seconds);

    const std::string buffer = "receive buffer granted " + std::to_string(granted / 1024) + " KiB";
    table.add({"2. datagrams lost at 50,000/s for " + formatFigure(seconds) + " s", "",
               static_cast<double>(ours.lostAt50k), static_cast<double>(raw.lostAt50k), "0",
               ours.lostAt50k == 0, buffer});
    const auto describe = [](const Ladder& l) {
        if (l.senderBound) {
            return std::string("sender could not go faster");
        }
        return "first loss at " + formatFigure(l.firstLoss.offered) + "/s (" +
               std::to_string(l.firstLoss.lost()) + " lost)";
    };
    table.add({"2. highest lossless receive rate", "/s", ours.best, raw.best, "≥ 50,000/s",
               ours.best >= 50'000, "Mirevo: " + describe(ours) + "; raw: " + describe(raw)});
}

}  // namespace bench
