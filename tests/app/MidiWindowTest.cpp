// The main window's MIDI on a real JACK server: input forwarded to the
// targets (none lost while the window is busy, none left behind when it
// closes), received MIDI played on the chosen output (the built-in
// synthesizer heard through JACK, or a port), the toggles and the selection
// windows driven from the keyboard.
#include <gmock/gmock.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <mutex>
#include <thread>

#include "app/MainWindow.h"
#include "midi/MidiDevices.h"
#include "midi/SelectionDialog.h"
#include "net/Datagram.h"
#include "resources/ResourceIds.h"
#include "tests/support/JackEar.h"
#include "tests/support/JackPeer.h"
#include "tests/support/JackTest.h"
#include "tests/support/ModalHelpers.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/UdpListener.h"

namespace {

using namespace res;
using namespace std::chrono_literals;
using testing_support::RecordingMessageBoxes;
using testing_support::UdpListener;
using testsupport::JackPeer;
using Messages = std::vector<std::uint32_t>;

constexpr std::uint32_t kPing = 0xFE;  // Active Sensing: shows a new connection works
const std::string kOurIn = "Mirevo:MIDI In";
const std::string kOurOut = "Mirevo:MIDI Out";

// The message a MIDI datagram carries.
std::uint32_t carried(const UdpListener::Datagram& datagram)
{
    std::uint32_t message = 0;
    for (std::size_t i = 1; i < datagram.bytes.size() && i <= 4; ++i) {
        message |= std::to_integer<std::uint32_t>(datagram.bytes[i]) << (8 * (i - 1));
    }
    return message;
}

// Note Ons numbered 0 to count - 1, each different.
Messages numberedNotes(std::uint32_t count)
{
    Messages notes;
    for (std::uint32_t i = 0; i < count; ++i) {
        notes.push_back((0x90U | (i >> 14U)) | ((i & 0x7FU) << 8U) | (((i >> 7U) & 0x7FU) << 16U));
    }
    return notes;
}

// Reads a UDP listener on a thread of its own, so that a burst of
// datagrams cannot overflow its buffer; keeps every MIDI message but pings.
class Collector {
public:
    explicit Collector(UdpListener& listener)
        : thread_([this, &listener] {
              while (!stop_.load()) {
                  if (const auto datagram = listener.next(20ms)) {
                      const std::lock_guard lock(mutex_);
                      if (carried(*datagram) != kPing) {
                          messages_.push_back(carried(*datagram));
                      }
                  }
              }
          })
    {
    }
    ~Collector()
    {
        stop_.store(true);
        thread_.join();
    }
    Collector(const Collector&) = delete;
    Collector& operator=(const Collector&) = delete;
    Collector(Collector&&) = delete;
    Collector& operator=(Collector&&) = delete;

