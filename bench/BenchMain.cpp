// Mirevo's benchmarks: prints a Markdown table of figures, each beside the
// same work done with raw UDP in the same run.
//
//   mirevo_bench [--quick]
//   [--only=latency|throughput|send|flood|log|keypress|startup|jack|synth|headless]
//
// Progress goes to standard error, the table to standard output.
#include <benchmark/benchmark.h>
#include <sys/prctl.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <QApplication>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchOptions.h"
#include "bench/HeadlessBench.h"
#include "bench/LogBench.h"
#include "bench/MidiLoopBench.h"
#include "bench/ReceivePathBench.h"
#include "bench/ResultTable.h"
#include "bench/SendCostBench.h"
#include "bench/StartupBench.h"
#include "bench/SynthBench.h"
#include "bench/WindowBench.h"

namespace {

std::string firstLineStarting(const char* path, std::string_view prefix)
{
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.starts_with(prefix)) {
            const auto colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(colon + 2);
        }
    }
    return "?";
}

std::string fileText(const char* path)
{
    std::ifstream file(path);
    std::string text;
    std::getline(file, text);
    return text;
}

void printMachine()
{
    utsname names{};
    uname(&names);
    char date[32] = {};
    const std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", std::localtime(&now));
    std::printf("Machine: %ld cores, %s, Linux %s; net.core.rmem_max %s; %s\n\n",
                sysconf(_SC_NPROCESSORS_ONLN),
                firstLineStarting("/proc/cpuinfo", "model name").c_str(), names.release,
                fileText("/proc/sys/net/core/rmem_max").c_str(), date);
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Sleeps end when due, not up to 50 µs later: pacing at 10,000/s needs it.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    int benchmarkArgc = 1;
    benchmark::Initialize(&benchmarkArgc, argv);
    QApplication app(argc, argv);

    bench::BenchOptions options;
    options.binDir = QCoreApplication::applicationDirPath().toStdString();
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--quick") {
            options.quick = true;
        } else if (arg == "--log-memory-probe") {
            return bench::logMemoryProbe();
        } else if (arg.starts_with("--only=")) {
            options.only = arg.substr(7);
        } else {
            std::fprintf(stderr, "usage: %s [--quick] [--only=SECTION]\n", argv[0]);
            return 2;
        }
    }

    const std::vector<std::pair<std::string, std::function<void(bench::ResultTable&)>>> sections{
        {"latency", [&](auto& t) { bench::measureLatency(t, options); }},
        {"throughput", [&](auto& t) { bench::measureReceiveThroughput(t, options); }},
        {"send", [&](auto& t) { bench::measureSendCost(t, options); }},
        {"flood", [&](auto& t) { bench::measureTextFlood(t, options); }},
        {"log", [&](auto& t) { bench::measureLogCost(t, options); }},
        {"keypress", [&](auto& t) { bench::measureKeyPress(t, options); }},
        {"startup", [&](auto& t) { bench::measureStartup(t, options); }},
        {"jack", [&](auto& t) { bench::measureJackMidiLoop(t, options); }},
        {"synth", [&](auto& t) { bench::measureSynth(t, options); }},
        {"headless", [&](auto& t) { bench::measureHeadless(t, options); }},
    };
    bench::ResultTable table;
    for (const auto& [name, run] : sections) {
        if (options.only.empty() || name.find(options.only) != std::string::npos) {
            run(table);
        }
    }
    if (options.quick) {
        std::printf("(--quick: too few samples to quote)\n\n");
    }
    printMachine();
    table.print(stdout);
    return 0;
}
