// Starts Mirevo's window as the program does (app/main.cpp) and reports,
// on standard output, when main was entered, when the window first
// painted, whether the built-in synthesizer is playing, and the resident
// memory after idling. The benchmark runs it as a child process.
//
//   mirevo_startup_probe [--synth-without-audio] [idle milliseconds]
//
// --synth-without-audio loads the synthesizer without an audio output, for
// machines that have none, so that its memory is counted.
#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "app/MainWindow.h"
#include "app/QtMessageBoxes.h"
#include "bench/BenchClock.h"
#include "midi/MidiDevices.h"

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

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    const std::int64_t enteredMain = bench::nowNs();
    bool withoutAudio = false;
    int idleMs = 2000;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--synth-without-audio") {
            withoutAudio = true;
        } else {
            idleMs = std::stoi(std::string(arg));
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirevo"));
    app::QtMessageBoxes boxes;
    const auto devices =
        std::make_unique<midi::MidiDevices>(midi::SynthOptions{.audio = !withoutAudio});
    app::MainWindow window(boxes, *devices);
    auto* firstPaint = new FirstPaint(&window);
    window.installEventFilter(firstPaint);
    window.show();
    QTimer::singleShot(idleMs, &app, [] { QCoreApplication::exit(0); });
    const int result = QApplication::exec();

    std::printf("main %lld\nshown %lld\nsynth %d\nrss_kib %ld\n",
                static_cast<long long>(enteredMain), static_cast<long long>(firstPaint->at()),
                window.midiOutputOpen() ? 1 : 0, residentKiB());
    return result;
}
