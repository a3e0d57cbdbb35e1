#include "peer/DeviceChoice.h"

#include <algorithm>

#include "midi/MidiDevices.h"

namespace peer {

namespace {

using Kind = midi::MidiDeviceEntry::Kind;
using Status = ChosenDevice::Status;

ChosenDevice byKind(const std::vector<midi::MidiDeviceEntry>& lines, Kind kind)
{
    const auto found = std::ranges::find(lines, kind, &midi::MidiDeviceEntry::kind);
    return found == lines.end() ? ChosenDevice{.status = Status::Unknown, .entry = {}}
                                : ChosenDevice{.status = Status::Open, .entry = *found};
}

ChosenDevice byLine(const std::vector<midi::MidiDeviceEntry>& lines, const std::string& line)
{
    const auto found = std::ranges::find(lines, line, &midi::MidiDeviceEntry::name);
    return found == lines.end() ? ChosenDevice{.status = Status::Unknown, .entry = {}}
                                : ChosenDevice{.status = Status::Open, .entry = *found};
}

}  // namespace

ChosenDevice chooseInput(midi::MidiDevices& devices, const DeviceChoice& choice)
{
    switch (choice.kind) {
        case DeviceChoice::Kind::Default:
        case DeviceChoice::Kind::OwnPort:
            return byKind(devices.inputs(), Kind::OwnPort);
        case DeviceChoice::Kind::Line:
            return byLine(devices.inputs(), choice.line);
        case DeviceChoice::Kind::Synthesizer:
            return {.status = Status::Unknown, .entry = {}};
        case DeviceChoice::Kind::None:
            break;
    }
    return {};
}

ChosenDevice chooseOutput(midi::MidiDevices& devices, const DeviceChoice& choice)
{
    switch (choice.kind) {
        case DeviceChoice::Kind::Default:
        case DeviceChoice::Kind::Synthesizer:
            return {.status = Status::Open, .entry = devices.defaultOutput()};
        case DeviceChoice::Kind::OwnPort:
            return byKind(devices.outputs(), Kind::OwnPort);
        case DeviceChoice::Kind::Line:
            return byLine(devices.outputs(), choice.line);
        case DeviceChoice::Kind::None:
            break;
    }
    return {};
}

}  // namespace peer
