// MIDI through a real JACK server on the dummy driver: our ports, a test
// program's ports on the other end, and the input forwarded over UDP.

#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "midi/MidiDevices.h"
#include "midi/MidiOutputSlot.h"
#include "midi/MidiPort.h"
#include "net/UdpSocket.h"
#include "tests/support/JackTest.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<unsigned char>;

constexpr auto kDeadline = 20s;
// Each test program gets a client of its own: JACK would number a second
// client of the same name.
constexpr const char* kKeysClient = "Keys";
constexpr const char* kSoundClient = "Sound";

void ignoreRtMidiError(RtMidiError::Type, const std::string&, void*) {}

// The index of the first port whose name satisfies `match`.
template <typename Match>
std::optional<unsigned> findPort(RtMidi& midi, Match match)
{
    for (unsigned i = 0; i < midi.getPortCount(); ++i) {
        if (match(midi.getPortName(i))) {
            return i;
        }
    }
    return std::nullopt;
}

bool isOurPort(const std::string& name, const char* port)
{
    return midi::isOwnPortName(name) && name.ends_with(std::string(":") + port);
}

// A fresh JACK connection carries nothing until the server has rewired its
// graph, so each test first pings with Active Sensing until one comes
// through; pings are left out of what the tests compare.
constexpr std::uint8_t kPing = 0xFE;
constexpr auto kPingInterval = 50ms;

// Another program's input: collects every message it receives.
class ProbeIn {
public:
    ProbeIn() : in_(RtMidi::UNIX_JACK, kSoundClient)
    {
        in_.setErrorCallback(&ignoreRtMidiError);
        in_.ignoreTypes(false, false, false);
        in_.setCallback(&ProbeIn::received, this);
    }
    ~ProbeIn() { in_.closePort(); }

    RtMidiIn& midi() { return in_; }

    // Plays pings until one arrives.
    [[nodiscard]] bool pingUntilConnected(midi::MidiOutputSlot& slot)
    {
        const auto until = std::chrono::steady_clock::now() + kDeadline;
        std::unique_lock lock(mutex_);
        const std::uint64_t before = pings_;
        while (std::chrono::steady_clock::now() < until) {
            lock.unlock();
            slot.play(kPing);
            lock.lock();
            if (arrived_.wait_for(lock, kPingInterval, [&] { return pings_ > before; })) {
                return true;
            }
        }
        return false;
    }

    // Waits until `count` messages other than pings have come; returns them.
    std::vector<Bytes> waitFor(std::size_t count)
    {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, kDeadline, [&] { return messages_.size() >= count; });
        return messages_;
    }

private:
    static void received(double, Bytes* message, void* self)
    {
        auto* probe = static_cast<ProbeIn*>(self);
        const std::lock_guard lock(probe->mutex_);
        if (*message == Bytes{kPing}) {
            ++probe->pings_;
        } else {
            probe->messages_.push_back(*message);
        }
        probe->arrived_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::uint64_t pings_ = 0;
    std::vector<Bytes> messages_;
    RtMidiIn in_;  // last: closes before the rest goes
};

class MidiJackTest : public testsupport::JackTest {
protected:

    const midi::MidiDevices devices_{midi::MidiBackend::Jack};

};

// Waits for the input's wake-up, like the window's queued call, and drains.
class InputWaiter {
public:
    midi::MidiInput::Notify notify()
    {
        return [this] {
            const std::lock_guard lock(mutex_);
            ++wakeUps_;
            woken_.notify_all();
        };
    }

    // Sends pings until one arrives.
    [[nodiscard]] bool pingUntilConnected(midi::MidiInput& input, RtMidiOut& sender)
    {
        const Bytes ping = {kPing};
        const std::uint64_t before = pings_;  // only this thread touches it
        const auto until = std::chrono::steady_clock::now() + kDeadline;
        while (std::chrono::steady_clock::now() < until) {
            sender.sendMessage(&ping);
            if (take(input, std::chrono::steady_clock::now() + kPingInterval,
                     [&] { return pings_ > before; })) {
                return true;
            }
        }
        return false;
    }

    // Waits until `count` messages other than pings have come; returns them.
    std::vector<std::uint32_t> waitFor(midi::MidiInput& input, std::size_t count)
    {
        take(input, std::chrono::steady_clock::now() + kDeadline,
             [&] { return taken_.size() >= count; });
        return taken_;
    }

private:
    template <typename Done>
    bool take(midi::MidiInput& input, std::chrono::steady_clock::time_point until, Done done)
    {
        std::unique_lock lock(mutex_);
        while (!done()) {
            if (!woken_.wait_until(lock, until, [&] { return wakeUps_ != seen_; })) {
                return false;
            }
            seen_ = wakeUps_;
            lock.unlock();
            input.drain([&](std::uint32_t m) {
                if (m == kPing) {
                    ++pings_;
                } else {
                    taken_.push_back(m);
                }
            });
            lock.lock();
        }
        return true;
    }