    [[nodiscard]] Messages messages()
    {
        const std::lock_guard lock(mutex_);
        return messages_;
    }

private:
    std::mutex mutex_;
    Messages messages_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
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
    static midi::MidiDevices& devices()
    {
        static midi::MidiDevices jack(
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

    // Starts listening on a free port and returns a socket address to it.
    net::Ipv4Endpoint listen()
    {
        const std::uint16_t port = testing_support::freeUdpPort();
        qobject_cast<QLineEdit*>(window_->item(IDC_PORT))->setText(QString::number(port));
        QTest::mouseClick(button(IDC_LISTEN), Qt::LeftButton);
        return {*net::UdpSocket::resolveIpv4("127.0.0.1"), port};
    }

    // Clicks the (closed) toggle and, in its selection window, chooses
    // `line` from the keyboard (-1: Escape cancels).
    void choose(int toggle, int line)
    {
        testing_support::whenModalShows([line](QWidget* dialog) {
            auto* list = dialog->findChild<QListView*>("IDC_DEVICE_LIST");
            ASSERT_NE(list, nullptr);
            if (line >= 0) {
                list->setCurrentIndex(list->model()->index(line, 0));
            }
            QTest::keyClick(list, line >= 0 ? Qt::Key_Return : Qt::Key_Escape);
        });
        QTest::mouseClick(button(toggle), Qt::LeftButton);
    }
    bool open(int toggle) { return button(toggle)->isChecked(); }

    // Wires a keyboard to our input by name and the window to the listener,
    // and pings until the way works.
    void playInto(JackPeer& keyboard, UdpListener& listener)
    {
        setTarget(listener.target());
        ASSERT_TRUE(keyboard.connect(keyboard.outName(), kOurIn));
        // The window forwards from its own event loop, which must turn while
        // the test waits for the datagram.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                keyboard.play({kPing});
                return QTest::qWaitFor([&] { return listener.next(5ms).has_value(); }, 50);
            },
            10000));
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
    EXPECT_TRUE(open(IDC_MIDI_IN));
    EXPECT_TRUE(button(IDC_MIDI_IN)->isChecked());
    // The synthesizer loads meanwhile; MIDI OUT is checked when it plays.
    ASSERT_TRUE(synthesizerOpens());
    EXPECT_TRUE(open(IDC_MIDI_OUT));
    // Its two ports are heard at once: they go to the system's playback.
    const testsupport::JackEar ear("Ear", "^Mirevo Synth:");
    EXPECT_EQ(ear.ports(), 2u);
    EXPECT_THAT(ear.connectionsOf("Mirevo Synth:left"), testing::Contains("system:playback_1"));
    EXPECT_THAT(ear.connectionsOf("Mirevo Synth:right"), testing::Contains("system:playback_2"));
    EXPECT_TRUE(boxes.texts.isEmpty());
}

TEST_F(MidiWindowTest, InputIsForwardedAsOneDatagramPerShortMessage)
{
    UdpListener listener;
    JackPeer keyboard("Keys");
    playInto(keyboard, listener);
    Collector collector(listener);
    // Each run is one JACK event: System Exclusive is not forwarded,
    // several messages (running status too) go as one datagram each.
    for (const std::vector<std::uint8_t>& event :
         std::vector<std::vector<std::uint8_t>>{{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},
                                                {0xF8},
                                                {0x93, 0x40, 0x65, 0x41, 0x66},
                                                {0xB0, 0x07, 0x64, 0x27, 0x05, 0xC3, 0x05}}) {
        keyboard.playRaw(event);
    }
    const Messages expected{0xF8, 0x654093, 0x664193, 0x6407B0, 0x0527B0, 0x05C3};
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.messages().size() >= expected.size(); }));
    EXPECT_EQ(collector.messages(), expected);
}

TEST_F(MidiWindowTest, NothingIsLostWhileTheWindowIsBusy)
{
    constexpr std::uint32_t kMessages = 20'000;
    // Room for the whole burst the window sends once free, should the
    // collector's thread not be scheduled meanwhile.
    UdpListener listener(64 << 20);
    JackPeer keyboard("Keys");
    playInto(keyboard, listener);
    Collector collector(listener);
    // The window's thread is held for at least 5 s, until everything has
    // been played into the port (about 6,000 messages a second).
    const std::uint64_t played = keyboard.played() + kMessages;
    QTimer::singleShot(0, &window(), [&keyboard, played] {
        const auto start = std::chrono::steady_clock::now();
        const auto held = [&start] { return std::chrono::steady_clock::now() - start; };
        while (held() < 5s || (keyboard.played() < played && held() < 20s)) {
            std::this_thread::sleep_for(10ms);
        }
    });
    keyboard.play(numberedNotes(kMessages), 32);
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.messages().size() >= kMessages; }, 60000))
        << collector.messages().size() << " arrived of " << keyboard.played() - (played - kMessages)
        << " played";
    EXPECT_EQ(keyboard.played(), played);
    EXPECT_EQ(collector.messages(), numberedNotes(kMessages));
}

TEST_F(MidiWindowTest, ClosingTheInputRightAfterABurstForwardsTheWholeBurst)
{
    constexpr std::uint32_t kBurst = 500;
    UdpListener listener;
    JackPeer keyboard("Keys");
    playInto(keyboard, listener);
    Collector collector(listener);
    const std::uint64_t before = keyboard.played();
    keyboard.play(numberedNotes(kBurst), kBurst);  // in one cycle
    // Without turning the event loop, so that the window forwards nothing
    // before the close.
    while (keyboard.played() < before + kBurst) {
        std::this_thread::sleep_for(100us);
    }
    button(IDC_MIDI_IN)->setFocus();
    QTest::keyClick(button(IDC_MIDI_IN), Qt::Key_Space);
    EXPECT_FALSE(open(IDC_MIDI_IN));
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.messages().size() >= kBurst; }));
    EXPECT_EQ(collector.messages(), numberedNotes(kBurst));
}

