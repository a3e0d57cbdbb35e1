// The JACK server dies under the window's open ports, at all sorts of
// moments, and comes back, a hundred times: nothing crashes, the toggles
// show the devices closed once it is gone, received MIDI meanwhile is
// dropped, and the toggles then open working ports on the new server. The
// same for the built-in synthesizer playing on JACK.
#include <gmock/gmock.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <thread>

#include "app/MainWindow.h"
#include "midi/MidiDevices.h"
#include "midi/SelectionDialog.h"
#include "net/Datagram.h"
#include "resources/ResourceIds.h"
#include "tests/support/JackPeer.h"
#include "tests/support/JackServer.h"
#include "tests/support/ModalHelpers.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/UdpListener.h"

namespace {

using namespace res;
using namespace std::chrono_literals;

constexpr int kRestarts = 100;

class JackRestartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string whyNot;
        server_ = testsupport::JackServer::start(whyNot);
        if (!server_) {
            GTEST_SKIP() << whyNot;
        }
    }
    void TearDown() override
    {
        window_.reset();
        devices_.reset();
        server_.reset();
    }

    // One MIDI system per process, as in the program.
    void openWindow(const midi::SynthOptions& synthesizer)
    {
        devices_ = std::make_unique<midi::MidiDevices>(midi::MidiBackend::Jack, synthesizer);
        window_ = std::make_unique<app::MainWindow>(boxes, *devices_);
        window_->show();
    }

    QPushButton* button(int id) { return qobject_cast<QPushButton*>(window_->item(id)); }

    // Toggles a device on, choosing `line` in the selection window; first
    // runs `meanwhile` while the window is up.
    void choose(int toggle, int line, const std::function<void()>& meanwhile = {})
    {
        testing_support::whenModalShows([line, meanwhile](QWidget* modal) {
            auto* dialog = qobject_cast<midi::SelectionDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            if (meanwhile) {
                meanwhile();
            }
            auto* list = qobject_cast<QListView*>(dialog->item(IDC_DEVICE_LIST));
            list->setCurrentIndex(list->model()->index(line, 0));
            dialog->selectionDialogHandler(IDOK);
        });
        window_->mainWindowHandler(toggle);
    }

    bool bothClosed()
    {
        return !button(IDC_MIDI_IN)->isChecked() && !button(IDC_MIDI_OUT)->isChecked();
    }

    testing_support::RecordingMessageBoxes boxes;
    std::unique_ptr<midi::MidiDevices> devices_;
    std::unique_ptr<testsupport::JackServer> server_;
    std::unique_ptr<app::MainWindow> window_;
};

TEST_F(JackRestartTest, TheServerKilledAtAnyMomentCrashesNothingAndLaterTogglesWork)
{
    openWindow(midi::SynthOptions{.soundFonts = {}});  // no synthesizer
    // Received MIDI streams into the output all along.
    qobject_cast<QLineEdit*>(window_->item(IDC_PORT))->setText("0");
    window_->mainWindowHandler(IDC_LISTEN);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_->receiver()->boundPort() != 0; }));
    // Stopped and joined however the test ends.
    std::jthread stream([port = window_->receiver()->boundPort()](const std::stop_token& stop) {
        net::UdpSocket sender = net::UdpSocket::open();
        const net::Ipv4Endpoint to{*net::UdpSocket::resolveIpv4("127.0.0.1"), port};
        while (!stop.stop_requested()) {
            (void)sender.sendTo(to, net::makeMidiDatagram(0x7F3C90));
            std::this_thread::sleep_for(500us);
        }
    });

    ASSERT_FALSE(window_->midiOutputOpen());  // the synthesizer cannot open here
    for (int round = 0; round < kRestarts; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        if (!server_) {
            std::string whyNot;
            server_ = testsupport::JackServer::start(whyNot);
            ASSERT_TRUE(server_) << whyNot;
        }
        if (!window_->midiInputOpen()) {
            choose(IDC_MIDI_IN, 0);
        }
        // Every fourth time the server dies while the output is being chosen.
        const bool dieWhileChoosing = round % 4 == 3;
        choose(IDC_MIDI_OUT, 1, [&] {
            if (dieWhileChoosing) {
                server_->kill();
            }
        });
        if (!dieWhileChoosing) {
            ASSERT_TRUE(window_->midiInputOpen());
            ASSERT_TRUE(window_->midiOutputOpen());
            // A keyboard plays into the input while the server dies.
            testsupport::JackPeer keyboard("Keys");
            (void)keyboard.connect(keyboard.outName(), "Mirevo:MIDI In");
            keyboard.play(std::vector<std::uint32_t>(64, 0x7F3C90), 1);
            QTest::qWait(round % 7);
            server_->kill();
        }
        server_.reset();
        ASSERT_TRUE(QTest::qWaitFor([&] { return bothClosed(); }, 10000));
        EXPECT_FALSE(window_->midiInputOpen());
        EXPECT_FALSE(window_->midiOutputOpen());
    }
    stream.request_stop();

    // On a new server the toggles open working ports.
    std::string whyNot;
    server_ = testsupport::JackServer::start(whyNot);
    ASSERT_TRUE(server_) << whyNot;
    choose(IDC_MIDI_IN, 0);
    choose(IDC_MIDI_OUT, 1);
    EXPECT_TRUE(button(IDC_MIDI_IN)->isChecked());
    EXPECT_TRUE(button(IDC_MIDI_OUT)->isChecked());
    testing_support::UdpListener listener;
    qobject_cast<QComboBox*>(window_->item(IDC_TARGET))
        ->setEditText(QString::fromStdString(listener.target()));
    testsupport::JackPeer keyboard("Keys");
    ASSERT_TRUE(keyboard.connect(keyboard.outName(), "Mirevo:MIDI In"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            keyboard.play({0x7F3C90});
            const auto datagram = listener.next(50ms);
            return datagram && datagram->text() == std::string("~\x90\x3C\x7F\x00", 5);
        },
        10000));
    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join(", ").toStdString();
    EXPECT_FALSE(window_->receiver()->finished());
}

// The synthesizer playing on JACK shows closed once its server has died;
// received MIDI meanwhile crashes nothing, and a new server gets it back.
TEST_F(JackRestartTest, TheSynthesizersServerDyingCrashesNothing)
{
    openWindow(midi::SynthOptions{.audioOutputs = {midi::AudioOutput::Jack}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return button(IDC_MIDI_OUT)->isChecked(); }, 30000));
    qobject_cast<QLineEdit*>(window_->item(IDC_PORT))->setText("0");
    window_->mainWindowHandler(IDC_LISTEN);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_->receiver()->boundPort() != 0; }));
    net::UdpSocket sender = net::UdpSocket::open();
    const net::Ipv4Endpoint to{*net::UdpSocket::resolveIpv4("127.0.0.1"),
                               window_->receiver()->boundPort()};

    server_->kill();
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(sender.sendTo(to, net::makeMidiDatagram(0x7F3C90)));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_->receiver()->datagramsHandled() == 20; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bothClosed(); }, 10000));

    std::string whyNot;
    server_ = testsupport::JackServer::start(whyNot);
    ASSERT_TRUE(server_) << whyNot;
    choose(IDC_MIDI_OUT, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return button(IDC_MIDI_OUT)->isChecked(); }, 30000));
    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join(", ").toStdString();
}

}  // namespace
