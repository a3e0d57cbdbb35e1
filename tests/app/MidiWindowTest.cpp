// The main window's MIDI on a real JACK server: input forwarded to the
// targets, received MIDI played on the chosen output (the built-in
// synthesizer heard through JACK, or a port), the toggles and the selection
// window.
#include <gmock/gmock.h>
#include <rtmidi/RtMidi.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <mutex>
#include <thread>

#include "app/MainWindow.h"
#include "midi/MidiDevices.h"
#include "midi/MidiPort.h"
#include "midi/SelectionDialog.h"
#include "net/Datagram.h"
#include "resources/ResourceIds.h"
#include "tests/support/JackEar.h"
#include "tests/support/JackTest.h"
#include "tests/support/ModalHelpers.h"
#include "tests/support/OwnPort.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/UdpListener.h"

namespace {

using namespace res;
using Bytes = std::vector<unsigned char>;
using testing_support::RecordingMessageBoxes;
using testing_support::UdpListener;

constexpr unsigned char kPing = 0xFE;  // Active Sensing: warms up a new connection

void ignoreRtMidiError(RtMidiError::Type, const std::string&, void*) {}

// Another program listening to Mirevo's output port.
class Listener {
public:
    Listener() : in_(RtMidi::UNIX_JACK, "Sound")
    {
        in_.setErrorCallback(&ignoreRtMidiError);
        in_.ignoreTypes(false, false, false);
        in_.setCallback(&Listener::received, this);
    }

    bool connect()
    {
        const auto port = testing_support::ownPort(in_, midi::kOutputPortName);
        if (port) {
            in_.openPort(*port);
        }
        return port.has_value();
    }

    [[nodiscard]] std::vector<Bytes> messages()
    {
        const std::lock_guard lock(mutex_);
        return messages_;
    }
    [[nodiscard]] std::uint64_t pings() const { return pings_; }

private:
    static void received(double, Bytes* message, void* self)
    {
        auto* me = static_cast<Listener*>(self);
        if (*message == Bytes{kPing}) {
            ++me->pings_;
            return;
        }
        const std::lock_guard lock(me->mutex_);
        me->messages_.push_back(*message);
    }

    std::mutex mutex_;
    std::vector<Bytes> messages_;
    std::atomic<std::uint64_t> pings_{0};
    RtMidiIn in_;
};

class MidiWindowTest : public testsupport::JackTest {
protected:
    void SetUp() override
    {
        JackTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        window_ = std::make_unique<app::MainWindow>(boxes, devices());
        window_->show();
    }

    void TearDown() override { window_.reset(); }

    // The synthesizer plays on JACK alone: should that fail, nothing is
    // heard through the machine's speakers instead.
    static const midi::MidiDevices& devices()
    {
        static const midi::MidiDevices jack(
            midi::MidiBackend::Jack, midi::SynthOptions{.audioOutputs = {midi::AudioOutput::Jack}});
        return jack;
    }

    app::MainWindow& window() { return *window_; }
    void closeWindow() { window_.reset(); }
    QPushButton* button(int id) { return qobject_cast<QPushButton*>(window_->item(id)); }

    // Waits until the built-in synthesizer has loaded: MIDI OUT is checked.
    [[nodiscard]] bool synthesizerOpens()
    {
        return QTest::qWaitFor([&] { return button(IDC_MIDI_OUT)->isChecked(); }, 30000);
    }

    void setTarget(const std::string& target)
    {
        qobject_cast<QComboBox*>(window_->item(IDC_TARGET))
            ->setEditText(QString::fromStdString(target));
    }

    // Listens on a free port and returns it.
    std::uint16_t listen()
    {
        qobject_cast<QLineEdit*>(window_->item(IDC_PORT))->setText("0");
        window_->mainWindowHandler(IDC_LISTEN);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window_->receiver()->boundPort() != 0; }));
        return window_->receiver()->boundPort();
    }

    // Toggles the output on, choosing `line` in the selection window (-1:
    // cancel it).
    void chooseOutput(int line)
    {
        testing_support::whenModalShows([line](QWidget* modal) {
            auto* dialog = qobject_cast<midi::SelectionDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            if (line < 0) {
                dialog->selectionDialogHandler(IDCANCEL);
                return;
            }
            auto* list = qobject_cast<QListView*>(dialog->item(IDC_DEVICE_LIST));
            list->setCurrentIndex(list->model()->index(line, 0));
            dialog->selectionDialogHandler(IDOK);
        });
        window_->mainWindowHandler(IDC_MIDI_OUT);
    }

    RecordingMessageBoxes boxes;

private:
    std::unique_ptr<app::MainWindow> window_;
};

std::vector<std::byte> midiDatagram(const std::vector<unsigned char>& bytes)
{
    std::vector<std::byte> datagram{net::kMidiKind};
    for (const unsigned char b : bytes) {
        datagram.push_back(static_cast<std::byte>(b));
    }
    return datagram;
}

