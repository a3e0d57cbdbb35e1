#include "bench/MidiLoopBench.h"

#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "bench/JackThru.h"
#include "bench/MidiLoopWindow.h"
#include "tests/support/JackServer.h"

namespace bench {

namespace {

constexpr double kSampleRate = 48000.0;
constexpr double kPeriodFrames = 256.0;  // as tests/support/JackServer starts it
constexpr double kPeriodMs = 1000.0 * kPeriodFrames / kSampleRate;

// What jack_midi_latency_test printed.
struct LoopRun {
    bool ran{};
    double averageMs{};
    double worstMs{};
    int sent{};
    int received{};
    int xruns{};
};

std::optional<double> numberAfter(const QString& text, const QString& label)
{
    const QRegularExpression pattern(QRegularExpression::escape(label) +
                                     QStringLiteral("\\s*([0-9.]+)"));
    const QRegularExpressionMatch match = pattern.match(text);
    bool ok = false;
    const double value = match.hasMatch() ? match.captured(1).toDouble(&ok) : 0.0;
    return ok ? std::optional(value) : std::nullopt;
}

// Runs the latency test into `out` and back from `in`, turning the event
// loop meanwhile (the window forwards from it).
LoopRun runLatencyTest(const QString& out, const QString& in, int messages)
{
    QProcess test;
    test.setProcessChannelMode(QProcess::MergedChannels);
    QEventLoop loop;
    QObject::connect(&test, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&test, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    test.start(QStringLiteral("jack_midi_latency_test"),
               {QStringLiteral("-s"), QString::number(messages), out, in});
    QTimer::singleShot(messages * 100 + 30000, &loop, &QEventLoop::quit);
    loop.exec();
    if (test.state() != QProcess::NotRunning) {
        test.kill();
        test.waitForFinished();
    }
    const QString text = QString::fromLocal8Bit(test.readAll());
    LoopRun run;
    const auto average = numberAfter(text, QStringLiteral("Average latency:"));
    const auto worst = numberAfter(text, QStringLiteral("Highest latency:"));
    run.sent = static_cast<int>(numberAfter(text, QStringLiteral("Messages sent:")).value_or(0));
    run.received =
        static_cast<int>(numberAfter(text, QStringLiteral("Messages received:")).value_or(0));
    run.xruns = static_cast<int>(numberAfter(text, QStringLiteral("Xruns:")).value_or(0));
    run.ran = average.has_value() && worst.has_value();
    run.averageMs = average.value_or(0);
    run.worstMs = worst.value_or(0);
    if (!run.ran) {
        std::fprintf(stderr, "jack_midi_latency_test gave no figures:\n%s\n",
                     text.toLocal8Bit().constData());
    }
    return run;
}

// One copy hearing itself (see MidiLoopWindow).
LoopRun runThroughMirevo(int messages)
{
    const MidiLoopWindow window;
    if (!window.ready()) {
        return {};
    }
    LoopRun run = runLatencyTest(QStringLiteral("Mirevo:MIDI In"),
                                 QStringLiteral("Mirevo:MIDI Out"), messages);
    window.reportMessages();
    return run;
}

void addRows(ResultTable& table, const LoopRun& ours, const LoopRun& thru, bool realtime)
{
    const std::string beside = "beside: a JACK MIDI thru client";
    const std::string server = std::string(realtime ? "real-time" : "not real-time") +
                               " server, 256 frames at 48 kHz (" + formatFigure(kPeriodMs) +
                               " ms a period)";
    table.add(ResultRow{"8. MIDI in → datagram → MIDI out on JACK, average", "ms", ours.averageMs,
                        thru.averageMs, "≤ thru + 1 period",
                        ours.averageMs <= thru.averageMs + kPeriodMs, beside + "; " + server});
    table.add(
        ResultRow{"8. MIDI in → datagram → MIDI out on JACK, worst", "ms", ours.worstMs,
                  thru.worstMs, "< 2 periods + 1 ms", ours.worstMs < 2 * kPeriodMs + 1.0,
                  "xruns " + std::to_string(ours.xruns) + " / " + std::to_string(thru.xruns)});
    table.add(ResultRow{"8. MIDI in → datagram → MIDI out on JACK, messages returned", "",
                        static_cast<double>(ours.received), static_cast<double>(thru.received),
                        "all", ours.received == ours.sent && ours.sent > 0,
                        "of " + std::to_string(ours.sent) + " / " + std::to_string(thru.sent) +
                            " sent, measured with jack_midi_latency_test"});
}

}  // namespace

void measureJackMidiLoop(ResultTable& table, const BenchOptions& options)
{
    const int messages = options.quick ? 100 : 1000;
    std::fprintf(stderr, "MIDI loop on JACK: %d messages through a thru client, then Mirevo\n",
                 messages);
    std::string whyNot;
    bool realtime = true;
    // As users run it: real-time where allowed, and late clients lose their
    // cycle (no --sync).
    std::unique_ptr<testsupport::JackServer> server =
        testsupport::JackServer::start(whyNot, {.realtime = true, .sync = false});
    if (!server) {
        realtime = false;
        server = testsupport::JackServer::start(whyNot, {.realtime = false, .sync = false});
    }
    if (!server) {
        table.add(ResultRow{"8. MIDI in → datagram → MIDI out on JACK", "", std::nullopt,
                            std::nullopt, "", std::nullopt, "not measured: " + whyNot});
        return;
    }
    LoopRun thru;
    {
        const JackThru client("thru");
        if (client.valid()) {
            thru = runLatencyTest(QStringLiteral("thru:in"), QStringLiteral("thru:out"), messages);
        }
    }
    const LoopRun ours = runThroughMirevo(messages);
    addRows(table, ours, thru, realtime);
}

}  // namespace bench