// Space on a closed toggle opens its selection window; the keyboard alone
// then chooses the second line, every time.
TEST_F(MidiWindowTest, SelectionWindowsWorkFromTheKeyboardEveryTime)
{
    JackPeer keys("Keys");  // the input's second line: the only other source
    for (const int toggle : {IDC_MIDI_IN, IDC_MIDI_OUT}) {
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE(testing::Message() << "toggle " << toggle << ", round " << round);
            QPushButton* toggleButton = button(toggle);
            toggleButton->setFocus();
            if (toggleButton->isChecked()) {
                QTest::keyClick(toggleButton, Qt::Key_Space);  // closes, asks nothing
            }
            ASSERT_FALSE(toggleButton->isChecked());
            bool shown = false;
            testing_support::whenModalShows([&](QWidget* dialog) {
                shown = true;
                ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
                EXPECT_EQ(QApplication::activeWindow(), dialog);
                EXPECT_EQ(QAccessible::queryAccessibleInterface(dialog)->rect(),
                          dialog->geometry());
                EXPECT_TRUE(window().frameGeometry().contains(dialog->geometry().center()));
                // The main window stays usable meanwhile.
                EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
                EXPECT_TRUE(window().isEnabled());
                auto* list = dialog->findChild<QListView*>("IDC_DEVICE_LIST");
                EXPECT_EQ(QApplication::focusWidget(), list);
                QWindow* keyboardWindow = QGuiApplication::focusWindow();
                ASSERT_NE(keyboardWindow, nullptr);
                QTest::keyClick(keyboardWindow, Qt::Key_Down);
                EXPECT_EQ(list->currentIndex().row(), 1);
                QTest::keyClick(keyboardWindow, Qt::Key_Return);
            });
            QTest::keyClick(toggleButton, Qt::Key_Space);
            EXPECT_TRUE(shown);
            EXPECT_TRUE(toggleButton->isChecked());
        }
    }
    EXPECT_TRUE(keys.connected(keys.outName(), kOurIn));
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
    const net::Ipv4Endpoint to = listen();
    net::UdpSocket sender = net::UdpSocket::open();

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
    choose(IDC_MIDI_OUT, 1);
    ASSERT_TRUE(button(IDC_MIDI_OUT)->isChecked());
    EXPECT_EQ(testsupport::JackEar("Ear", "^Mirevo Synth:").ports(), 0u);

    JackPeer sound("Sound");
    ASSERT_TRUE(sound.connect(kOurOut, sound.inName()));
    const net::Ipv4Endpoint to = listen();
    net::UdpSocket sender = net::UdpSocket::open();
    Messages heard;
    const auto hear = [&] {
        for (const std::uint32_t m : sound.takeReceived()) {
            if (m != kPing) {
                heard.push_back(m);
            }
        }
    };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            sender.sendTo(to, midiDatagram({kPing, 0, 0, 0}));
            return QTest::qWaitFor([&] { return !sound.takeReceived().empty(); }, 50);
        },
        10000));

    sender.sendTo(to, midiDatagram({0x90, 0x3C, 0x7F, 0x00}));
    sender.sendTo(to, midiDatagram({0x90, 0x3C}));                    // missing bytes read as 0
    sender.sendTo(to, midiDatagram({0x3C, 0x7F}));                    // no status: not played
    sender.sendTo(to, midiDatagram({0xC0, 0x05, 0x00, 0xFF, 0x99}));  // the rest ignored
    const Messages expected{0x7F3C90, 0x003C90, 0x05C0};
    ASSERT_TRUE(QTest::qWaitFor([&] {
        hear();
        return heard.size() >= expected.size();
    }));
    EXPECT_EQ(heard, expected);

    // With the output closed, what arrives is dropped.
    QTest::mouseClick(button(IDC_MIDI_OUT), Qt::LeftButton);
    sender.sendTo(to, midiDatagram({0x90, 0x3E, 0x7F, 0x00}));
    QTest::qWait(300);
    hear();
    EXPECT_EQ(heard.size(), expected.size());
}