    std::mutex mutex_;
    std::condition_variable woken_;
    std::uint64_t wakeUps_ = 0;
    std::uint64_t seen_ = 0;
    std::uint64_t pings_ = 0;
    std::vector<std::uint32_t> taken_;
};

TEST_F(MidiJackTest, ListsOurVirtualPortsFirstAndNeverOurPortsAmongTheSystems)
{
    RtMidiOut probeOut(RtMidi::UNIX_JACK, kKeysClient);
    probeOut.setErrorCallback(&ignoreRtMidiError);
    probeOut.openVirtualPort("keys");
    ProbeIn probeIn;
    probeIn.midi().openVirtualPort("sound");

    const auto input = devices_.openInput(midi::MidiDevices::defaultDevice, [] {});
    const auto output = devices_.openOutput(1);
    ASSERT_NE(input, nullptr);
    ASSERT_NE(output, nullptr);

    const std::vector<std::string> inputs = devices_.inputLines();
    ASSERT_FALSE(inputs.empty());
    EXPECT_EQ(inputs[0], "Mirevo MIDI In (virtual port)");
    EXPECT_NE(std::ranges::find(inputs, std::string(kKeysClient) + ":keys"), inputs.end());

    const std::vector<std::string> outputs = devices_.outputLines();
    ASSERT_GE(outputs.size(), 2u);
    EXPECT_EQ(outputs[0], "Built-in synthesizer");
    EXPECT_EQ(outputs[1], "Mirevo MIDI Out (virtual port)");
    EXPECT_NE(std::ranges::find(outputs, std::string(kSoundClient) + ":sound"), outputs.end());

    for (const auto& lines : {inputs, outputs}) {
        for (std::size_t i = 1; i < lines.size(); ++i) {
            EXPECT_FALSE(midi::isOwnPortName(lines[i])) << lines[i];
        }
    }
    EXPECT_EQ(devices_.openInput(static_cast<int>(inputs.size()), [] {}), nullptr);
    EXPECT_EQ(devices_.openOutput(static_cast<int>(outputs.size())), nullptr);
}

// The road of a note from a keyboard program into our input port, through
// the window's drain, onto the wire as the 5-byte MIDI datagram.
TEST_F(MidiJackTest, InputIsPackedUnchangedAndForwardedAsDatagrams)
{
    InputWaiter waiter;
    const auto input = devices_.openInput(midi::MidiDevices::defaultDevice, waiter.notify());
    ASSERT_NE(input, nullptr);

    RtMidiOut keyboard(RtMidi::UNIX_JACK, kKeysClient);
    keyboard.setErrorCallback(&ignoreRtMidiError);
    const auto ourPort =
        findPort(keyboard, [](const std::string& n) { return isOurPort(n, midi::kInputPortName); });
    ASSERT_TRUE(ourPort);
    keyboard.openPort(*ourPort);
    ASSERT_TRUE(waiter.pingUntilConnected(*input, keyboard));

    const std::vector<Bytes> sent = {
        {0x90, 0x3C, 0x7F},
        {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},  // System Exclusive: not forwarded
        {0xF8},                                // real-time: forwarded
        {0xC3, 0x05},
        {0x90, 0x3C, 0x00},
    };
    for (const Bytes& message : sent) {
        keyboard.sendMessage(&message);
    }
    const std::vector<std::uint32_t> expected = {0x007F3C90u, 0x000000F8u, 0x000005C3u,
                                                 0x00003C90u};
    EXPECT_EQ(waiter.waitFor(*input, expected.size()), expected);
    EXPECT_EQ(input->overflowCount(), 0u);

    net::UdpSocket listener = net::UdpSocket::open();
    ASSERT_TRUE(listener.valid());
    ASSERT_TRUE(listener.bindAny(0));
    const auto listening = listener.localEndpoint();
    ASSERT_TRUE(listening);
    const auto loopback = net::UdpSocket::resolveIpv4("127.0.0.1");
    ASSERT_TRUE(loopback);

    for (const std::uint32_t message : expected) {
        std::array<std::byte, 5> datagram{std::byte{'~'}};
        for (std::size_t i = 0; i < 4; ++i) {
            datagram[1 + i] = static_cast<std::byte>(message >> (8 * i));
        }
        net::UdpSocket sender = net::UdpSocket::open();
        ASSERT_TRUE(sender.sendTo({*loopback, listening->port}, datagram));

        ASSERT_EQ(listener.waitReadable(std::chrono::milliseconds(kDeadline)),
                  net::UdpSocket::Wait::Readable);
        std::array<std::byte, 1024> buffer{};
        const net::UdpSocket::Received got = listener.receive(buffer);
        ASSERT_FALSE(got.failed);
        ASSERT_EQ(got.size, 5u);
        EXPECT_TRUE(std::equal(datagram.begin(), datagram.end(), buffer.begin()));
    }
}

