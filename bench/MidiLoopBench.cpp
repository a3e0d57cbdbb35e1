#include "bench/MidiLoopBench.h"

#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/FillLog.h"
#include "bench/JackThru.h"
#include "bench/LineFlood.h"
#include "bench/MidiLoopWindow.h"
#include "gui/LogModel.h"
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

// Runs the loop `runs` times, one after another, through the same ports.
std::vector<LoopRun> runRepeatedly(const QString& out, const QString& in, int runs, int messages)
{
    std::vector<LoopRun> done;
    for (int i = 0; i < runs; ++i) {
        done.push_back(runLatencyTest(out, in, messages));
    }
    return done;
}

// The quiet loop, run again and again: the thru client's runs, then those
// of one window kept open for all of them.
struct QuietRuns {
    std::vector<LoopRun> ours;
    std::vector<LoopRun> thru;
};

QuietRuns runQuiet(int runs, int messages)
{
    QuietRuns quiet;
    {
        const JackThru client("thru");
        if (client.valid()) {
            quiet.thru = runRepeatedly(QStringLiteral("thru:in"), QStringLiteral("thru:out"), runs,
                                       messages);
        }
    }
    const MidiLoopWindow window;
    if (window.ready()) {
        quiet.ours = runRepeatedly(QStringLiteral("Mirevo:MIDI In"),
                                   QStringLiteral("Mirevo:MIDI Out"), runs, messages);
    }
    window.reportMessages();
    return quiet;
}

constexpr std::uint64_t kFloodFilled = 200'000;
constexpr double kFloodRate = 2000;

// The loop while chat arrives at the window's listening port.
struct FloodRun {
    LoopRun loop;
    std::uint64_t offered{};
    std::uint64_t logged{};
};

struct FloodRuns {
    FloodRun ours;
    FloodRun thru;
};

// Turns the event loop until the log has stopped growing for `quietMs`.
void settleLog(const gui::LogModel& log, int quietMs)
{
    int rows = -1;
    while (rows != log.rowCount()) {
        rows = log.rowCount();
        QTest::qWait(quietMs);
    }
}

// Runs the loop from `out` to `in` while chat lines arrive at the window,
// kFloodRate a second; counts the lines offered and those its log took.
FloodRun runFlooded(const MidiLoopWindow& window, const QString& out, const QString& in,
                    int messages)
{
    FloodRun run;
    const int rowsBefore = window.log().rowCount();
    LineFlood flood(window.port(), kFloodRate);
    run.loop = runLatencyTest(out, in, messages);
    run.offered = flood.stop();
    settleLog(window.log(), 200);
    run.logged = static_cast<std::uint64_t>(window.log().rowCount() - rowsBefore);
    return run;
}

// A fresh window whose log is filled first; Mirevo's loop runs under the
// flood, then the thru client's under the same flood into the same window.
FloodRuns runUnderFlood(int messages)
{
    FloodRuns runs;
    const MidiLoopWindow window;
    if (!window.ready()) {
        return runs;
    }
    fillLog(window.log(), kFloodFilled);
    settleLog(window.log(), 500);
    runs.ours = runFlooded(window, QStringLiteral("Mirevo:MIDI In"),
                           QStringLiteral("Mirevo:MIDI Out"), messages);
    {
        const JackThru client("thru");
        if (client.valid()) {
            runs.thru =
                runFlooded(window, QStringLiteral("thru:in"), QStringLiteral("thru:out"), messages);
        }
    }
    window.reportMessages();
    return runs;
}

std::string serverNote(bool realtime)
{
    return std::string(realtime ? "real-time" : "not real-time") +
           " server, 256 frames at 48 kHz (" + formatFigure(kPeriodMs) + " ms a period)";
}

// A count, its thousands separated: 21,457.
std::string count(std::uint64_t n)
{
    return n < 1000 ? std::to_string(n) : formatFigure(static_cast<double>(n));
}

constexpr double kWorstGoalMs = 2 * kPeriodMs + 1.0;

// The worst-case goal to the hundredth (11.67 ms), which formatFigure would
// round to the figures it is compared with.
std::string worstGoal()
{
    char text[32] = {};
    std::snprintf(text, sizeof text, "%.2f ms", kWorstGoalMs);
    return text;
}

// What a run that gave no figures came to, for the notes: "; the thru
// client's run stopped at 528 of 529 back"; empty for one that ran through.
std::string stoppedNote(const std::string& whose, const LoopRun& run)
{
    return run.ran ? ""
                   : "; " + whose + " run stopped at " + std::to_string(run.received) + " of " +
                         std::to_string(run.sent) + " back";
}

// The three rows of one loop beside the thru client's: average, worst and
// messages returned, each with its own note.
struct LoopRows {
    std::string measure;  // up to the row's own words: "8. MIDI loop on JACK, "
    std::string averageNote;
    std::string worstNote;
    std::string returnedNote;
};

