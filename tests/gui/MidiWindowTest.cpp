// The main window's MIDI on a real JACK server: input forwarded (none lost,
// one box for a failing target), received MIDI played on the chosen output
// (the synthesizer heard through JACK, or a port), the selection windows.
#include <gmock/gmock.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <thread>

#include "gui/MainWindow.h"
#include "midi/MidiDevices.h"
#include "resources/ResourceIds.h"
#include "tests/support/ChooseDevice.h"
#include "tests/support/JackTest.h"
#include "tests/support/MidiCollector.h"
#include "tests/support/ModalHelpers.h"
#include "tests/support/RecordingMessageBoxes.h"

namespace {

using namespace res;
using namespace std::chrono_literals;
using testing_support::chooseDevice;
using testing_support::Collector;
using testing_support::midiDatagram;
using testing_support::numberedNotes;
using testing_support::sendToLoopback;
using testing_support::UdpListener;
using testsupport::JackPeer;
using Messages = std::vector<std::uint32_t>;

const std::string kOurIn = "Mirevo:MIDI In";
const char* const kSynthPorts = "^Mirevo Synth:";

class MidiWindowTest : public testsupport::JackTest {
protected:
    void SetUp() override
    {
        JackTest::SetUp();
        if (!IsSkipped()) {
            window_ = std::make_unique<gui::MainWindow>(boxes, devices());
            window_->show();
        }
    }

    // The synthesizer plays on JACK alone, never on the machine's speakers.
    static midi::MidiDevices& devices()
    {
        static midi::MidiDevices jack(
            midi::MidiBackend::Jack, midi::SynthOptions{.audioOutputs = {midi::AudioOutput::Jack}});
        return jack;
    }

    QPushButton* button(int id) { return qobject_cast<QPushButton*>(window_->item(id)); }
    bool open(int toggle) { return button(toggle)->isChecked(); }
    // Waits until the built-in synthesizer has loaded: MIDI OUT is checked.
    [[nodiscard]] bool synthesizerOpens()
    {
        return QTest::qWaitFor([&] { return open(IDC_MIDI_OUT); }, 30000);
    }

    // Starts listening on a free port and returns it.
    std::uint16_t listen()
    {
        const std::uint16_t port = testing_support::freeUdpPort();
        qobject_cast<QLineEdit*>(window_->item(IDC_PORT))->setText(QString::number(port));
        QTest::mouseClick(button(IDC_LISTEN), Qt::LeftButton);
        return port;
    }

    // Sends to the listener, with the keys playing into our "MIDI In".
    [[nodiscard]] bool wired(JackPeer& keys, UdpListener& listener)
    {
        qobject_cast<QComboBox*>(window_->item(IDC_TARGET))
            ->setEditText(QString::fromStdString(listener.target()));
        return testing_support::wireKeysIn(keys, listener);
    }

    testing_support::RecordingMessageBoxes boxes;
    std::unique_ptr<gui::MainWindow> window_;
};

// The default output, the synthesizer, plays on JACK and is wired to the
// system's playback; a received note sounds until released either way.
TEST_F(MidiWindowTest, ReceivedNoteSoundsOnTheSynthesizersJackPortsUntilReleased)
{
    EXPECT_TRUE(open(IDC_MIDI_IN));
    ASSERT_TRUE(synthesizerOpens());
    JackPeer ear("Ear", kSynthPorts);
    ASSERT_EQ(ear.audioInputs(), 2u);
    EXPECT_TRUE(ear.connected("Mirevo Synth:left", "system:playback_1"));
    EXPECT_TRUE(ear.connected("Mirevo Synth:right", "system:playback_2"));
    const std::uint16_t port = listen();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ear.quietCycles() > 10; }));
    // An organ, whose samples load now, sounds for as long as it is held.
    (void)sendToLoopback(port, midiDatagram(0x13C0));
    for (const std::uint32_t release : {0x003C90U, 0x403C80U}) {
        SCOPED_TRACE(release);
        (void)sendToLoopback(port, midiDatagram(0x643C90));
        EXPECT_TRUE(QTest::qWaitFor([&] { return ear.latestPeak() > 1e-3F; }, 10000));
        (void)sendToLoopback(port, midiDatagram(release));
        // The note and its reverberation die away.
        EXPECT_TRUE(QTest::qWaitFor([&] { return ear.quietCycles() > 50; }, 20000));
    }
    EXPECT_TRUE(boxes.texts.isEmpty());
}

