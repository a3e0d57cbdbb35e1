// The main window's MIDI on a real JACK server: input forwarded (none lost,
// one box for a failing target), received MIDI played on the chosen output
// (the synthesizer heard through JACK, or a port), the selection windows.
#include <gmock/gmock.h>

#include <QApplication>
#include <QCheckBox>
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

// Forwarded to a list with a failing target: the good one receives every
// message in order, one box is shown, and once it is dismissed MIDI IN can
// be reached.
TEST_F(MidiWindowTest, InputToAFailingTargetShowsOneBox)
{
    UdpListener listener;
    JackPeer keyboard("Keys");
    auto* targets = qobject_cast<QComboBox*>(window_->item(IDC_TARGET));
    targets->clear();
    targets->addItems({"nohost.invalid:1", QString::fromStdString(listener.target())});
    qobject_cast<QCheckBox*>(window_->item(IDC_TO_ALL))->setChecked(true);
    boxes.holdFor = 500ms;  // a real box, dismissed after half a second
    ASSERT_TRUE(testing_support::wireKeysIn(keyboard, listener));
    Collector collector(listener);
    const Messages notes = numberedNotes(20);
    keyboard.play(notes, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(notes.size()); }, 20000));
    EXPECT_EQ(collector.messages(), notes);
    EXPECT_EQ(boxes.texts, QStringList{"Host not found"});
    QTest::mouseClick(button(IDC_MIDI_IN), Qt::LeftButton);
    EXPECT_FALSE(open(IDC_MIDI_IN));
}

// 20,000 messages played while the window's thread is held for 5 s, and the
// input closed by a key right after: every one arrives, in order.
TEST_F(MidiWindowTest, NothingIsLostWhileTheWindowIsBusyNorWhenTheInputClosesRightAfter)
{
    constexpr std::uint32_t kMessages = 20'000;
    UdpListener listener(64 << 20);  // should the collector not be scheduled in time
    JackPeer keyboard("Keys");
    qobject_cast<QComboBox*>(window_->item(IDC_TARGET))
        ->setEditText(QString::fromStdString(listener.target()));
    ASSERT_TRUE(testing_support::wireKeysIn(keyboard, listener));
    Collector collector(listener);
    const std::uint64_t played = keyboard.played() + kMessages;
    QTimer::singleShot(0, window_.get(), [this, &keyboard, played] {
        const auto start = std::chrono::steady_clock::now();
        const auto held = [&start] { return std::chrono::steady_clock::now() - start; };
        while (held() < 5s || (keyboard.played() < played && held() < 20s)) {
            std::this_thread::sleep_for(10ms);
        }
        button(IDC_MIDI_IN)->setFocus();
        QTest::keyClick(button(IDC_MIDI_IN), Qt::Key_Space);
    });
    keyboard.play(numberedNotes(kMessages), 32);
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(kMessages); }, 60000))
        << collector.messages().size() << " arrived";
    EXPECT_FALSE(open(IDC_MIDI_IN));
    EXPECT_EQ(keyboard.played(), played);
    const Messages arrived = collector.messages();
    EXPECT_EQ(Messages(arrived.begin(), arrived.begin() + kMessages), numberedNotes(kMessages));
}

// Space on a closed toggle opens its selection window, active and over the
// main window, which stays usable, with no line picked; the keyboard alone
// then chooses the second line, every time.
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

// A selection window ended without a choice: Escape opens nothing for the
// input and the default (the synthesizer) for the output; Exit ends it as
// cancelled and opens nothing on the way out.
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
