#include "midi/AlsaEvents.h"

#include <optional>

#include "midi/ShortMessage.h"

namespace midi {

namespace {

constexpr int kPitchBendCentre = 8192;

// Controllers of the (N)RPN sequence and data entry.
constexpr std::uint32_t kNrpnMsb = 99;
constexpr std::uint32_t kNrpnLsb = 98;
constexpr std::uint32_t kRpnMsb = 101;
constexpr std::uint32_t kRpnLsb = 100;
constexpr std::uint32_t kDataEntryMsb = 6;
constexpr std::uint32_t kDataEntryLsb = 38;
constexpr std::uint32_t kLsbOffset = 32;

class Collector {
public:
    void add(std::uint32_t packed) noexcept
    {
        if (out_.count < out_.messages.size()) {
            out_.messages[out_.count++] = packed;
        }
    }
    [[nodiscard]] SequencerMessages result() const noexcept { return out_; }

private:
    SequencerMessages out_;
};

std::optional<std::uint32_t> systemStatus(snd_seq_event_type_t type) noexcept
{
    switch (type) {
        case SND_SEQ_EVENT_TUNE_REQUEST:
            return 0xF6;
        case SND_SEQ_EVENT_CLOCK:
            return 0xF8;
        case SND_SEQ_EVENT_START:
            return 0xFA;
        case SND_SEQ_EVENT_CONTINUE:
            return 0xFB;
        case SND_SEQ_EVENT_STOP:
            return 0xFC;
        case SND_SEQ_EVENT_SENSING:
            return 0xFE;
        case SND_SEQ_EVENT_RESET:
            return 0xFF;
        default:
            return std::nullopt;
    }
}

}  // namespace

SequencerMessages decodeSequencerEvent(const snd_seq_event_t& event) noexcept
{
    Collector out;
    const std::uint32_t channel = event.data.note.channel & 0x0FU;
    const snd_seq_ev_ctrl_t& control = event.data.control;
    const auto value = static_cast<std::uint32_t>(control.value);
    const std::uint32_t controller = 0xB0U | (control.channel & 0x0FU);
    switch (event.type) {
        case SND_SEQ_EVENT_NOTEOFF:
        case SND_SEQ_EVENT_NOTEON:
        case SND_SEQ_EVENT_KEYPRESS: {
            const std::uint32_t status = event.type == SND_SEQ_EVENT_NOTEOFF  ? 0x80U
                                         : event.type == SND_SEQ_EVENT_NOTEON ? 0x90U
                                                                              : 0xA0U;
            out.add(shortMessage(status | channel, event.data.note.note, event.data.note.velocity));
            break;
        }
        case SND_SEQ_EVENT_CONTROLLER:
            out.add(shortMessage(controller, control.param, value));
            break;
        case SND_SEQ_EVENT_CONTROL14:
            if (control.param < kLsbOffset) {
                out.add(shortMessage(controller, control.param, value >> 7U));
                out.add(shortMessage(controller, control.param + kLsbOffset, value));
            } else {
                out.add(shortMessage(controller, control.param, value));
            }
            break;
        case SND_SEQ_EVENT_NONREGPARAM:
        case SND_SEQ_EVENT_REGPARAM: {
            const bool registered = event.type == SND_SEQ_EVENT_REGPARAM;
            out.add(shortMessage(controller, registered ? kRpnMsb : kNrpnMsb, control.param >> 7U));
            out.add(shortMessage(controller, registered ? kRpnLsb : kNrpnLsb, control.param));
            out.add(shortMessage(controller, kDataEntryMsb, value >> 7U));
            out.add(shortMessage(controller, kDataEntryLsb, value));
            break;
        }
        case SND_SEQ_EVENT_PGMCHANGE:
            out.add(shortMessage(0xC0U | (control.channel & 0x0FU), value));
            break;
        case SND_SEQ_EVENT_CHANPRESS:
            out.add(shortMessage(0xD0U | (control.channel & 0x0FU), value));
            break;
        case SND_SEQ_EVENT_PITCHBEND: {
            const auto bend = static_cast<std::uint32_t>(control.value + kPitchBendCentre);
            out.add(shortMessage(0xE0U | (control.channel & 0x0FU), bend, bend >> 7U));
            break;
        }
        case SND_SEQ_EVENT_QFRAME:
            out.add(shortMessage(0xF1U, value));
            break;
        case SND_SEQ_EVENT_SONGPOS:
            out.add(shortMessage(0xF2U, value, value >> 7U));
            break;
        case SND_SEQ_EVENT_SONGSEL:
            out.add(shortMessage(0xF3U, value));
            break;
        default:
            if (const auto status = systemStatus(event.type)) {
                out.add(*status);
            }
            break;
    }
    return out.result();
}

bool encodeSequencerEvent(std::uint32_t packed, snd_seq_event_t& event) noexcept
{
    const std::optional<ShortMessageBytes> bytes = unpackShortMessage(packed);
    if (!bytes) {
        return false;
    }
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_fixed(&event);
    const std::uint8_t status = bytes->bytes[0];
    const std::uint8_t first = bytes->bytes[1];
    const std::uint8_t second = bytes->bytes[2];
    const auto channel = static_cast<unsigned char>(status & 0x0FU);
    switch (status & 0xF0U) {
        case 0x80:
            snd_seq_ev_set_noteoff(&event, channel, first, second);
            return true;
        case 0x90:
            snd_seq_ev_set_noteon(&event, channel, first, second);
            return true;
        case 0xA0:
            snd_seq_ev_set_keypress(&event, channel, first, second);
            return true;
        case 0xB0:
            snd_seq_ev_set_controller(&event, channel, first, second);
            return true;
        case 0xC0:
            snd_seq_ev_set_pgmchange(&event, channel, first);
            return true;
        case 0xD0:
            snd_seq_ev_set_chanpress(&event, channel, first);
            return true;
        case 0xE0:
            snd_seq_ev_set_pitchbend(&event, channel, (first | (second << 7)) - kPitchBendCentre);
            return true;
        default:
            break;
    }
    event.data.control.value = first | (second << 7);
    switch (status) {
        case 0xF1:
            event.type = SND_SEQ_EVENT_QFRAME;
            event.data.control.value = first;
            return true;
        case 0xF2:
            event.type = SND_SEQ_EVENT_SONGPOS;
            return true;
        case 0xF3:
            event.type = SND_SEQ_EVENT_SONGSEL;
            event.data.control.value = first;
            return true;
        default:
            break;
    }
    for (const snd_seq_event_type_t type :
         {SND_SEQ_EVENT_TUNE_REQUEST, SND_SEQ_EVENT_CLOCK, SND_SEQ_EVENT_START,
          SND_SEQ_EVENT_CONTINUE, SND_SEQ_EVENT_STOP, SND_SEQ_EVENT_SENSING, SND_SEQ_EVENT_RESET}) {
        if (systemStatus(type) == status) {
            event.type = type;
            event.data.control.value = 0;
            return true;
        }
    }
    return false;
}

bool isListablePort(const SequencerPort& port, int ownClient, PortDirection direction) noexcept
{
    if (port.client == SND_SEQ_CLIENT_SYSTEM || port.client == ownClient) {
        return false;
    }
    if ((port.capability & SND_SEQ_PORT_CAP_NO_EXPORT) != 0) {
        return false;
    }
    const unsigned needed = direction == PortDirection::Source
                                ? SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ
                                : SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
    if ((port.capability & needed) != needed) {
        return false;
    }
    return (port.type & (SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SYNTH |
                         SND_SEQ_PORT_TYPE_APPLICATION)) != 0;
}

}  // namespace midi
