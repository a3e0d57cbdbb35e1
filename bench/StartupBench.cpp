#include "bench/StartupBench.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "bench/BenchClock.h"
#include "midi/SynthOptions.h"
#include "tests/support/JackServer.h"

namespace bench {

namespace {

struct ProbeRun {
    bool ok{};
    double startToShownMs{};  // process start to the first paint
    double mainToShownMs{};   // main() to the first paint
    double startToReadyMs{};  // process start to the synthesizer ready (0: never)
    bool synth{};
    double residentMiB{};    // not counting the JACK server's shared memory
    double jackSharedMiB{};  // the JACK server's shared memory, mapped
};

QProcessEnvironment offscreen()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

ProbeRun runProbe(const std::string& binDir, const QStringList& args = {})
{
    QProcess probe;
    probe.setProcessEnvironment(offscreen());
    probe.setProcessChannelMode(QProcess::SeparateChannels);
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
    run.startToReadyMs =
        values["ready"] == 0 ? 0 : static_cast<double>(values["ready"] - started) / 1e6;
    run.synth = values["synth"] != 0;
    run.jackSharedMiB = static_cast<double>(values["jack_kib"]) / 1024.0;
    run.residentMiB = static_cast<double>(values["rss_kib"]) / 1024.0 - run.jackSharedMiB;
    return run;
}

std::string range(const std::vector<double>& values)
{
    return formatFigure(*std::min_element(values.begin(), values.end())) + "–" +
           formatFigure(*std::max_element(values.begin(), values.end()));
}

// The SoundFont the synthesizer loads: the first of its list that is there.
std::string soundFontName()
{
    for (const std::string& path : midi::SynthOptions{}.soundFonts) {
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) {
            return std::filesystem::path(path).filename().string();
        }
    }
    return "no SoundFont";
}

}  // namespace

void measureStartup(ResultTable& table, const BenchOptions& options)
{
    // The synthesizer plays on a JACK server of our own (dummy driver), as
    // on a desktop running JACK; the probes find it through the
    // environment.
    std::string whyNot;
    const auto jack = testsupport::JackServer::start(whyNot);
    const int runs = options.quick ? 2 : 7;
    std::fprintf(stderr, "start-up and memory, %d runs...\n", runs);
    std::vector<double> startToShown;
    std::vector<double> mainToShown;
    std::vector<double> startToReady;
    std::vector<double> resident;
    std::vector<double> jackShared;
    std::vector<double> withoutPorts;
    bool synth = true;
    for (int i = 0; i < runs; ++i) {
        const ProbeRun alone = runProbe(options.binDir, {QStringLiteral("--no-midi-ports")});
        if (alone.ok) {
            withoutPorts.push_back(alone.mainToShownMs);
        }
        const ProbeRun run = runProbe(options.binDir);
        if (run.ok) {
            startToShown.push_back(run.startToShownMs);
            mainToShown.push_back(run.mainToShownMs);
            resident.push_back(run.residentMiB);
            jackShared.push_back(run.jackSharedMiB);
            synth = synth && run.synth && run.startToReadyMs > 0;
            if (run.startToReadyMs > 0) {
                startToReady.push_back(run.startToReadyMs);
            }
        }
    }
    if (startToShown.empty()) {
        table.add({"6. start-up", "", std::nullopt, std::nullopt, "", std::nullopt,
                   "mirevo_startup_probe did not run"});
        return;
    }
    const std::string font = soundFontName();
    const std::string where =
        jack ? "on JACK (dummy driver)" : "**no JACK server: " + whyNot + "**";

    const double shown = median(startToShown);
    table.add({"6. start-up: process start to the window's first paint", "ms", shown, std::nullopt,
               "< 100 ms", shown < 100,
               "median of " + std::to_string(startToShown.size()) + " (" + range(startToShown) +
                   " ms); main() to first paint " + formatFigure(median(mainToShown)) +
                   " ms, without opening the MIDI ports " + formatFigure(median(withoutPorts)) +
                   " ms; " + font + " installed"});
    if (!startToReady.empty()) {
        const double ready = median(startToReady);
        table.add({"6. start-up: process start to the synthesizer ready (MIDI OUT checked)", "ms",
                   ready, std::nullopt, "", std::nullopt,
                   "median (" + range(startToReady) + " ms); " + font + ", " + where});
    }
    const double memory = median(resident);
    table.add({"6. idle resident memory, synthesizer playing", "MiB", memory, std::nullopt,
               "< 80 MB", memory * 1.048576 < 80,
               (synth ? font + " " + where : "**the synthesizer did not open** (" + where + ")") +
                   "; not counting the JACK server's shared memory every client maps (" +
                   formatFigure(median(jackShared)) + " MiB more)"});
}

}  // namespace bench
