// The soak run: Start/Stop cycles, floods and MIDI output toggles (the
// built-in synthesizer, loaded anew each time, on a JACK server of its own)
// on the real window for a given time, reporting resident memory and open
// descriptors at the start and the end, and every datagram accounted for
// (handled, or counted as dropped by the kernel). Also measures the memory
// the log takes per line. Not part of CI: scripts/soak runs it.
//
//   mirevo_soak [minutes]   (default 10)
//
// Exit code 0 when nothing was lost and no error was shown, 1 otherwise.
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "gui/MainWindow.h"
#include "gui/MessageBoxes.h"
#include "gui/SelectionDialog.h"
#include "midi/MidiDevices.h"
#include "net/Datagram.h"
#include "net/UdpSocket.h"
#include "resources/ResourceIds.h"
#include "tests/support/JackServer.h"
#include "tests/support/ModalHelpers.h"

namespace {

using namespace std::chrono_literals;
using namespace res;

constexpr int kFloodDatagrams = 20000;
constexpr int kMidiEvery = 10;  // every tenth datagram of a flood is a note
constexpr int kLogMemoryLines = 200000;

class CountingBoxes final : public gui::MessageBoxes {
public:
    void showError(QWidget* /*owner*/, const QString& text) override
    {
        std::printf("error box: %s\n", text.toUtf8().constData());
        ++shown;
    }
    int shown = 0;
};

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(4096, '\n');
    }
    return -1;
}

// The resident part of the JACK server's shared memory, which every JACK
// client maps (it grows as new clients' ports touch it): not ours.
long jackSharedKiB()
{
    std::ifstream maps("/proc/self/smaps");
    std::string line;
    bool jack = false;
    long kib = 0;
    while (std::getline(maps, line)) {
        if (line.starts_with("Rss:")) {
            kib += jack ? std::stol(line.substr(4)) : 0;
        } else if (line.find('-') < line.find(' ')) {
            jack = line.find("/dev/shm/jack") != std::string::npos;
        }
    }
    return kib;
}

std::size_t openDescriptors()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count - 1;
}

std::size_t threads()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

void report(const char* when)
{
    const long jack = jackSharedKiB();
    std::printf("%-22s RSS %6ld KiB (and %6ld of JACK's), %3zu descriptors, %2zu threads\n", when,
                residentKiB() - jack, jack, openDescriptors(), threads());
    std::fflush(stdout);
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout.count()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

std::size_t heapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;  // small blocks and mapped ones
}

// Bytes of heap one log line takes in the window, view included, for a
// typical line.
void measureLogMemory(midi::MidiDevices& devices)
{
    CountingBoxes boxes;
    gui::MainWindow window(boxes, devices);
    window.show();
    // The synthesizer's heap is not the log's.
    (void)waitFor([&] { return window.midiOutputOpen(); }, 30s);
    std::vector<std::vector<std::string>> batches;
    std::size_t textBytes = 0;
    for (int i = 0; i < kLogMemoryLines; i += 1000) {
        std::vector<std::string> batch;
        for (int j = i; j < i + 1000; ++j) {
            batch.push_back("192.168.100.200:54321>message " + std::to_string(j) +
                            " from the soak run");
            textBytes += batch.back().size();
        }
        batches.push_back(std::move(batch));
    }
    malloc_trim(0);
    const std::size_t before = heapInUse();
    for (const auto& batch : batches) {
        window.appendLogLines(batch);
        QCoreApplication::processEvents();
    }
    const std::size_t after = heapInUse();
    const double perLine = static_cast<double>(after - before) / kLogMemoryLines;
    std::printf("log memory: %d lines, %.1f bytes of heap per line (%.1f of them text)\n",
                kLogMemoryLines, perLine, static_cast<double>(textBytes) / kLogMemoryLines);
}

struct Totals {
    std::uint64_t sent = 0;
    std::uint64_t handled = 0;
    std::uint64_t dropped = 0;
    std::uint64_t logged = 0;
    std::uint64_t lost = 0;
    int cycles = 0;
    int toggles = 0;
};

