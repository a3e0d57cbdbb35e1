// The JACK server dies under the window's open devices at all sorts of moments and comes back, 100
// times: no crash, the toggles show the devices closed, then open working ones on the new server.
#include <gmock/gmock.h>

#include <QAbstractItemModel>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <thread>

#include "gui/MainWindow.h"
#include "midi/MidiDevices.h"
#include "net/Datagram.h"
#include "tests/support/ChooseDevice.h"
#include "tests/support/JackServer.h"
#include "tests/support/MidiCollector.h"
#include "tests/support/RecordingMessageBoxes.h"

namespace {

using namespace std::chrono_literals;
using testing_support::chooseDevice;
using testsupport::JackServer;

constexpr std::uint32_t kNoteOn = 0x7F3C90;

class JackRestartTest : public ::testing::Test {
protected:
    // Opens the window, its synthesizer playing on JACK (one MIDI system per
    // process, as in the program), and has it listen on a port of ours.
    void SetUp() override
    {
        server_ = JackServer::start(whyNot_);
        if (!server_) {
            GTEST_SKIP() << whyNot_;
        }
        devices_ = std::make_unique<midi::MidiDevices>(
            midi::MidiBackend::Jack, midi::SynthOptions{.audioOutputs = {midi::AudioOutput::Jack}});
        window_ = std::make_unique<gui::MainWindow>(boxes_, *devices_);
        window_->show();
        window_->findChild<QLineEdit*>("IDC_PORT")->setText(QString::number(port_));
        QTest::mouseClick(button("IDC_LISTEN"), Qt::LeftButton);
        ASSERT_TRUE(heard());
    }

    QPushButton* button(const char* name) { return window_->findChild<QPushButton*>(name); }

    // Sends a text until the window logs it: everything sent before it has been handled, in order.
    bool heard()
    {
        const QAbstractItemModel* log = window_->findChild<QListView*>("IDC_LOG")->model();
        const int lines = log->rowCount();
        return QTest::qWaitFor(
            [&] {
                (void)sender_.sendTo(to_, net::makeTextDatagram("ping"));
                return QTest::qWaitFor([&] { return log->rowCount() > lines; }, 50);
            },
            10000);
    }

    [[nodiscard]] bool checked(const char* toggle) { return button(toggle)->isChecked(); }
    [[nodiscard]] bool bothClose()
    {
        return QTest::qWaitFor([&] { return !checked("IDC_MIDI_IN") && !checked("IDC_MIDI_OUT"); },
                               10000);
    }

    // Gone in the reverse order: the window, the devices, the server.
    std::string whyNot_;
    std::unique_ptr<JackServer> server_;
    testing_support::RecordingMessageBoxes boxes_;
    std::unique_ptr<midi::MidiDevices> devices_;
    std::unique_ptr<gui::MainWindow> window_;
    const std::uint16_t port_ = testing_support::freeUdpPort();
    const net::Ipv4Endpoint to_{*net::UdpSocket::resolveIpv4("127.0.0.1"), port_};
    net::UdpSocket sender_ = net::UdpSocket::open();
};

TEST_F(JackRestartTest, TheServerKilledAtAnyMomentCrashesNothingAndLaterTogglesWork)
{
    // The synthesizer playing on JACK and the input show closed once their
    // server has died; MIDI received meanwhile crashes nothing.
    ASSERT_TRUE(QTest::qWaitFor([&] { return checked("IDC_MIDI_OUT"); }, 30000));
    server_->kill();
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(sender_.sendTo(to_, net::makeMidiDatagram(kNoteOn)));
    }
    ASSERT_TRUE(heard());
    ASSERT_TRUE(bothClose());
    server_.reset();

    // Received MIDI streams into the output all along; stopped and joined however the test ends.
    std::jthread stream([this](const std::stop_token& stop) {
        net::UdpSocket sender = net::UdpSocket::open();
        while (!stop.stop_requested()) {
            (void)sender.sendTo(to_, net::makeMidiDatagram(kNoteOn));
            std::this_thread::sleep_for(500us);
        }
    });
    for (int round = 0; round < 100; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        server_ = JackServer::start(whyNot_);
        ASSERT_TRUE(server_) << whyNot_;
        chooseDevice(button("IDC_MIDI_IN"), 0);
        // Every fourth time the server dies while the output is being chosen.
        const bool dieWhileChoosing = round % 4 == 3;
        chooseDevice(button("IDC_MIDI_OUT"), 1, [&] {
            if (dieWhileChoosing) {
                server_->kill();
            }
        });
        if (!dieWhileChoosing) {
            ASSERT_TRUE(checked("IDC_MIDI_IN"));
            ASSERT_TRUE(checked("IDC_MIDI_OUT"));
            // A keyboard plays into the input while the server dies.
            testsupport::JackPeer keyboard("Keys");
            (void)keyboard.connect(keyboard.outName(), "Mirevo:MIDI In");
            keyboard.play(std::vector<std::uint32_t>(64, kNoteOn), 1);
            QTest::qWait(round % 7);
            server_->kill();
        }
        server_.reset();
        ASSERT_TRUE(bothClose());
    }
    stream.request_stop();

    // On a new server the toggles open working devices: the synthesizer,
    // and the input, which forwards what a keyboard plays.
    server_ = JackServer::start(whyNot_);
    ASSERT_TRUE(server_) << whyNot_;
    chooseDevice(button("IDC_MIDI_IN"), 0);
    chooseDevice(button("IDC_MIDI_OUT"), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return checked("IDC_MIDI_OUT"); }, 30000));
    testing_support::UdpListener listener;
    window_->findChild<QComboBox*>("IDC_TARGET")
        ->setEditText(QString::fromStdString(listener.target()));
    testsupport::JackPeer keyboard("Keys");
    EXPECT_TRUE(testing_support::wireKeysIn(keyboard, listener));
    EXPECT_TRUE(heard());
    EXPECT_TRUE(boxes_.texts.isEmpty()) << boxes_.texts.join(", ").toStdString();
}

// A chord and pedal held on the keyboard as JACK dies: targets get their releases, and only theirs.
TEST_F(JackRestartTest, AChordHeldWhenTheServerDiesIsReleasedAtTheTargets)
{
    testing_support::UdpListener listener;
    window_->findChild<QComboBox*>("IDC_TARGET")
        ->setEditText(QString::fromStdString(listener.target()));
    testsupport::JackPeer keyboard("Keys");
    ASSERT_TRUE(testing_support::wireKeysIn(keyboard, listener));
    testing_support::Collector collector(listener);
    const std::vector<std::uint32_t> held{0x643C90, 0x644090, 0x004080, 0x7F40B3};
    keyboard.play(held);
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(held.size()); }));
    server_->kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !checked("IDC_MIDI_IN"); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return collector.has(held.size() + 2); }));
    QTest::qWait(50);
    EXPECT_THAT(collector.messages(),
                testing::ElementsAre(0x643C90, 0x644090, 0x004080, 0x7F40B3, 0x003C90, 0x0040B3));
}

}  // namespace