TEST_F(MidiJackTest, InputFromAChosenSystemPort)
{
    RtMidiOut keyboard(RtMidi::UNIX_JACK, kKeysClient);
    keyboard.setErrorCallback(&ignoreRtMidiError);
    keyboard.openVirtualPort("keys");
    const std::vector<std::string> lines = devices_.inputLines();
    const auto line = std::ranges::find(lines, std::string(kKeysClient) + ":keys");
    ASSERT_NE(line, lines.end());

    InputWaiter waiter;
    const auto input = devices_.openInput(static_cast<int>(line - lines.begin()), waiter.notify());
    ASSERT_NE(input, nullptr);
    ASSERT_TRUE(waiter.pingUntilConnected(*input, keyboard));
    const Bytes noteOn = {0x9F, 0x7F, 0x01};
    keyboard.sendMessage(&noteOn);
    EXPECT_EQ(waiter.waitFor(*input, 1), std::vector<std::uint32_t>{0x00017F9Fu});
}

// What the receiver plays leaves our virtual output port as exactly the
// bytes of each message; what cannot be played never leaves.
TEST_F(MidiJackTest, VirtualOutputSendsTheExactBytes)
{
    midi::MidiOutputSlot slot;
    ASSERT_TRUE(slot.replace(devices_.openOutput(1)));

    ProbeIn sound;
    const auto ourPort = findPort(
        sound.midi(), [](const std::string& n) { return isOurPort(n, midi::kOutputPortName); });
    ASSERT_TRUE(ourPort);
    sound.midi().openPort(*ourPort);
    ASSERT_TRUE(sound.pingUntilConnected(slot));

    for (const std::uint32_t message : {0x007F3C90u, 0x00007F3Cu, 0xAB7F05C0u, 0x000000F0u,
                                        0x000000F8u, 0x000000F9u, 0xFF403C80u}) {
        slot.play(message);
    }
    const std::vector<Bytes> expected = {
        {0x90, 0x3C, 0x7F}, {0xC0, 0x05}, {0xF8}, {0x80, 0x3C, 0x40}};
    EXPECT_EQ(sound.waitFor(expected.size()), expected);
}

// A play while the output is closed is dropped: after reopening, the next
// message is the first to come out.
TEST_F(MidiJackTest, ChosenOutputPortAndNothingWhileClosed)
{
    ProbeIn sound;
    sound.midi().openVirtualPort("sound");
    const std::vector<std::string> lines = devices_.outputLines();
    const auto found = std::ranges::find(lines, std::string(kSoundClient) + ":sound");
    ASSERT_NE(found, lines.end());
    const int line = static_cast<int>(found - lines.begin());

    midi::MidiOutputSlot slot;
    ASSERT_TRUE(slot.replace(devices_.openOutput(line)));
    ASSERT_TRUE(sound.pingUntilConnected(slot));
    slot.play(0x007F3C90u);
    ASSERT_EQ(sound.waitFor(1).size(), 1u);

    slot.close();
    slot.play(0x007F3E90u);
    EXPECT_EQ(slot.droppedCount(), 1u);

    ASSERT_TRUE(slot.replace(devices_.openOutput(line)));
    ASSERT_TRUE(sound.pingUntilConnected(slot));
    slot.play(0x00003C90u);
    const std::vector<Bytes> expected = {{0x90, 0x3C, 0x7F}, {0x90, 0x3C, 0x00}};
    EXPECT_EQ(sound.waitFor(expected.size()), expected);
}

// The window opens, replaces and closes real devices while receivers play.
TEST_F(MidiJackTest, TogglingRealOutputsWhileReceiversPlay)
{
    midi::SynthOptions offline;
    offline.audio = false;
    const midi::MidiDevices devices(midi::MidiBackend::Jack, offline);
    midi::MidiOutputSlot slot;
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> calls{0};

    std::vector<std::thread> receivers;
    for (int r = 0; r < 2; ++r) {
        receivers.emplace_back([&] {
            std::uint32_t note = 0;
            while (!stop.load() || calls.load() < 5000) {
                slot.play(0x00400090u | ((note++ & 0x7Fu) << 8));
                calls.fetch_add(1);
            }
        });
    }
    for (int i = 0; i < 8; ++i) {
        slot.replace(devices.openOutput(1));
        slot.replace(devices.openOutput(0));
        slot.close();
        slot.replace(devices.openOutput(1));
    }
    slot.close();
    stop.store(true);
    for (std::thread& t : receivers) {
        t.join();
    }
    EXPECT_FALSE(slot.isOpen());
    EXPECT_GE(calls.load(), 5000u);
}

}  // namespace