// One cycle: Start, a flood, end markers until the drops are known, the
// output toggled off and on, the log erased, Stop.
bool cycle(gui::MainWindow& window, Totals& totals)
{
    window.mainWindowHandler(IDC_LISTEN);
    if (!waitFor([&] { return window.receiver()->boundPort() != 0; }, 10s)) {
        std::puts("the worker did not listen");
        return false;
    }
    const net::Ipv4Endpoint to{*net::UdpSocket::resolveIpv4("127.0.0.1"),
                               window.receiver()->boundPort()};
    std::atomic<bool> done{false};
    std::uint64_t sent = 0;
    std::thread flood([&] {
        net::UdpSocket socket = net::UdpSocket::open();
        for (int i = 0; i < kFloodDatagrams; ++i) {
            if (i % kMidiEvery == 0) {
                socket.sendTo(to, net::makeMidiDatagram(
                                      0x7F3C90u | ((i / kMidiEvery) % 2 == 0 ? 0u : 0x7F0000u)));
            } else {
                const std::string text = "*soak " + std::to_string(i);
                socket.sendTo(to, std::as_bytes(std::span(text.data(), text.size())));
            }
            ++sent;
        }
        done = true;
    });
    (void)waitFor([&] { return done.load(); }, 120s);
    flood.join();

    // The kernel's drop count comes with the next datagram read: send
    // markers until everything sent is accounted for.
    net::UdpSocket socket = net::UdpSocket::open();
    const auto accounted = [&] {
        const auto* r = window.receiver();
        return r->datagramsHandled() + r->droppedDatagrams() == sent;
    };
    for (int i = 0; i < 200 && !waitFor(accounted, 50ms); ++i) {
        socket.sendTo(to, net::makeMidiDatagram(0xFE));  // Active Sensing
        ++sent;
    }
    const auto* r = window.receiver();
    const std::uint64_t handled = r->datagramsHandled();
    const std::uint64_t dropped = r->droppedDatagrams();
    totals.sent += sent;
    totals.handled += handled;
    totals.dropped += dropped;
    totals.lost += sent > handled + dropped ? sent - handled - dropped : 0;
    auto* log = qobject_cast<QListView*>(window.item(IDC_LOG))->model();
    (void)waitFor([&] { return log->rowCount() > 0; }, 1s);
    totals.logged += static_cast<std::uint64_t>(log->rowCount());

    // Output off, then on again (cancelling the choice opens the default:
    // the synthesizer, open once it has loaded).
    if (waitFor([&] { return window.midiOutputOpen(); }, 30s)) {
        window.mainWindowHandler(IDC_MIDI_OUT);
    }
    testing_support::whenModalShows([](QWidget* modal) {
        qobject_cast<gui::SelectionDialog*>(modal)->selectionDialogHandler(IDCANCEL);
    });
    window.mainWindowHandler(IDC_MIDI_OUT);
    (void)waitFor([&] { return window.midiOutputOpen(); }, 30s);
    totals.toggles += 2;

    window.mainWindowHandler(IDCANCEL);  // erase the log
    window.mainWindowHandler(IDC_LISTEN);
    ++totals.cycles;
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    const double minutes = argc > 1 ? std::stod(argv[1]) : 10.0;
    QApplication app(argc, argv);
    // The synthesizer plays on a JACK server of the soak's own (dummy driver).
    std::string whyNot;
    const auto jack = testsupport::JackServer::start(whyNot);
    if (!jack) {
        std::printf("%s\n", whyNot.c_str());
        return 1;
    }
    midi::MidiDevices devices(midi::MidiBackend::None,
                              midi::SynthOptions{.audioOutputs = {midi::AudioOutput::Jack}});

    measureLogMemory(devices);

    CountingBoxes boxes;
    Totals totals;
    {
        gui::MainWindow window(boxes, devices);
        qobject_cast<QLineEdit*>(window.item(IDC_PORT))->setText("0");
        window.show();
        report("start:");
        // The first cycle loads what stays loaded (fonts, the SoundFont).
        bool ok = cycle(window, totals);
        report("after the first cycle:");
        const auto end = std::chrono::steady_clock::now() +
                         std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                             std::chrono::duration<double, std::ratio<60>>(minutes));
        auto nextReport = std::chrono::steady_clock::now() + 1min;
        while (ok && std::chrono::steady_clock::now() < end) {
            ok = cycle(window, totals);
            if (std::chrono::steady_clock::now() >= nextReport) {
                nextReport += 1min;
                std::printf("%d cycles: ", totals.cycles);
                report("");
            }
        }
        // Let the last stopped worker finish before counting.
        (void)waitFor([] { return false; }, 500ms);
        report("end:");
    }
    std::printf(
        "%d cycles, %d output toggles: %llu datagrams sent, %llu handled, %llu dropped by "
        "the kernel, %llu lost; %llu lines logged; %d error boxes\n",
        totals.cycles, totals.toggles, static_cast<unsigned long long>(totals.sent),
        static_cast<unsigned long long>(totals.handled),
        static_cast<unsigned long long>(totals.dropped),
        static_cast<unsigned long long>(totals.lost),
        static_cast<unsigned long long>(totals.logged), boxes.shown);
    return totals.lost == 0 && boxes.shown == 0 ? 0 : 1;
}
