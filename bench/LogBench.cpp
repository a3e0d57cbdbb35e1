#include "bench/LogBench.h"

#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>

#include "bench/BenchClock.h"
#include "bench/FillLog.h"
#include "bench/Pacer.h"
#include "bench/ProcessMemory.h"
#include "bench/RawSender.h"
#include "gui/LogModel.h"
#include "gui/MainWindow.h"
#include "resources/ResourceIds.h"
#include "tests/support/NoMidi.h"
#include "tests/support/RecordingMessageBoxes.h"

namespace bench {

namespace {

// A window listening on a free port, as the program shows it.
struct ListeningWindow {
    ListeningWindow()
    {
        qobject_cast<QLineEdit*>(window.item(res::IDC_PORT))->setText(QStringLiteral("0"));
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
        window.mainWindowHandler(res::IDC_LISTEN);
        (void)QTest::qWaitFor(
            [&] { return window.receiver()->boundPort() != 0 || window.receiver()->finished(); });
        port = window.receiver()->boundPort();
    }

    [[nodiscard]] gui::LogModel* log() const
    {
        return qobject_cast<gui::LogModel*>(
            qobject_cast<QListView*>(window.item(res::IDC_LOG))->model());
    }

    // Turns the event loop until no line has arrived for `quietMs`.
    void settle(int quietMs) const
    {
        int rows = -1;
        while (rows != log()->rowCount()) {
            rows = log()->rowCount();
            QTest::qWait(quietMs);
        }
    }

    testing_support::RecordingMessageBoxes boxes;
    gui::MainWindow window{boxes, testing_support::noMidi()};
    std::uint16_t port{0};
};

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Sends `count` numbered lines of `textBytes` bytes to the port, `rate` a
// second, from the calling thread.
void sendLines(std::uint16_t port, std::uint64_t count, std::size_t textBytes, double rate)
{
    RawSender sender(port);
    std::string datagram(textBytes + 1, 'x');
    datagram[0] = '*';
    const Pacer pacer(rate);
    for (std::uint64_t i = 0; i < count; ++i) {
        pacer.waitFor(i);
        const std::string number = std::to_string(i);
        std::copy(number.begin(), number.end(), datagram.begin() + 1);
        (void)sender.send(std::as_bytes(std::span(datagram)));
    }
}

struct CpuRun {
    double percent{};
    std::uint64_t rows{};
};

// Process CPU time per second of wall time while 200 lines a second arrive
// at a window whose log already holds `filled` lines.
CpuRun cpuAt(std::uint64_t filled, double seconds)
{
    ListeningWindow peer;
    fillLog(*peer.log(), filled);
    QTest::qWait(500);

    constexpr double kRate = 200;
    const double cpuStart = processCpuSeconds();
    const std::int64_t wallStart = nowNs();
    std::thread sender(
        [&] { sendLines(peer.port, static_cast<std::uint64_t>(kRate * seconds), 40, kRate); });
    while (nowNs() - wallStart < static_cast<std::int64_t>(seconds * 1e9)) {
        QTest::qWait(20);
    }
    sender.join();
    QTest::qWait(50);
    CpuRun run;
    run.percent =
        100 * (processCpuSeconds() - cpuStart) / (static_cast<double>(nowNs() - wallStart) / 1e9);
    run.rows = static_cast<std::uint64_t>(peer.log()->rowCount());
    return run;
}

}  // namespace

int logMemoryProbe()
{
    ListeningWindow peer;
    if (peer.port == 0) {
        return 1;
    }
    // 1022 bytes of text make a log line of 1023 ("127.0.0.1:P>" and the
    // text, cut at 1023 characters).
    std::atomic<bool> sent{false};
    std::jthread sender([&] {
        sendLines(peer.port, 300'000, 1022, 50'000);
        sent = true;
    });
    while (!sent) {
        QTest::qWait(100);
    }
    peer.settle(1000);
    std::printf("rss_kib %ld\nrows %d\n", residentKiB(), peer.log()->rowCount());
    return 0;
}

void measureLogCost(ResultTable& table, const BenchOptions& options)
{
    const double seconds = options.quick ? 2.0 : 5.0;
    std::fprintf(stderr, "log cost per line at 0, 100,000 and 1,000,000 lines, %.0f s each...\n",
                 seconds);
    const CpuRun empty = cpuAt(0, seconds);
    const CpuRun tenth = cpuAt(100'000, seconds);
    const CpuRun million = cpuAt(1'000'000, seconds);
    const auto rows = [](const CpuRun& run) { return std::to_string(run.rows) + " rows after"; };
    table.add({"10. CPU of 200 received lines/s, log empty", "%", empty.percent, std::nullopt, "",
               std::nullopt, "process CPU time per second, % of a core; " + rows(empty)});
    table.add({"10. CPU of 200 received lines/s, 100,000 lines in the log", "%", tenth.percent,
               std::nullopt, "", std::nullopt, rows(tenth)});
    table.add({"10. CPU of 200 received lines/s, 1,000,000 lines in the log", "%", million.percent,
               std::nullopt, "≤ 1.5× the empty log's", million.percent <= 1.5 * empty.percent,
               rows(million)});

    std::fprintf(stderr, "resident memory after 300,000 lines of 1023 bytes...\n");
    QProcess probe;
    probe.start(QString::fromStdString(options.binDir + "/mirevo_bench"),
                {QStringLiteral("--log-memory-probe")});
    (void)probe.waitForFinished(300'000);
    double mib = 0;
    std::string note;
    for (const QByteArray& line : probe.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 2 && fields[0] == "rss_kib") {
            mib = fields[1].toDouble() / 1024;
        } else if (fields.size() == 2 && fields[0] == "rows") {
            note = fields[1].toStdString() + " rows in the log; the window's own process, no JACK";
        }
    }
    table.add({"10. resident memory after 300,000 lines of 1023 bytes", "MiB", mib, std::nullopt,
               "< 300 MiB", mib > 0 && mib < 300, note});
}

}  // namespace bench
