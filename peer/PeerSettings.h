#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "peer/DeviceChoice.h"

namespace peer {

// How a peer starts: what the window shows at start, and what the
// command line gives the headless front end.
struct PeerSettings {
    static constexpr std::uint16_t kDefaultPort = 12323;

    std::uint16_t port{kDefaultPort};
    // Where everything is sent, all of them each time. The window starts
    // with its own target field instead ("localhost:<port>") and an empty
    // list.
    std::vector<std::string> targets;
    DeviceChoice midiIn;
    DeviceChoice midiOut;
};

}  // namespace peer
