#include "bench/WindowBench.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/ArrivalLog.h"
#include "bench/Pacer.h"
#include "bench/RawReceiver.h"
#include "bench/RawSender.h"
#include "bench/Summary.h"
#include "gui/MainWindow.h"
#include "gui/NoteKeyboard.h"
#include "keys/KeyMap.h"
#include "resources/ResourceIds.h"
#include "tests/support/NoMidi.h"
#include "tests/support/RecordingMessageBoxes.h"

namespace bench {

namespace {

using namespace std::chrono_literals;

// A window as the program shows it, with its failure boxes recorded.
struct Window {
    Window()
    {
        qobject_cast<QLineEdit*>(window.item(res::IDC_PORT))->setText(QStringLiteral("0"));
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
    }

    std::uint16_t listen()
    {
        window.mainWindowHandler(res::IDC_LISTEN);
        (void)QTest::qWaitFor(
            [&] { return window.receiver()->boundPort() != 0 || window.receiver()->finished(); });
        return window.receiver()->boundPort();
    }

    [[nodiscard]] QAbstractItemModel* log() const
    {
        return qobject_cast<QListView*>(window.item(res::IDC_LOG))->model();
    }

    testing_support::RecordingMessageBoxes boxes;
    gui::MainWindow window{boxes, testing_support::noMidi()};
};

// Sends numbered text lines to a port from its own thread: `rate` a
// second (0: as fast as the socket takes them) for `seconds`.
class LineBlaster {
public:
    LineBlaster(std::uint16_t port, double rate, double seconds)
        : thread_([this, port, rate, seconds] { run(port, rate, seconds); })
    {
    }

    [[nodiscard]] bool done() const noexcept { return done_.load(std::memory_order_acquire); }
    [[nodiscard]] std::uint64_t sent() const noexcept
    {
        return sent_.load(std::memory_order_acquire);
    }
    [[nodiscard]] std::int64_t startNs() const noexcept
    {
        return start_.load(std::memory_order_acquire);
    }

private:
    void run(std::uint16_t port, double rate, double seconds)
    {
        RawSender sender(port);
        char line[64] = {};
        const auto durationNs = static_cast<std::int64_t>(seconds * 1e9);
        const Pacer ticks(1000.0);
        start_.store(ticks.startNs(), std::memory_order_release);
        std::uint64_t sent = 0;
        for (std::uint64_t tick = 1;; ++tick) {
            if (rate > 0) {
                ticks.waitFor(tick);
            }
            const std::int64_t elapsed = nowNs() - ticks.startNs();
            const std::uint64_t due =
                rate > 0 ? static_cast<std::uint64_t>(
                               rate * static_cast<double>(std::min(elapsed, durationNs)) / 1e9)
                         : sent + 64;
            while (sent < due) {
                const int n = std::snprintf(line, sizeof line, "*flood line %08llu of the bench",
                                            static_cast<unsigned long long>(sent));
                if (!sender.send(std::as_bytes(std::span(line, static_cast<std::size_t>(n))))) {
                    break;
                }
                ++sent;
            }
            sent_.store(sent, std::memory_order_release);
            if (elapsed >= durationNs) {
                break;
            }
        }
        done_.store(true, std::memory_order_release);
    }

    std::atomic<bool> done_{false};
    std::atomic<std::uint64_t> sent_{0};
    std::atomic<std::int64_t> start_{0};
    std::jthread thread_;
};

// The longest gap between ticks of a 1 ms timer on the GUI thread.
class StallMeter {
public:
    StallMeter()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            const std::int64_t now = nowNs();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
        timer_.start();
    }