TEST_F(MidiWindowTest, StartsWithTheDefaultDevicesOpenAndTheSynthesizerWiredToPlayback)
{
    EXPECT_TRUE(window().midiInputOpen());
    EXPECT_TRUE(button(IDC_MIDI_IN)->isChecked());
    // The synthesizer loads meanwhile; MIDI OUT is checked when it plays.
    ASSERT_TRUE(synthesizerOpens());
    EXPECT_TRUE(window().midiOutputOpen());
    // Its two ports are heard at once: they go to the system's playback.
    const testsupport::JackEar ear("Ear", "^Mirevo Synth:");
    EXPECT_EQ(ear.ports(), 2u);
    EXPECT_THAT(ear.connectionsOf("Mirevo Synth:left"), testing::Contains("system:playback_1"));
    EXPECT_THAT(ear.connectionsOf("Mirevo Synth:right"), testing::Contains("system:playback_2"));
    EXPECT_TRUE(boxes.texts.isEmpty());
}

TEST_F(MidiWindowTest, InputIsForwardedToTheTargetAsFiveBytes)
{
    UdpListener listener;
    setTarget(listener.target());

    RtMidiOut keyboard(RtMidi::UNIX_JACK, "Keys");
    keyboard.setErrorCallback(&ignoreRtMidiError);
    const auto port = testing_support::ownPort(keyboard, midi::kInputPortName);
    ASSERT_TRUE(port);
    keyboard.openPort(*port);

    // The window forwards from its own event loop, which must turn while
    // the test waits for the datagram.
    std::optional<UdpListener::Datagram> datagram;
    const auto arrived = [&] {
        datagram = listener.next(std::chrono::milliseconds(5));
        return datagram.has_value();
    };
    // Ping until the new connection carries something.
    const Bytes ping{kPing};
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            keyboard.sendMessage(&ping);
            return QTest::qWaitFor(arrived, 50);
        },
        10000));
    while (QTest::qWaitFor(arrived, 100)) {
        ASSERT_EQ(datagram->text(), std::string("~\xFE\x00\x00\x00", 5));
    }

    // Packed unchanged; System Exclusive is not forwarded, real-time is.
    for (const Bytes& message : std::vector<Bytes>{
             {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, {0xF8}, {0x93, 0x40, 0x65}, {0xC3, 0x05}}) {
        keyboard.sendMessage(&message);
    }
    for (const std::string& expected :
         {std::string("~\xF8\0\0\0", 5), std::string("~\x93\x40\x65\0", 5),
          std::string("~\xC3\x05\0\0", 5)}) {
        ASSERT_TRUE(QTest::qWaitFor(arrived));
        EXPECT_EQ(datagram->text(), expected);
    }
}

struct ReleaseRow {
    std::string name;
    std::vector<unsigned char> release;
};

void PrintTo(const ReleaseRow& row, std::ostream* out)
{
    *out << row.name;
}

class SynthesizerSoundTest : public MidiWindowTest,
                             public testing::WithParamInterface<ReleaseRow> {};

TEST_P(SynthesizerSoundTest, ReceivedNoteSoundsOnItsJackPortsUntilReleased)
{
    ASSERT_TRUE(synthesizerOpens());
    const testsupport::JackEar ear("Ear", "^Mirevo Synth:");
    ASSERT_EQ(ear.ports(), 2u);
    const std::uint16_t port = listen();
    ASSERT_NE(port, 0);
    net::UdpSocket sender = net::UdpSocket::open();
    const net::Ipv4Endpoint to{*net::UdpSocket::resolveIpv4("127.0.0.1"), port};

    ASSERT_TRUE(QTest::qWaitFor([&] { return ear.quietCycles() > 10; }));
    // An organ, whose samples load now, sounds for as long as it is held.
    sender.sendTo(to, midiDatagram({0xC0, 19, 0, 0}));
    sender.sendTo(to, midiDatagram({0x90, 0x3C, 0x64, 0}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ear.latestPeak() > 1e-3F; }, 10000));
    sender.sendTo(to, midiDatagram(GetParam().release));
    // The note and its reverberation die away.
    EXPECT_TRUE(QTest::qWaitFor([&] { return ear.quietCycles() > 50; }, 20000));
}

INSTANTIATE_TEST_SUITE_P(Releases, SynthesizerSoundTest,
                         testing::Values(ReleaseRow{"velocityZero", {0x90, 0x3C, 0x00, 0}},
                                         ReleaseRow{"noteOff", {0x80, 0x3C, 0x40, 0}}),
                         [](const testing::TestParamInfo<ReleaseRow>& row) {
                             return row.param.name;
                         });

