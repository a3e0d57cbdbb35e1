#include "bench/HeadlessBench.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchClock.h"
#include "bench/ProcessMemory.h"
#include "net/UdpSocket.h"
#include "tests/support/JackServer.h"

namespace bench {

namespace {

// Whether a UDP socket is bound to this port on any local address.
bool portBound(std::uint16_t port)
{
    std::ifstream table("/proc/net/udp");
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    std::string line;
    std::getline(table, line);  // the heading
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot;
        std::string local;
        fields >> slot >> local;
        if (local.ends_with(wanted)) {
            return true;
        }
    }
    return false;
}

struct Run {
    bool ok{};
    double boundMs{};
    double listeningMs{};
    double residentMiB{};
};

Run runOnce(const std::string& binDir, std::uint16_t port)
{
    QProcess headless;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    headless.setProcessEnvironment(env);
    net::UdpSocket sender = net::UdpSocket::open();
    const std::uint32_t loopback = net::UdpSocket::resolveIpv4("127.0.0.1").value_or(0);
    const std::string ping = "*ping";
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(ping.data()),
                                           ping.size());
    const std::int64_t started = nowNs();
    headless.start(QString::fromStdString(binDir + "/mirevo"),
                   {"--headless", "--port", QString::number(port), "--midi-out", "none"});
    Run run;
    if (!headless.waitForStarted(5000)) {
        return run;
    }
    // Pings every 200 µs until one is printed: it listens and hands lines on.
    std::int64_t bound = 0;
    std::int64_t heard = 0;
    while (nowNs() - started < 5'000'000'000LL && heard == 0) {
        if (bound == 0 && portBound(port)) {
            bound = nowNs();
        }
        (void)sender.sendTo({.address = loopback, .port = port}, bytes);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (headless.waitForReadyRead(0) || headless.bytesAvailable() > 0) {
            if (headless.readAllStandardOutput().contains(">ping")) {
                heard = nowNs();
            }
        }
    }
    if (heard != 0) {
        // Settled: what it holds while idle.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const std::string process = std::to_string(headless.processId());
        const long all = residentKiB(process);
        const long jack = jackSharedKiB(process);
        run.ok = all > 0;
        run.listeningMs = static_cast<double>(heard - started) / 1e6;
        run.boundMs = static_cast<double>((bound != 0 ? bound : heard) - started) / 1e6;
        run.residentMiB = static_cast<double>(all - jack) / 1024.0;
    }
    headless.terminate();
    (void)headless.waitForFinished(2000);
    return run;
}

}  // namespace

void measureHeadless(ResultTable& table, const BenchOptions& options)
{
    std::string whyNot;
    const auto jack = testsupport::JackServer::start(whyNot);
    const int runs = options.quick ? 3 : 15;
    std::fprintf(stderr, "headless start-up and memory, %d runs...\n", runs);
    std::vector<double> bound;
    std::vector<double> listening;
    std::vector<double> resident;
    for (int i = 0; i < runs; ++i) {
        const Run run = runOnce(options.binDir, static_cast<std::uint16_t>(23800 + i));
        if (run.ok) {
            bound.push_back(run.boundMs);
            listening.push_back(run.listeningMs);
            resident.push_back(run.residentMiB);
        }
    }
    if (listening.empty()) {
        table.add({"9. headless", "", std::nullopt, std::nullopt, "", std::nullopt, "did not run"});
        return;
    }
    const double start = median(bound);
    const double printed = median(listening);
    const double memory = median(resident);
    const std::string where =
        jack ? "JACK server running, our MIDI In open" : "no JACK server: " + whyNot;
    table.add({"9. headless: process start to listening (port bound), median", "ms", start,
               std::nullopt, "< 50", start < 50,
               where + "; max " + formatFigure(*std::ranges::max_element(bound))});
    table.add({"9. headless: process start to the first received line printed, median", "ms",
               printed, std::nullopt, "", std::nullopt,
               "after the MIDI devices are open; max " +
                   formatFigure(*std::ranges::max_element(listening))});
    table.add({"9. headless: resident memory, no synthesizer", "MiB", memory, std::nullopt, "< 25",
               memory < 25, "not counting JACK's shared memory"});
}

}  // namespace bench
