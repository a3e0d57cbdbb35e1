#include "midi/AlsaClient.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "midi/AlsaEvents.h"
#include "midi/Wakeup.h"

namespace midi {

namespace {

constexpr const char* kSequencerDevice = "/dev/snd/seq";

}  // namespace

std::shared_ptr<AlsaClient> AlsaClient::open()
{
    // Without the device the library would complain on the console.
    if (::access(kSequencerDevice, R_OK | W_OK) != 0) {
        return nullptr;
    }
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
        return nullptr;
    }
    std::shared_ptr<Wakeup> wakeup = Wakeup::make();
    if (!wakeup) {
        snd_seq_close(seq);
        return nullptr;
    }
    std::shared_ptr<AlsaClient> made(new AlsaClient(seq, std::move(wakeup)));
    return made->start() ? made : nullptr;
}

AlsaClient::AlsaClient(snd_seq_t* seq, std::shared_ptr<Wakeup> wakeup)
    : MidiClient([this] { wakeup_->ring(); }), seq_(seq), wakeup_(std::move(wakeup))
{
}

AlsaClient::~AlsaClient()
{
    if (reader_.joinable()) {
        stopping_.store(true);
        wakeup_->ring();
        reader_.join();
    }
    snd_seq_close(seq_);
}

bool AlsaClient::start()
{
    if (snd_seq_set_client_name(seq_, kClientName) < 0) {
        return false;
    }
    client_ = snd_seq_client_id(seq_);
    constexpr unsigned kType = SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION;
    in_ = snd_seq_create_simple_port(seq_, kInputPortName,
                                     SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE, kType);
    out_ = snd_seq_create_simple_port(seq_, kOutputPortName,
                                      SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ, kType);
    if (client_ < 0 || in_ < 0 || out_ < 0) {
        return false;
    }
    reader_ = std::thread([this] { readInput(); });
    return true;
}

// The input thread: sleeps until events or a wake-up come, then hands
// everything pending to the gate in one round.
void AlsaClient::readInput()
{
    const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
    std::vector<pollfd> fds(static_cast<std::size_t>(count > 0 ? count : 0) + 1);
    fds[0] = pollfd{.fd = wakeup_->descriptor(), .events = POLLIN, .revents = 0};
    (void)snd_seq_poll_descriptors(seq_, fds.data() + 1, static_cast<unsigned>(count), POLLIN);
    InputGate& gate = input();
    while (!stopping_.load()) {
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            return;
        }
        (void)wakeup_->take();
        const bool takes = gate.beginRound();
        // Until -EAGAIN (nothing more); -ENOSPC says the kernel's queue
        // overran and lost events, and reading goes on.
        for (;;) {
            snd_seq_event_t* event = nullptr;
            const int result = snd_seq_event_input(seq_, &event);
            if (result == -ENOSPC) {
                continue;
            }
            if (result < 0) {
                break;
            }
            if (takes && event != nullptr) {
                for (const std::uint32_t message : decodeSequencerEvent(*event).view()) {
                    gate.take(message);
                }
            }
        }
        gate.endRound();
    }
}

void AlsaClient::send(std::uint32_t message)
{
    snd_seq_event_t event{};
    if (!encodeSequencerEvent(message, event)) {
        return;
    }
    snd_seq_ev_set_source(&event, static_cast<unsigned char>(out_));
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    const std::lock_guard lock(sendMutex_);
    (void)snd_seq_event_output_direct(seq_, &event);
}

int AlsaClient::ownPort(PortDirection direction) const noexcept
{
    return direction == PortDirection::Source ? in_ : out_;
}

std::string AlsaClient::ownPortName(PortDirection direction) const
{
    return MidiPort{.client = kClientName,
                    .port = direction == PortDirection::Source ? kInputPortName : kOutputPortName,
                    .clientNumber = client_,
                    .portNumber = ownPort(direction)}
        .displayName();
}

std::vector<MidiPort> AlsaClient::ports(PortDirection direction)
{
    std::vector<MidiPort> found;
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq_, client) >= 0) {
        const int number = snd_seq_client_info_get_client(client);
        snd_seq_port_info_set_client(port, number);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq_, port) >= 0) {
            const SequencerPort described{
                .client = number,
                .port = snd_seq_port_info_get_port(port),
                .capability = snd_seq_port_info_get_capability(port),
                .type = snd_seq_port_info_get_type(port),
            };
            if (isListablePort(described, client_, direction)) {
                found.push_back(MidiPort{.client = snd_seq_client_info_get_name(client),
                                         .port = snd_seq_port_info_get_name(port),
                                         .clientNumber = described.client,
                                         .portNumber = described.port});
            }
        }
    }
    return found;
}

std::optional<snd_seq_addr_t> AlsaClient::address(PortDirection direction, const MidiPort& port)
{
    const std::vector<MidiPort> now = ports(direction);
    const MidiPort* found = findPort(now, port);
    if (found == nullptr) {
        return std::nullopt;
    }
    return snd_seq_addr_t{.client = static_cast<unsigned char>(found->clientNumber),
                          .port = static_cast<unsigned char>(found->portNumber)};
}

bool AlsaClient::subscribed(PortDirection direction, snd_seq_addr_t theirs) const
{
    const snd_seq_addr_t ours{.client = static_cast<unsigned char>(client_),
                              .port = static_cast<unsigned char>(ownPort(direction))};
    snd_seq_port_subscribe_t* subscription = nullptr;
    snd_seq_port_subscribe_alloca(&subscription);
    snd_seq_port_subscribe_set_sender(subscription,
                                      direction == PortDirection::Source ? &theirs : &ours);
    snd_seq_port_subscribe_set_dest(subscription,
                                    direction == PortDirection::Source ? &ours : &theirs);
    return snd_seq_get_port_subscription(seq_, subscription) == 0;
}

MidiClient::Connection AlsaClient::connect(PortDirection direction, const MidiPort& port)
{
    const std::optional<snd_seq_addr_t> theirs = address(direction, port);
    if (!theirs) {
        return Connection::Failed;
    }
    if (subscribed(direction, *theirs)) {
        return Connection::AlreadyThere;
    }
    const int result = direction == PortDirection::Source
                           ? snd_seq_connect_from(seq_, in_, theirs->client, theirs->port)
                           : snd_seq_connect_to(seq_, out_, theirs->client, theirs->port);
    return result == 0 ? Connection::Made : Connection::Failed;
}

void AlsaClient::disconnect(PortDirection direction, const MidiPort& port)
{
    const std::optional<snd_seq_addr_t> theirs = address(direction, port);
    if (!theirs) {
        return;
    }
    (void)(direction == PortDirection::Source
               ? snd_seq_disconnect_from(seq_, in_, theirs->client, theirs->port)
               : snd_seq_disconnect_to(seq_, out_, theirs->client, theirs->port));
}

}  // namespace midi