// Forwarded to a list with a failing target: one box is shown, and while it is up the good target
// goes on receiving every message, in order; once it is dismissed MIDI IN can be reached.
TEST_F(MidiWindowTest, InputToAFailingTargetShowsOneBoxWhileForwardingGoesOn)
{
    UdpListener listener;
    JackPeer keyboard("Keys");
    ASSERT_TRUE(wired(keyboard, listener));
    Collector collector(listener);
    qobject_cast<QComboBox*>(window_->item(IDC_TARGET))->addItem("nohost.invalid:1");
    QTest::mouseClick(window_->item(IDC_TO_ALL), Qt::LeftButton);
    const Messages notes = numberedNotes(20);
    bool allWhileShown = false;
    boxes.whileShown = [&] {
        keyboard.play(Messages(notes.begin() + 1, notes.end()), 1);
        allWhileShown = QTest::qWaitFor([&] { return collector.has(notes.size()); }, 20000);
    };
    keyboard.play({notes.front()}, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(notes.size()); }, 20000));
    EXPECT_TRUE(allWhileShown);
    EXPECT_EQ(collector.messages(), notes);
    EXPECT_EQ(boxes.texts, QStringList{"Host not found"});
    QTest::mouseClick(button(IDC_MIDI_IN), Qt::LeftButton);
    EXPECT_FALSE(open(IDC_MIDI_IN));
}

// 20,000 messages played while the window's thread is held: every one arrives while it is held, in
// order.
TEST_F(MidiWindowTest, InputIsForwardedWhileTheWindowIsBusy)
{
    constexpr std::uint32_t kMessages = 20'000;
    UdpListener listener(64 << 20);  // should the collector not be scheduled in time
    JackPeer keyboard("Keys");
    ASSERT_TRUE(wired(keyboard, listener));
    Collector collector(listener);
    bool arrivedWhileHeld = false;
    QTimer::singleShot(0, window_.get(), [&collector, &arrivedWhileHeld] {
        const auto start = std::chrono::steady_clock::now();
        while (!collector.has(kMessages) && std::chrono::steady_clock::now() - start < 30s) {
            std::this_thread::sleep_for(10ms);
        }
        arrivedWhileHeld = collector.has(kMessages);
    });
    keyboard.play(numberedNotes(kMessages), 32);
    ASSERT_TRUE(QTest::qWaitFor([&] { return arrivedWhileHeld; }, 60000));
    EXPECT_EQ(collector.messages(), numberedNotes(kMessages));
}

// Keys and menu picks take their place among forwarded input: each goes out after everything
// forwarded before it was asked, and the input's own order holds around them.
TEST_F(MidiWindowTest, KeysAndMenuPicksKeepTheirPlaceAmongForwardedInput)
{
    constexpr std::uint32_t kMessages = 3'000;
    UdpListener listener(16 << 20);
    JackPeer keyboard("Keys");
    ASSERT_TRUE(wired(keyboard, listener));
    Collector collector(listener);
    QWidget* keys = window_->item(IDC_KEYBOARD);
    std::vector<std::size_t> seenBefore;  // what had arrived when each was asked for
    Messages played = numberedNotes(kMessages);
    for (std::uint32_t& note : played) {
        note |= 1U;  // on channel 2, apart from the keys' channel 1
    }
    keyboard.play(played, 2);
    const auto when = [&](std::size_t arrived, const std::function<void()>& ask) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(arrived); }, 20000));
        seenBefore.push_back(collector.messages().size());
        ask();
    };
    when(500, [&] {
        keys->setFocus();
        QTest::keyPress(keys, Qt::Key_Z);
    });
    when(1000, [&] { QTest::keyRelease(keys, Qt::Key_Z); });
    when(1500, [&] {
        testing_support::whenMenuShows([](QMenu* menu) {
            testing_support::pickEntry(
                menu, {"programChangeMenuAction", "programGroupMenu1Action", "programAction2"});
        });
        QTest::mouseClick(keys, Qt::LeftButton);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(kMessages + 3); }, 20000));
    const Messages arrived = collector.messages();
    Messages input;
    std::vector<std::size_t> asked;  // where the keys' and the menu's messages are
    for (std::size_t i = 0; i < arrived.size(); ++i) {
        ((arrived[i] & 0xFFU) == 0x91U) ? input.push_back(arrived[i]) : asked.push_back(i);
    }
    EXPECT_EQ(input, played);
    ASSERT_EQ(asked.size(), 3U);
    EXPECT_THAT((Messages{arrived[asked[0]], arrived[asked[1]], arrived[asked[2]]}),
                testing::ElementsAre(0x7F3C90U, 0x003C90U, 0x01C0U));
    for (std::size_t i = 0; i < asked.size(); ++i) {
        EXPECT_GE(asked[i], seenBefore[i]) << i;
    }
}