TEST_F(MidiWindowTest, CancellingTheSelectionOpensNothingForInputAndTheDefaultForOutput)
{
    QTest::mouseClick(button(IDC_MIDI_IN), Qt::LeftButton);
    EXPECT_FALSE(button(IDC_MIDI_IN)->isChecked());
    choose(IDC_MIDI_IN, -1);
    EXPECT_FALSE(open(IDC_MIDI_IN));
    EXPECT_FALSE(button(IDC_MIDI_IN)->isChecked());

    ASSERT_TRUE(synthesizerOpens());
    QTest::mouseClick(button(IDC_MIDI_OUT), Qt::LeftButton);
    EXPECT_FALSE(open(IDC_MIDI_OUT));
    choose(IDC_MIDI_OUT, -1);
    EXPECT_TRUE(synthesizerOpens());
    EXPECT_TRUE(open(IDC_MIDI_OUT));
}

// Exit while a selection window is open ends it as cancelled: nothing is
// opened on the way out (not even the default output a cancel opens).
TEST_F(MidiWindowTest, ExitWithASelectionWindowOpenOpensNothing)
{
    for (const int toggle : {IDC_MIDI_IN, IDC_MIDI_OUT}) {
        SCOPED_TRACE(toggle);
        window().show();
        ASSERT_TRUE(toggle == IDC_MIDI_IN || synthesizerOpens());
        QTest::mouseClick(button(toggle), Qt::LeftButton);  // closes the default device
        ASSERT_FALSE(button(toggle)->isChecked());
        bool shown = false;
        testing_support::whenModalShows([&](QWidget*) {
            shown = true;
            QTest::mouseClick(button(IDOK), Qt::LeftButton);  // Exit
        });
        QTest::mouseClick(button(toggle), Qt::LeftButton);
        EXPECT_TRUE(shown);
        EXPECT_FALSE(window().isVisible());
        EXPECT_FALSE(button(toggle)->isChecked());
    }
    EXPECT_FALSE(open(IDC_MIDI_IN));
    EXPECT_FALSE(open(IDC_MIDI_OUT));
    EXPECT_EQ(window().findChild<QDialog*>("IDD_SELECT_DEVICE"), nullptr);
}

// A device that sends on its own (Active Sensing) to a list with a failing
// target: one box, and once it is dismissed no other; the good target
// receives every message in order, and MIDI IN can be reached.
TEST_F(MidiWindowTest, AFailingTargetShowsOneBoxWhateverTheInputKeepsSending)
{
    UdpListener listener;
    JackPeer keyboard("Keys");
    playInto(keyboard, listener);
    Collector collector(listener);
    auto* targets = qobject_cast<QComboBox*>(window().item(IDC_TARGET));
    targets->clear();
    targets->addItems({"nohost.invalid:1", QString::fromStdString(listener.target())});
    qobject_cast<QCheckBox*>(window().item(IDC_TO_ALL))->setChecked(true);
    boxes.holdFor = 500ms;  // a real box, dismissed after half a second

    const Messages notes = numberedNotes(100);
    for (const std::uint32_t note : notes) {  // ten seconds of it
        keyboard.play({kPing, note});
        QTest::qWait(100);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.messages().size() >= notes.size(); }));
    EXPECT_EQ(collector.messages(), notes);
    EXPECT_EQ(boxes.texts, QStringList{"Host not found"});
    QTest::mouseClick(button(IDC_MIDI_IN), Qt::LeftButton);
    EXPECT_FALSE(open(IDC_MIDI_IN));
}

TEST_F(MidiWindowTest, TogglingTheOutputWhileMidiStreamsIn)
{
    // Stopped and joined however the test ends.
    const std::jthread stream([to = listen()](const std::stop_token& stop) {
        net::UdpSocket sender = net::UdpSocket::open();
        for (unsigned note = 0; !stop.stop_requested(); ++note) {
            sender.sendTo(to,
                          midiDatagram({0x90, static_cast<unsigned char>(note & 0x7F), 0x40, 0}));
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    for (int i = 0; i < 20; ++i) {
        // The synthesizer is open once it has loaded.
        ASSERT_TRUE(QTest::qWaitFor([&] { return open(IDC_MIDI_OUT); }, 30000)) << "cycle " << i;
        QTest::mouseClick(button(IDC_MIDI_OUT), Qt::LeftButton);  // close
        choose(IDC_MIDI_OUT, i % 2 == 0 ? 1 : -1);                // our port, or the synthesizer
    }
    EXPECT_TRUE(boxes.texts.isEmpty());
}

}  // namespace
