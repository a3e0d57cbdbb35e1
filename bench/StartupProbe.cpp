// Starts Mirevo's window as the program does (app/main.cpp) and reports,
// on standard output, when main was entered, when the window first
// painted, when the built-in synthesizer was ready (MIDI OUT checked; 0:
// never), whether it is playing, and, after idling, the resident memory and
// the part of it that is the JACK server's shared memory (every JACK client
// maps it; it is the server's, not ours). The benchmark runs it as a child
// process.
//
//   mirevo_startup_probe [--no-midi-ports] [idle milliseconds]
//
// --no-midi-ports opens no MIDI system (the synthesizer alone), to tell
// what opening the MIDI ports costs before the first paint.
#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "bench/BenchClock.h"
#include "bench/ProcessMemory.h"
#include "gui/MainWindow.h"
#include "gui/QtMessageBoxes.h"
#include "midi/MidiDevices.h"
#include "resources/ResourceIds.h"

namespace {

// Notes the first paint of the window it watches.
class FirstPaint final : public QObject {
public:
    explicit FirstPaint(QObject* parent) : QObject(parent) {}

    [[nodiscard]] std::int64_t at() const noexcept { return at_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && at_ == 0) {
            at_ = bench::nowNs();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::int64_t at_{0};
};

}  // namespace

int main(int argc, char* argv[])
{
    const std::int64_t enteredMain = bench::nowNs();
    bool midiPorts = true;
    int idleMs = 2000;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--no-midi-ports") {
            midiPorts = false;
        } else {
            idleMs = std::stoi(argv[i]);
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirevo"));
    gui::QtMessageBoxes boxes;
    const auto devices = midiPorts ? std::make_unique<midi::MidiDevices>()
                                   : std::make_unique<midi::MidiDevices>(midi::MidiBackend::None);
    gui::MainWindow window(boxes, *devices);
    auto* firstPaint = new FirstPaint(&window);
    window.installEventFilter(firstPaint);
    std::int64_t ready = 0;
    QObject::connect(qobject_cast<QPushButton*>(window.item(res::IDC_MIDI_OUT)),
                     &QPushButton::toggled, &window, [&ready](bool on) {
                         if (on && ready == 0) {
                             ready = bench::nowNs();
                         }
                     });
    window.show();
    QTimer::singleShot(idleMs, &app, [] { QCoreApplication::exit(0); });
    const int result = QApplication::exec();

    std::printf("main %lld\nshown %lld\nready %lld\nsynth %d\nrss_kib %ld\njack_kib %ld\n",
                static_cast<long long>(enteredMain), static_cast<long long>(firstPaint->at()),
                static_cast<long long>(ready), window.midiOutputOpen() ? 1 : 0,
                bench::residentKiB(), bench::jackSharedKiB());
    return result;
}