// Space on a closed toggle opens its selection window, active and over the main window, which stays
// usable, with no line picked; the keyboard alone then chooses the second line, every time.
TEST_F(MidiWindowTest, SelectionWindowsWorkFromTheKeyboardEveryTime)
{
    JackPeer keys("Keys");  // the input's second line: the only other source
    for (const int toggle : {IDC_MIDI_IN, IDC_MIDI_OUT}) {
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE(testing::Message() << "toggle " << toggle << ", round " << round);
            button(toggle)->setFocus();
            if (open(toggle)) {
                QTest::keyClick(button(toggle), Qt::Key_Space);  // closes, asks nothing
            }
            ASSERT_FALSE(open(toggle));
            bool shown = false;
            testing_support::whenModalShows([&](QWidget* dialog) {
                shown = true;
                ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
                EXPECT_TRUE(window_->frameGeometry().contains(dialog->geometry().center()));
                EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
                auto* list = dialog->findChild<QListView*>("IDC_DEVICE_LIST");
                EXPECT_EQ(QApplication::focusWidget(), list);
                QWindow* keyboardWindow = QGuiApplication::focusWindow();
                ASSERT_NE(keyboardWindow, nullptr);
                EXPECT_FALSE(list->currentIndex().isValid());
                QTest::keyClick(keyboardWindow, Qt::Key_Down);
                QTest::keyClick(keyboardWindow, Qt::Key_Down);
                EXPECT_EQ(list->currentIndex().row(), 1);
                QTest::keyClick(keyboardWindow, Qt::Key_Return);
            });
            QTest::keyClick(button(toggle), Qt::Key_Space);
            EXPECT_TRUE(QTest::qWaitFor([&] { return shown && open(toggle); }, 5000));
        }
    }
    EXPECT_TRUE(keys.connected(keys.outName(), kOurIn));
}

TEST_F(MidiWindowTest, ClosingWhileTheSynthesizerLoadsEndsTheLoading)
{
    window_.reset();
    // Anything the loading had queued for the window would run now.
    QTest::qWait(100);
    EXPECT_TRUE(JackPeer("Probe").portNames("Mirevo Synth").empty());
}

// While the synthesizer loads, a click gives the loading up and opens the
// selection, where our own port (line 1) is chosen and then played on.
TEST_F(MidiWindowTest, ReceivedMidiPlaysOnTheChosenOutputPort)
{
    ASSERT_FALSE(open(IDC_MIDI_OUT));
    chooseDevice(button(IDC_MIDI_OUT), 1);
    ASSERT_TRUE(open(IDC_MIDI_OUT));
    JackPeer sound("Sound");
    EXPECT_TRUE(sound.portNames("Mirevo Synth").empty());
    ASSERT_TRUE(sound.connect("Mirevo:MIDI Out", sound.inName()));
    const std::uint16_t port = listen();
    const Messages heard = testing_support::heardAfter(
        sound, [port] { (void)sendToLoopback(port, midiDatagram(0x7F3C90)); });
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.front(), 0x7F3C90U);
}

// A selection window ended without a choice: Escape opens nothing for the input and the default
// (the synthesizer) for the output; Exit ends it as cancelled and opens nothing on the way out.
struct EndRow {
    std::string name;
    int toggle;
    bool exit;
};

class SelectionEndTest : public MidiWindowTest, public testing::WithParamInterface<EndRow> {};

TEST_P(SelectionEndTest, OpensTheDefaultOutputOnlyWhenCancelled)
{
    const EndRow& row = GetParam();
    ASSERT_TRUE(row.toggle == IDC_MIDI_IN || synthesizerOpens());
    QTest::mouseClick(button(row.toggle), Qt::LeftButton);  // closes the default device
    ASSERT_FALSE(open(row.toggle));
    bool ended = false;
    testing_support::whenModalShows([&](QWidget* dialog) {
        if (row.exit) {
            QTest::mouseClick(button(IDOK), Qt::LeftButton);
        } else {
            QTest::keyClick(dialog->findChild<QListView*>("IDC_DEVICE_LIST"), Qt::Key_Escape);
        }
        ended = true;
    });
    QTest::mouseClick(button(row.toggle), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 5000));
    EXPECT_NE(window_->isVisible(), row.exit);
    EXPECT_EQ(window_->findChild<QDialog*>("IDD_SELECT_DEVICE"), nullptr);
    const bool reopens = row.toggle == IDC_MIDI_OUT && !row.exit;
    EXPECT_EQ(reopens ? synthesizerOpens() : open(row.toggle), reopens);
}

INSTANTIATE_TEST_SUITE_P(Ends, SelectionEndTest,
                         testing::Values(EndRow{"inputEscape", IDC_MIDI_IN, false},
                                         EndRow{"outputEscape", IDC_MIDI_OUT, false},
                                         EndRow{"inputExit", IDC_MIDI_IN, true},
                                         EndRow{"outputExit", IDC_MIDI_OUT, true}),
                         [](const testing::TestParamInfo<EndRow>& row) { return row.param.name; });

}  // namespace
