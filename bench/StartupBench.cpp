#include "bench/StartupBench.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchClock.h"

namespace bench {

namespace {

struct ProbeRun {
    bool ok{};
    double startToShownMs{};  // process start to the first paint
    double mainToShownMs{};   // main() to the first paint
    bool synth{};
    double residentMiB{};
};

QProcessEnvironment offscreen()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

ProbeRun runProbe(const std::string& binDir, bool withoutAudio)
{
    QProcess probe;
    probe.setProcessEnvironment(offscreen());
    probe.setProcessChannelMode(QProcess::SeparateChannels);
    QStringList args;
    if (withoutAudio) {
        args << QStringLiteral("--synth-without-audio");
    }
    const std::int64_t started = nowNs();
    probe.start(QString::fromStdString(binDir + "/mirevo_startup_probe"), args);
    ProbeRun run;
    if (!probe.waitForFinished(30'000) || probe.exitCode() != 0) {
        return run;
    }
    std::map<std::string, long long> values;
    std::istringstream out(probe.readAllStandardOutput().toStdString());
    std::string key;
    long long value = 0;
    while (out >> key >> value) {
        values[key] = value;
    }
    if (values["shown"] == 0) {
        return run;
    }
    run.ok = true;
    run.startToShownMs = static_cast<double>(values["shown"] - started) / 1e6;
    run.mainToShownMs = static_cast<double>(values["shown"] - values["main"]) / 1e6;
    run.synth = values["synth"] != 0;
    run.residentMiB = static_cast<double>(values["rss_kib"]) / 1024.0;
    return run;
}

double median(std::vector<double> values)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The real program, left idle for a while on the offscreen platform.
double programResidentMiB(const std::string& binDir)
{
    QProcess program;
    program.setProcessEnvironment(offscreen());
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setStandardErrorFile(QProcess::nullDevice());
    program.start(QString::fromStdString(binDir + "/mirevo"));
    if (!program.waitForStarted(5'000)) {
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    std::ifstream status("/proc/" + std::to_string(program.processId()) + "/status");
    std::string key;
    long kib = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> kib;
            break;
        }
    }
    program.kill();
    program.waitForFinished(5'000);
    return static_cast<double>(kib) / 1024.0;
}

}  // namespace

void measureStartup(ResultTable& table, const BenchOptions& options)
{
    const int runs = options.quick ? 2 : 7;
    std::fprintf(stderr, "start-up and memory, %d runs...\n", runs);
    std::vector<double> startToShown;
    std::vector<double> mainToShown;
    std::vector<double> residentWithSynth;
    bool synthWithDevices = false;
    bool synthWithoutAudio = false;
    for (int i = 0; i < runs; ++i) {
        const ProbeRun real = runProbe(options.binDir, false);
        const ProbeRun loaded = runProbe(options.binDir, true);
        if (real.ok) {
            startToShown.push_back(real.startToShownMs);
            mainToShown.push_back(real.mainToShownMs);
            synthWithDevices = real.synth;
        }
        if (loaded.ok) {
            residentWithSynth.push_back(loaded.residentMiB);
            synthWithoutAudio = loaded.synth;
        }
    }
    if (startToShown.empty()) {
        table.add({"6. start-up", "", std::nullopt, std::nullopt, "", std::nullopt,
                   "mirevo_startup_probe did not run"});
        return;
    }
    const double program = programResidentMiB(options.binDir);

    const double shown = median(startToShown);
    table.add({"6. start-up: process start to the window's first paint", "ms", shown, std::nullopt,
               "< 300 ms", shown < 300,
               "median of " + std::to_string(startToShown.size()) + " (" +
                   formatFigure(*std::min_element(startToShown.begin(), startToShown.end())) + "–" +
                   formatFigure(*std::max_element(startToShown.begin(), startToShown.end())) +
                   " ms); main() to first paint " + formatFigure(median(mainToShown)) + " ms"});
    const double loaded = median(residentWithSynth);
    table.add({"6. idle resident memory, built-in synthesizer loaded", "MiB", loaded, std::nullopt,
               "< 80 MB", loaded * 1.048576 < 80,
               synthWithoutAudio ? "SoundFont loaded, no audio output (none on this machine)"
                                 : "**the synthesizer did not load**"});
    table.add({"6. idle resident memory, build/bin/mirevo as started", "MiB", program, std::nullopt,
               "", std::nullopt,
               synthWithDevices ? "synthesizer playing"
                                : "synthesizer not open: no audio output on this machine"});
}

}  // namespace bench
