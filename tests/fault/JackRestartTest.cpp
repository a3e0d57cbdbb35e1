// The JACK server dies while the window has its MIDI input port and the
// synthesizer open, then comes back: nothing crashes, received MIDI is
// dropped meanwhile, and the toggles open working ports and the synthesizer
// on the new server.
#include <gmock/gmock.h>
#include <rtmidi/RtMidi.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include "app/MainWindow.h"
#include "midi/MidiDevices.h"
#include "midi/MidiPort.h"
#include "midi/SelectionDialog.h"
#include "net/Datagram.h"
#include "resources/ResourceIds.h"
#include "tests/support/JackServer.h"
#include "tests/support/ModalHelpers.h"
#include "tests/support/OwnPort.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/UdpListener.h"

namespace {

using namespace res;
using Bytes = std::vector<unsigned char>;

void ignoreRtMidiError(RtMidiError::Type, const std::string&, void*) {}

class JackRestartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string whyNot;
        server_ = testsupport::JackServer::start(whyNot);
        if (!server_) {
            GTEST_SKIP() << whyNot;
        }
        window_ = std::make_unique<app::MainWindow>(boxes, devices_);
        window_->show();
    }
    void TearDown() override
    {
        window_.reset();
        server_.reset();
    }

    QPushButton* button(int id) { return qobject_cast<QPushButton*>(window_->item(id)); }

    // Toggles a device on, choosing `line` in the selection window.
    void choose(int toggle, int line)
    {
        testing_support::whenModalShows([line](QWidget* modal) {
            auto* dialog = qobject_cast<midi::SelectionDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            auto* list = qobject_cast<QListView*>(dialog->item(IDC_DEVICE_LIST));
            list->setCurrentIndex(list->model()->index(line, 0));
            dialog->selectionDialogHandler(IDOK);
        });
        window_->mainWindowHandler(toggle);
    }

    // Plays a note into the window's input port from another JACK client
    // and returns whether the window sent it on to the listener.
    bool inputReachesTheNetwork(testing_support::UdpListener& listener)
    {
        RtMidiOut keyboard(RtMidi::UNIX_JACK, "Keys");
        keyboard.setErrorCallback(&ignoreRtMidiError);
        const std::optional<unsigned> port =
            testing_support::ownPort(keyboard, midi::kInputPortName);
        if (!port) {
            return false;
        }
        keyboard.openPort(*port);
        const Bytes noteOn{0x90, 0x3C, 0x7F};
        // A new connection may swallow its first messages: play until one
        // comes through.
        return QTest::qWaitFor(
            [&] {
                keyboard.sendMessage(&noteOn);
                const auto datagram = listener.next(std::chrono::milliseconds(50));
                return datagram && datagram->text() == std::string("~\x90\x3C\x7F\x00", 5);
            },
            10000);
    }

    testing_support::RecordingMessageBoxes boxes;
    const midi::MidiDevices devices_{midi::MidiBackend::Jack,
                                     midi::SynthOptions{.audioOutputs = {midi::AudioOutput::Jack}}};
    std::unique_ptr<testsupport::JackServer> server_;
    std::unique_ptr<app::MainWindow> window_;
};

TEST_F(JackRestartTest, TheServerDyingWithPortsOpenCrashesNothingAndLaterTogglesWork)
{
    // Input on Mirevo's own port, output on the synthesizer playing on JACK
    // (the defaults).
    ASSERT_TRUE(window_->midiInputOpen());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_->midiOutputOpen(); }, 30000));
    qobject_cast<QLineEdit*>(window_->item(IDC_PORT))->setText("0");
    window_->mainWindowHandler(IDC_LISTEN);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_->receiver()->boundPort() != 0; }));
    const std::uint16_t port = window_->receiver()->boundPort();

    server_->kill();

    // Received MIDI meets an output whose server is gone.
    net::UdpSocket sender = net::UdpSocket::open();
    const net::Ipv4Endpoint to{*net::UdpSocket::resolveIpv4("127.0.0.1"), port};
    const net::MidiDatagram note = net::makeMidiDatagram(0x7F3C90);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(sender.sendTo(to, note));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_->receiver()->datagramsHandled() == 20; }));

    // Closing both ports on the dead server.
    window_->mainWindowHandler(IDC_MIDI_IN);
    EXPECT_FALSE(window_->midiInputOpen());
    EXPECT_FALSE(button(IDC_MIDI_IN)->isChecked());
    window_->mainWindowHandler(IDC_MIDI_OUT);
    EXPECT_FALSE(window_->midiOutputOpen());

    // Without a server Mirevo's own input port cannot be made.
    testing_support::whenModalShows([](QWidget* modal) {
        qobject_cast<midi::SelectionDialog*>(modal)->selectionDialogHandler(IDCANCEL);
    });
    window_->mainWindowHandler(IDC_MIDI_IN);
    EXPECT_FALSE(window_->midiInputOpen());

    std::string whyNot;
    server_ = testsupport::JackServer::start(whyNot);
    ASSERT_TRUE(server_) << whyNot;

    choose(IDC_MIDI_IN, 0);
    ASSERT_TRUE(window_->midiInputOpen());
    EXPECT_TRUE(button(IDC_MIDI_IN)->isChecked());
    choose(IDC_MIDI_OUT, 1);
    EXPECT_TRUE(window_->midiOutputOpen());
    EXPECT_TRUE(button(IDC_MIDI_OUT)->isChecked());
    window_->mainWindowHandler(IDC_MIDI_OUT);
    choose(IDC_MIDI_OUT, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return button(IDC_MIDI_OUT)->isChecked(); }, 30000));

    testing_support::UdpListener listener;
    qobject_cast<QComboBox*>(window_->item(IDC_TARGET))
        ->setEditText(QString::fromStdString(listener.target()));
    EXPECT_TRUE(inputReachesTheNetwork(listener));

    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join(", ").toStdString();
    EXPECT_FALSE(window_->receiver()->finished());
}

}  // namespace