TEST_F(MidiWindowTest, ClosingWhileTheSynthesizerLoadsEndsTheLoading)
{
    closeWindow();
    // Anything the loading had queued for the window would run now.
    QTest::qWait(100);
    EXPECT_EQ(testsupport::JackEar("Ear", "^Mirevo Synth:").ports(), 0u);
}

TEST_F(MidiWindowTest, ReceivedMidiPlaysOnTheChosenOutputPort)
{
    // While the synthesizer loads MIDI OUT is unchecked: a click gives the
    // loading up and opens the selection, where Mirevo's own output port
    // (line 1) is chosen.
    ASSERT_FALSE(button(IDC_MIDI_OUT)->isChecked());
    chooseOutput(1);
    ASSERT_TRUE(button(IDC_MIDI_OUT)->isChecked());
    EXPECT_EQ(testsupport::JackEar("Ear", "^Mirevo Synth:").ports(), 0u);

    Listener sound;
    ASSERT_TRUE(sound.connect());
    const std::uint16_t port = listen();
    ASSERT_NE(port, 0);
    net::UdpSocket sender = net::UdpSocket::open();
    const net::Ipv4Endpoint to{*net::UdpSocket::resolveIpv4("127.0.0.1"), port};

    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            sender.sendTo(to, midiDatagram({kPing, 0, 0, 0}));
            return sound.pings() > 0;
        },
        10000));

    sender.sendTo(to, midiDatagram({0x90, 0x3C, 0x7F, 0x00}));
    sender.sendTo(to, midiDatagram({0x90, 0x3C}));  // missing bytes read as 0
    sender.sendTo(to, midiDatagram({0xC0, 0x05, 0x00, 0x00, 0x99, 0x99}));  // extra bytes ignored
    sender.sendTo(to, midiDatagram({0x3C, 0x7F}));                          // no status: not played
    sender.sendTo(to, midiDatagram({0xF0, 0x7E}));                          // SysEx: not played
    sender.sendTo(to, midiDatagram({0xF9}));                                // undefined: not played
    sender.sendTo(to, midiDatagram({0x80, 0x3C, 0x40, 0xFF}));              // top byte ignored
    const std::vector<Bytes> expected{
        {0x90, 0x3C, 0x7F}, {0x90, 0x3C, 0x00}, {0xC0, 0x05}, {0x80, 0x3C, 0x40}};
    ASSERT_TRUE(QTest::qWaitFor([&] { return sound.messages().size() >= expected.size(); }));
    EXPECT_EQ(sound.messages(), expected);

    // With the output closed, what arrives is dropped.
    window().mainWindowHandler(IDC_MIDI_OUT);
    sender.sendTo(to, midiDatagram({0x90, 0x3E, 0x7F, 0x00}));
    QTest::qWait(300);
    EXPECT_EQ(sound.messages().size(), expected.size());
}

TEST_F(MidiWindowTest, CancellingTheSelectionOpensNothingForInputAndTheDefaultForOutput)
{
    window().mainWindowHandler(IDC_MIDI_IN);
    EXPECT_FALSE(button(IDC_MIDI_IN)->isChecked());
    testing_support::whenModalShows([](QWidget* modal) {
        qobject_cast<midi::SelectionDialog*>(modal)->selectionDialogHandler(IDCANCEL);
    });
    window().mainWindowHandler(IDC_MIDI_IN);
    EXPECT_FALSE(window().midiInputOpen());
    EXPECT_FALSE(button(IDC_MIDI_IN)->isChecked());

    ASSERT_TRUE(synthesizerOpens());
    window().mainWindowHandler(IDC_MIDI_OUT);
    EXPECT_FALSE(window().midiOutputOpen());
    chooseOutput(-1);
    EXPECT_TRUE(synthesizerOpens());
    EXPECT_TRUE(window().midiOutputOpen());
}

TEST_F(MidiWindowTest, TogglingTheOutputWhileMidiStreamsIn)
{
    const std::uint16_t port = listen();
    ASSERT_NE(port, 0);
    std::atomic<bool> stop{false};
    std::thread stream([&] {
        net::UdpSocket sender = net::UdpSocket::open();
        const net::Ipv4Endpoint to{*net::UdpSocket::resolveIpv4("127.0.0.1"), port};
        for (unsigned note = 0; !stop; ++note) {
            sender.sendTo(to,
                          midiDatagram({0x90, static_cast<unsigned char>(note & 0x7F), 0x40, 0}));
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    for (int i = 0; i < 20; ++i) {
        // The synthesizer is open once it has loaded.
        ASSERT_TRUE(QTest::qWaitFor([&] { return window().midiOutputOpen(); }, 30000))
            << "cycle " << i;
        window().mainWindowHandler(IDC_MIDI_OUT);  // close
        chooseOutput(i % 2 == 0 ? 1 : -1);         // our port, or the synthesizer
    }
    stop = true;
    stream.join();
    EXPECT_TRUE(boxes.texts.isEmpty());
}

}  // namespace
