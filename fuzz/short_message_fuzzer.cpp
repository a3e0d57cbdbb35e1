// MIDI short messages: splitting a run of bytes (a JACK or ALSA event) into
// messages, unpacking what a peer sent, and the MIDI and text datagrams
// built from them, checked against a plain packer of one whole message.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

#include "fuzz/FuzzCheck.h"
#include "midi/ShortMessage.h"
#include "net/Datagram.h"

namespace {

using fuzz::check;

// The bytes packed as one message, or nothing when they are not exactly one
// short message: the straightforward reading the splitter must agree with.
std::optional<std::uint32_t> packWhole(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty() || bytes.size() != midi::shortMessageLength(bytes[0])) {
        return std::nullopt;
    }
    std::uint32_t packed = bytes[0];
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        if (bytes[i] >= 0x80) {
            return std::nullopt;
        }
        packed |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    }
    return packed;
}

void checkPacking(std::span<const std::uint8_t> bytes)
{
    const std::optional<std::uint32_t> packed = packWhole(bytes);
    if (!packed) {
        return;
    }
    check(!bytes.empty() && bytes.size() == midi::shortMessageLength(bytes[0]),
          "only whole short messages are packed");
    check((*packed >> 24) == 0, "a packed message leaves the top byte 0");
    const std::optional<midi::ShortMessageBytes> unpacked = midi::unpackShortMessage(*packed);
    check(unpacked.has_value(), "a packed message unpacks");
    check(unpacked->size == bytes.size() &&
              std::memcmp(unpacked->bytes.data(), bytes.data(), bytes.size()) == 0,
          "unpacking gives back the bytes packed");

    const net::MidiDatagram datagram = net::makeMidiDatagram(*packed);
    const net::DatagramContent content = net::readDatagram(datagram);
    const auto* midi = std::get_if<net::MidiMessage>(&content);
    check(midi != nullptr && midi->message == *packed, "a MIDI datagram reads back as sent");
}

void checkSplitting(std::span<const std::uint8_t> bytes)
{
    std::size_t count = 0;
    std::size_t statusBytes = 0;
    for (const std::uint8_t byte : bytes) {
        statusBytes += byte >= 0x80 ? 1 : 0;
    }
    midi::splitShortMessages(bytes, [&](std::uint32_t message) {
        ++count;
        const std::optional<midi::ShortMessageBytes> unpacked = midi::unpackShortMessage(message);
        check(unpacked.has_value(), "every message split off is a playable short message");
        check((message >> (8 * unpacked->size)) == 0, "nothing but the message is packed");
    });
    // Running status makes more messages than status bytes, but never more
    // than one per data byte.
    check(count <= bytes.size(), "no more messages than bytes");
    if (statusBytes == bytes.size()) {
        check(count <= statusBytes, "status bytes alone make at most one message each");
    }
    if (const std::optional<std::uint32_t> packed = packWhole(bytes)) {
        std::optional<std::uint32_t> only;
        std::size_t splits = 0;
        midi::splitShortMessages(bytes, [&](std::uint32_t message) {
            only = message;
            ++splits;
        });
        check(splits == 1 && only == packed, "one whole short message splits into itself");
    }
}

void checkUnpacking(std::uint32_t message)
{
    const std::optional<midi::ShortMessageBytes> unpacked = midi::unpackShortMessage(message);
    if (!unpacked) {
        return;
    }
    check(unpacked->size >= 1 && unpacked->size <= 3, "a short message is 1 to 3 bytes");
    for (std::size_t i = unpacked->size; i < unpacked->bytes.size(); ++i) {
        check(unpacked->bytes[i] == 0, "bytes past the message are cleared");
    }
    const std::optional<std::uint32_t> repacked = packWhole(unpacked->view());
    const std::uint32_t mask = unpacked->size == 3 ? 0xFFFFFFu : (1u << (8 * unpacked->size)) - 1;
    check(repacked.has_value() && *repacked == (message & mask),
          "what is played packs back into the message received");
}

void checkTextDatagram(std::string_view text)
{
    const std::vector<std::byte> datagram = net::makeTextDatagram(text);
    check(datagram.size() >= 1 && datagram.size() <= 1 + net::kMaxTextBytes,
          "a text datagram fits the limit");
    check(datagram[0] == net::kTextKind, "a text datagram starts with its kind");
    const std::string_view sent(reinterpret_cast<const char*>(datagram.data() + 1),
                                datagram.size() - 1);
    check(text.starts_with(sent), "a text datagram carries the start of the text");
    check(text.size() <= net::kMaxTextBytes || sent.size() + 4 > net::kMaxTextBytes,
          "a long text is cut no shorter than needed");
    if (sent.find('\0') == std::string_view::npos) {
        const net::DatagramContent content = net::readDatagram(datagram);
        const auto* read = std::get_if<net::TextMessage>(&content);
        check(read != nullptr && read->text == sent, "a text datagram reads back as sent");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    checkPacking(bytes);
    checkSplitting(bytes);
    if (size >= 4) {
        std::uint32_t message = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            message |= static_cast<std::uint32_t>(data[i]) << (8 * i);
        }
        checkUnpacking(message);
    }
    checkTextDatagram(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
