#include "bench/SendCostBench.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <map>
#include <string>

#include "bench/BenchTargets.h"
#include "bench/CountingReporter.h"
#include "bench/RawSender.h"
#include "net/Datagram.h"
#include "net/Sender.h"
#include "net/UdpSocket.h"

namespace bench {

namespace {

// Keeps the median real time per iteration of every benchmark, in µs.
class MedianCollector final : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context& /*context*/) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
    }

    std::map<std::string, double> medians;
};

}  // namespace

void measureSendCost(ResultTable& table, const BenchOptions& options)
{
    std::fprintf(stderr, "send cost per datagram...\n");
    // Three receiving sockets that are never read: once their queues are
    // full the kernel drops what arrives, for Mirevo and raw UDP alike.
    std::array<net::UdpSocket, 3> sinks;
    std::array<std::uint16_t, 3> ports{};
    for (std::size_t i = 0; i < sinks.size(); ++i) {
        sinks[i] = net::UdpSocket::open();
        (void)sinks[i].bindAny(0);
        ports[i] = sinks[i].localEndpoint()->port;
    }
    const auto literal = [&](std::size_t i) { return "127.0.0.1:" + std::to_string(ports[i]); };

    const net::MidiDatagram datagram = net::makeMidiDatagram(0x7F3C90U);
    CountingReporter reporter;
    BenchTargets toLiteral(literal(0));
    BenchTargets toLocalhost("localhost:" + std::to_string(ports[0]));
    BenchTargets toAll(literal(0), {literal(0), literal(1), literal(2)}, true);
    RawSender raw(ports[0]);

    const double minTime = options.quick ? 0.1 : 1.0;
    const auto add = [&](const char* name, auto body) {
        benchmark::RegisterBenchmark(name,
                                     [body](benchmark::State& state) {
                                         for (auto _ : state) {
                                             body();
                                         }
                                     })
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(minTime)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true);
    };
    add("raw", [&] { benchmark::DoNotOptimize(raw.send(datagram)); });
    add("raw3", [&] {
        for (const std::uint16_t port : ports) {
            benchmark::DoNotOptimize(raw.sendTo(port, datagram));
        }
    });
    add("literal", [&] { (void)net::sendToTargets(toLiteral, reporter, datagram); });
    add("localhost", [&] { (void)net::sendToTargets(toLocalhost, reporter, datagram); });
    add("all3", [&] { (void)net::sendToTargets(toAll, reporter, datagram); });

    MedianCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::ClearRegisteredBenchmarks();

    const auto& m = collector.medians;
    const auto perSecond = [](double us) { return formatFigure(1e6 / us) + " sends/s"; };
    const std::string failures =
        reporter.failures == 0 ? "" : "; " + std::to_string(reporter.failures) + " failures";
    table.add({"3. send cost to \"127.0.0.1:P\"", "µs", m.at("literal"), m.at("raw"),
               "≥ 20,000/s (≤ 50 µs)", m.at("literal") <= 50.0,
               perSecond(m.at("literal")) + failures});
    table.add({"3. send cost to \"localhost:P\"", "µs", m.at("localhost"), m.at("raw"),
               "≥ 10,000/s (≤ 100 µs)", m.at("localhost") <= 100.0, perSecond(m.at("localhost"))});
    table.add({"3. send cost to three targets (ToAllOfList), per call", "µs", m.at("all3"),
               m.at("raw3"), "", std::nullopt,
               formatFigure(m.at("all3") / 3) + " µs per datagram"});
}

}  // namespace bench