void addLoopRows(ResultTable& table, const LoopRows& rows, const LoopRun& ours, const LoopRun& thru)
{
    const auto figure = [](const LoopRun& run, double LoopRun::*field) {
        return run.ran ? std::optional(run.*field) : std::nullopt;
    };
    // Without the thru client's average there is nothing to hold ours against.
    std::optional<bool> averageMet;
    if (!ours.ran) {
        averageMet = false;
    } else if (thru.ran) {
        averageMet = ours.averageMs <= thru.averageMs + kPeriodMs;
    }
    table.add(ResultRow{rows.measure + "average", "ms", figure(ours, &LoopRun::averageMs),
                        figure(thru, &LoopRun::averageMs), "≤ thru + 1 period", averageMet,
                        rows.averageNote});
    table.add(ResultRow{rows.measure + "worst", "ms", figure(ours, &LoopRun::worstMs),
                        figure(thru, &LoopRun::worstMs), "< 2 periods + 1 ms (" + worstGoal() + ")",
                        ours.ran && ours.worstMs < kWorstGoalMs,
                        "xruns " + std::to_string(ours.xruns) + " / " + std::to_string(thru.xruns) +
                            stoppedNote("Mirevo's", ours) + stoppedNote("the thru client's", thru) +
                            rows.worstNote});
    table.add(ResultRow{rows.measure + "messages returned", "", static_cast<double>(ours.received),
                        static_cast<double>(thru.received), "all",
                        ours.received == ours.sent && ours.sent > 0,
                        "of " + std::to_string(ours.sent) + " / " + std::to_string(thru.sent) +
                            " sent" + rows.returnedNote});
}

void addFirstRunRows(ResultTable& table, const LoopRun& ours, const LoopRun& thru, bool realtime,
                     int runs)
{
    const std::string which = "; the first of " + std::to_string(runs) + " runs";
    addLoopRows(table,
                {.measure = "8. MIDI in → datagram → MIDI out on JACK, ",
                 .averageNote = "beside: a JACK MIDI thru client; " + serverNote(realtime) + which,
                 .worstNote = which,
                 .returnedNote = ", measured with jack_midi_latency_test" + which},
                ours, thru);
}

// Each run's highest latency, "10.7, 12.0 (1 xrun), ... ms"; for a run that
// gave no figures, how far it came.
std::string worstList(const std::vector<LoopRun>& runs)
{
    std::string list;
    for (const LoopRun& run : runs) {
        list += list.empty() ? "" : ", ";
        // jack_midi_latency_test gives up at the first message that does
        // not come back, and then prints no latency.
        list += run.ran ? formatFigure(run.worstMs)
                        : "none, stopped at " + std::to_string(run.received) + " of " +
                              std::to_string(run.sent) + " back";
        if (run.xruns != 0) {
            list += " (" + std::to_string(run.xruns) + (run.xruns == 1 ? " xrun)" : " xruns)");
        }
    }
    return list + " ms";
}

void addRepeatedRow(ResultTable& table, const QuietRuns& quiet, int runs, int messages)
{
    const auto worstOf = [](const std::vector<LoopRun>& done) {
        double worst = 0;
        for (const LoopRun& run : done) {
            worst = std::max(worst, run.worstMs);
        }
        return worst;
    };
    const auto sum = [](const std::vector<LoopRun>& done, int LoopRun::*field) {
        int total = 0;
        for (const LoopRun& run : done) {
            total += run.*field;
        }
        return count(static_cast<std::uint64_t>(total));
    };
    const bool allUnder =
        static_cast<int>(quiet.ours.size()) == runs &&
        std::ranges::all_of(quiet.ours, [](const LoopRun& run) {
            return run.ran && run.received == run.sent && run.worstMs < kWorstGoalMs;
        });
    table.add(ResultRow{
        "8. MIDI loop on JACK, worst of " + std::to_string(runs) + " runs of " +
            count(static_cast<std::uint64_t>(messages)),
        "ms", worstOf(quiet.ours), worstOf(quiet.thru),
        "every run < 2 periods + 1 ms (" + worstGoal() + ")", allUnder,
        "each run's worst: " + worstList(quiet.ours) + "; thru: " + worstList(quiet.thru) +
            "; xruns " + sum(quiet.ours, &LoopRun::xruns) + " / " +
            sum(quiet.thru, &LoopRun::xruns) + "; returned " + sum(quiet.ours, &LoopRun::received) +
            " of " + sum(quiet.ours, &LoopRun::sent) + "; one window open for all the runs"});
}

void addFloodRows(ResultTable& table, const FloodRuns& flood)
{
    addLoopRows(table,
                {.measure = "8. MIDI loop on JACK under " +
                            count(static_cast<std::uint64_t>(kFloodRate)) + " chat lines/s, ",
                 .averageNote = "log holding " + count(kFloodFilled) +
                                " lines first; beside: the thru client under the same flood into "
                                "the same window",
                 .worstNote = "",
                 .returnedNote =
                     "; lines offered / logged while the loop ran: " + count(flood.ours.offered) +
                     " / " + count(flood.ours.logged) + " (thru's: " + count(flood.thru.offered) +
                     " / " + count(flood.thru.logged) + ")"},
                flood.ours.loop, flood.thru.loop);
}

}  // namespace

void measureJackMidiLoop(ResultTable& table, const BenchOptions& options)
{
    const int messages = options.quick ? 100 : 1000;
    std::fprintf(stderr, "MIDI loop on JACK, %d messages a run:\n", messages);
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
    const int runs = options.quick ? 2 : 10;
    std::fprintf(stderr, "  %d runs of %d through a thru client, then through one window...\n",
                 runs, messages);
    const QuietRuns quiet = runQuiet(runs, messages);
    addFirstRunRows(table, quiet.ours.empty() ? LoopRun{} : quiet.ours.front(),
                    quiet.thru.empty() ? LoopRun{} : quiet.thru.front(), realtime, runs);
    addRepeatedRow(table, quiet, runs, messages);

    std::fprintf(stderr,
                 "  %d messages under %.0f chat lines/s over a log of %llu lines, through a fresh "
                 "window, then through the thru client...\n",
                 messages, kFloodRate, static_cast<unsigned long long>(kFloodFilled));
    addFloodRows(table, runUnderFlood(messages));
}

}  // namespace bench
