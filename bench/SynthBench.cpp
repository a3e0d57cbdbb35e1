#include "bench/SynthBench.h"

#include <jack/jack.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/ArrivalLog.h"
#include "bench/JackClick.h"
#include "bench/JackListener.h"
#include "bench/RawReceiver.h"
#include "bench/RawSender.h"
#include "bench/Summary.h"
#include "bench/ToolReceiver.h"
#include "midi/SynthOutput.h"
#include "net/Datagram.h"
#include "tests/support/JackServer.h"

namespace bench {

namespace {

using namespace std::chrono_literals;

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(200us);
    }
    return true;
}

// Once all is quiet, sends `messages` as datagrams, the first at the given
// point of a JACK period and the rest right after, and returns how long it
// took from the first until the ear heard a sample above its level,
// in nanoseconds (nothing: never heard).
std::optional<std::int64_t> timeToSound(JackListener& ear, RawSender& sender,
                                        const std::vector<std::uint32_t>& messages,
                                        double periodFraction)
{
    if (!waitUntil([&] { return ear.quietCycles() > 4; }, 10s)) {
        return std::nullopt;
    }
    // The wait ends just after a cycle: datagrams would always come at the
    // same point of the period without this.
    const std::uint64_t quiet = ear.quietCycles();
    (void)waitUntil([&] { return ear.quietCycles() != quiet; }, 1s);
    std::this_thread::sleep_for(
        std::chrono::duration<double, std::micro>(periodFraction * ear.periodMicroseconds()));
    ear.arm();
    const jack_time_t sent = jack_get_time();
    for (const std::uint32_t message : messages) {
        (void)sender.send(net::makeMidiDatagram(message));
    }
    if (!waitUntil([&] { return ear.heardAt() != 0; }, 2s)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(ear.heardAt() - sent) * 1000;
}

constexpr std::uint32_t noteOn(unsigned note)
{
    return 0x640090U | (note << 8U);
}
constexpr std::uint32_t noteOff(unsigned note)
{
    return 0x000090U | (note << 8U);
}
constexpr std::uint32_t kAllSoundOff = 0x0078B0U;  // CC 120 on channel 1

// The i-th of evenly spread points of a period (the golden ratio's steps).
double spread(std::size_t i)
{
    const double step = 0.6180339887 * static_cast<double>(i);
    return step - static_cast<double>(static_cast<long>(step));
}

// Programs never chosen before in the synthesizer, one per trial.
constexpr std::array<unsigned, 12> kNewPrograms = {19, 24, 40, 56, 73, 48, 33, 65, 11, 104, 16, 68};

struct SynthRuns {
    std::vector<std::int64_t> notes;
    std::vector<std::int64_t> newPrograms;
    int unheard = 0;
    std::uint32_t periodFrames = 0;
    double periodUs = 0;
};

void note(std::optional<std::int64_t> took, std::vector<std::int64_t>& times, int& unheard)
{
    if (took) {
        times.push_back(*took);
    } else {
        ++unheard;
    }
}

SynthRuns synthRuns(int notes, std::size_t programs)
{
    SynthRuns runs;
    const std::atomic<bool> cancel{false};
    midi::SynthOutput::Opened opened = midi::SynthOutput::open(
        midi::SynthOptions{.audioOutputs = {midi::AudioOutput::Jack}}, cancel);
    if (!opened.output) {
        return runs;
    }
    const ToolReceiver receiver(std::shared_ptr<midi::MidiOutput>(std::move(opened.output)));
    JackListener ear("Bench Ear", "^Mirevo Synth:");
    runs.periodFrames = ear.periodFrames();
    runs.periodUs = ear.periodMicroseconds();
    RawSender sender(receiver.port());
    for (int i = 0; i < notes; ++i) {
        const unsigned key = 60U + static_cast<unsigned>(i % 12);
        note(timeToSound(ear, sender, {noteOn(key)}, spread(static_cast<std::size_t>(i))),
             runs.notes, runs.unheard);
        (void)sender.send(net::makeMidiDatagram(noteOff(key)));
        (void)sender.send(net::makeMidiDatagram(kAllSoundOff));
    }
    for (std::size_t i = 0; i < programs && i < kNewPrograms.size(); ++i) {
        note(timeToSound(ear, sender, {0xC0U | (kNewPrograms[i] << 8U), noteOn(60)}, spread(i)),
             runs.newPrograms, runs.unheard);
        (void)sender.send(net::makeMidiDatagram(noteOff(60)));
        (void)sender.send(net::makeMidiDatagram(kAllSoundOff));
    }
    return runs;
}

std::vector<std::int64_t> rawRuns(int notes, int& unheard)
{
    std::vector<std::int64_t> times;
    ArrivalLog log(0);
    const RawReceiver receiver(log);
    const JackClick click(log);
    JackListener ear("Bench Raw Ear", "^Bench Click:");
    RawSender sender(receiver.port());
    for (int i = 0; i < notes && click.running(); ++i) {
        note(timeToSound(ear, sender, {noteOn(60)}, spread(static_cast<std::size_t>(i))), times,
             unheard);
    }
    return times;
}

double ms(double us)
{
    return us / 1000.0;
}

}  // namespace

void measureSynth(ResultTable& table, const BenchOptions& options)
{
    std::string whyNot;
    const auto jack = testsupport::JackServer::start(whyNot);
    if (!jack) {
        table.add({"7. synthesizer", "", std::nullopt, std::nullopt, "", std::nullopt, whyNot});
        return;
    }
    const int notes = options.quick ? 5 : 100;
    const std::size_t programs = options.quick ? 2 : kNewPrograms.size();
    std::fprintf(stderr, "synthesizer on JACK, %d notes and %zu new programs...\n", notes,
                 programs);
    SynthRuns synth = synthRuns(notes, programs);
    int rawUnheard = 0;
    std::vector<std::int64_t> raw = rawRuns(notes, rawUnheard);
    if (synth.notes.empty()) {
        table.add({"7. synthesizer", "", std::nullopt, std::nullopt, "", std::nullopt,
                   "**the synthesizer did not open on JACK**"});
        return;
    }

    const double goalMs = ms(synth.periodUs) + 3.0;
    const std::string goal = "≤ period + 3 ms (" + formatFigure(goalMs) + " ms)";
    const Summary s = summarize(synth.notes);
    const Summary r = summarize(raw);
    const std::string period = "JACK period " + std::to_string(synth.periodFrames) + " frames, " +
                               formatFigure(ms(synth.periodUs)) + " ms";
    table.add({"7. datagram to first audible sample, built-in synthesizer on JACK, p50", "ms",
               ms(s.p50), ms(r.p50), "", std::nullopt,
               std::to_string(s.count) + " notes; " + period +
                   "; raw: a bare JACK client sounding when a bare socket got the datagram"});
    table.add({"7. datagram to first audible sample, built-in synthesizer on JACK, max", "ms",
               ms(s.max), ms(r.max), goal, ms(s.max) <= goalMs,
               std::to_string(synth.unheard + rawUnheard) + " never heard"});
    if (!synth.newPrograms.empty()) {
        const Summary p = summarize(synth.newPrograms);
        table.add({"7. first note of a program not yet loaded (Program Change + Note On), p50",
                   "ms", ms(p.p50), std::nullopt, "", std::nullopt,
                   std::to_string(p.count) +
                       " programs; their samples load on demand (here from the page cache)"});
        table.add({"7. first note of a program not yet loaded, max", "ms", ms(p.max), std::nullopt,
                   "", std::nullopt, ""});
    }
}

}  // namespace bench