    [[nodiscard]] double longestMs() const noexcept { return static_cast<double>(longest_) / 1e6; }

private:
    QTimer timer_;
    std::int64_t last_{nowNs()};
    std::int64_t longest_{0};
};

struct FloodRun {
    std::uint64_t sent{};
    std::uint64_t rows{};
    double linesPerSecond{};
    double longestStallMs{};
    std::uint64_t boxes{};
};

FloodRun floodWindow(double rate, double seconds)
{
    Window peer;
    const std::uint16_t port = peer.listen();
    QAbstractItemModel* log = peer.log();
    std::int64_t lastRowNs = 0;
    QObject::connect(log, &QAbstractItemModel::rowsInserted, &peer.window,
                     [&] { lastRowNs = nowNs(); });

    FloodRun run;
    const StallMeter stalls;
    const LineBlaster blaster(port, rate, seconds);
    std::uint64_t rows = 0;
    std::int64_t lastChange = nowNs();
    while (!blaster.done() || (rows < blaster.sent() && nowNs() - lastChange < 1'000'000'000)) {
        QTest::qWait(5);
        const auto now = static_cast<std::uint64_t>(log->rowCount());
        if (now != rows) {
            rows = now;
            lastChange = nowNs();
        }
    }
    run.sent = blaster.sent();
    run.rows = static_cast<std::uint64_t>(log->rowCount());
    const std::int64_t span = std::max<std::int64_t>(lastRowNs - blaster.startNs(), 1);
    run.linesPerSecond = static_cast<double>(run.rows) * 1e9 / static_cast<double>(span);
    run.longestStallMs = stalls.longestMs();
    run.boxes = static_cast<std::uint64_t>(peer.boxes.texts.size());
    return run;
}

// The longest stall of the same timer in a window left idle for as long:
// what the machine itself costs the event loop.
double idleStallMs(double seconds)
{
    const Window peer;
    const StallMeter stalls;
    QTest::qWait(static_cast<int>(seconds * 1000));
    return stalls.longestMs();
}

// The same lines into a bare socket and a thread that counts them.
double rawLinesPerSecond(double rate, double seconds)
{
    ArrivalLog log(1);
    const RawReceiver receiver(log);
    const LineBlaster blaster(receiver.port(), rate, seconds);
    while (!blaster.done()) {
        std::this_thread::sleep_for(10ms);
    }
    std::this_thread::sleep_for(200ms);
    const std::int64_t span = std::max<std::int64_t>(log.lastNs() - blaster.startNs(), 1);
    return static_cast<double>(log.count()) * 1e9 / static_cast<double>(span);
}

// Waits (busily: the datagram is due within microseconds) until the log
// holds more than `count` arrivals.
bool waitBeyond(const ArrivalLog& log, std::uint64_t count)
{
    const std::int64_t deadline = nowNs() + 1'000'000'000;
    while (log.count() <= count) {
        if (nowNs() > deadline) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

Summary keyPresses(const std::string& host, int presses, std::uint64_t& missed)
{
    ArrivalLog log(static_cast<std::size_t>(presses) * 8);
    const RawReceiver receiver(log);
    Window peer;
    qobject_cast<QComboBox*>(peer.window.item(res::IDC_TARGET))
        ->setEditText(QString::fromStdString(host + ":" + std::to_string(receiver.port())));
    QWidget* keyboard = peer.window.item(res::IDC_KEYBOARD);
    keyboard->setFocus();
    const std::size_t perKey = keys::notesForKey('Z', peer.window.keyboard().octave()).size();

    std::vector<std::int64_t> latencies;
    for (int i = 0; i < presses; ++i) {
        const std::uint64_t before = log.count();
        const std::int64_t pressed = nowNs();
        QTest::keyPress(keyboard, Qt::Key_Z);
        if (!waitBeyond(log, before)) {
            ++missed;
            continue;
        }
        latencies.push_back(log.time(before) - pressed);
        QTest::keyRelease(keyboard, Qt::Key_Z);
        (void)waitBeyond(log, before + 2 * perKey - 1);
        QCoreApplication::processEvents();
    }
    return summarize(latencies);
}

Summary rawSends(int count)
{
    ArrivalLog log(static_cast<std::size_t>(count));
    const RawReceiver receiver(log);
    RawSender sender(receiver.port());
    const net::MidiDatagram datagram{std::byte{0x7E}, std::byte{0x90}, std::byte{0x3C},
                                     std::byte{0x7F}, std::byte{0}};
    std::vector<std::int64_t> latencies;
    for (int i = 0; i < count; ++i) {
        const std::uint64_t before = log.count();
        const std::int64_t sent = nowNs();
        sender.send(datagram);
        if (waitBeyond(log, before)) {
            latencies.push_back(log.time(before) - sent);
        }
    }
    return summarize(latencies);
}

}  // namespace

void measureTextFlood(ResultTable& table, const BenchOptions& options)
{
    const double seconds = options.quick ? 1.0 : 5.0;
    std::fprintf(stderr, "text flood into the window, %.0f s...\n", seconds);
    const double idle = idleStallMs(seconds);
    const FloodRun paced = floodWindow(10'000, seconds);
    const double rawPaced = rawLinesPerSecond(10'000, seconds);
    std::fprintf(stderr, "  paced: sent %llu, logged %llu\n",
                 static_cast<unsigned long long>(paced.sent),
                 static_cast<unsigned long long>(paced.rows));
    const FloodRun blast = floodWindow(0, options.quick ? 0.5 : 2.0);
    const double rawBlast = rawLinesPerSecond(0, options.quick ? 0.5 : 2.0);
    std::fprintf(stderr, "  blast: sent %llu, logged %llu\n",
                 static_cast<unsigned long long>(blast.sent),
                 static_cast<unsigned long long>(blast.rows));

    const auto logged = [](const FloodRun& r) {
        return std::to_string(r.rows) + " of " + std::to_string(r.sent) + " lines logged" +
               (r.boxes != 0 ? ", " + std::to_string(r.boxes) + " error boxes" : "");
    };
    table.add({"4. text lines/s into the log, 10,000/s offered", "/s", paced.linesPerSecond,
               rawPaced, "≥ 10,000/s", paced.linesPerSecond >= 9'900 && paced.rows == paced.sent,
               logged(paced)});
    table.add({"4. longest event-loop stall, 10,000 lines/s", "ms", paced.longestStallMs, idle,
               "≤ 50 ms", paced.longestStallMs <= 50,
               "1 ms timer on the GUI thread; raw column: the same window left idle"});
    table.add({"4. text lines/s into the log, unpaced blast", "/s", blast.linesPerSecond, rawBlast,
               "", std::nullopt, logged(blast)});
    table.add({"4. longest event-loop stall, unpaced blast", "ms", blast.longestStallMs, idle, "",
               std::nullopt, ""});
}

void measureKeyPress(ResultTable& table, const BenchOptions& options)
{
    const int presses = options.quick ? 500 : 5'000;
    std::fprintf(stderr, "key press to datagram, %d presses...\n", presses);
    std::uint64_t missed = 0;
    const Summary literal = keyPresses("127.0.0.1", presses, missed);
    const Summary localhost = keyPresses("localhost", presses, missed);
    const Summary raw = rawSends(presses);
    const std::string note = std::to_string(presses) + " presses" +
                             (missed != 0 ? ", " + std::to_string(missed) + " missed" : "");
    table.add({"5. key press to datagram p50, target 127.0.0.1:P", "µs", literal.p50, raw.p50, "",
               std::nullopt, note + "; raw: sendto on an open socket"});
    table.add({"5. key press to datagram p99, target 127.0.0.1:P", "µs", literal.p99, raw.p99, "",
               std::nullopt, ""});
    table.add({"5. key press to datagram p50, target localhost:P", "µs", localhost.p50, raw.p50, "",
               std::nullopt, ""});
    table.add({"5. key press to datagram p99, target localhost:P", "µs", localhost.p99, raw.p99, "",
               std::nullopt, ""});
}

}  // namespace bench
