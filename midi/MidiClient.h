#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "midi/InputGate.h"
#include "midi/MidiBackend.h"
#include "midi/MidiPort.h"

namespace midi {

// Our one client in a MIDI system, named "Mirevo", with the ports "MIDI In"
// and "MIDI Out". Both ports stay for as long as the client lives, whatever
// is opened or closed meanwhile, so that connections other programs made
// to them by name hold. MidiInput and PortOutput use it; what is not a
// call into the MIDI system (the queues, port bookkeeping, event decoding)
// is shared by both kinds, JackClient and AlsaClient.
//
// Threads: everything on the front end's thread, except send() (any thread,
// several at once) and alive() (any).
class MidiClient {
public:
    enum class Connection : std::uint8_t {
        Made,          // we connected it
        AlreadyThere,  // connected already (by another program, say)
        Failed,
    };

    virtual ~MidiClient() = default;
    MidiClient(const MidiClient&) = delete;
    MidiClient& operator=(const MidiClient&) = delete;
    MidiClient(MidiClient&&) = delete;
    MidiClient& operator=(MidiClient&&) = delete;

    [[nodiscard]] virtual MidiBackend system() const noexcept = 0;
    // False once the MIDI system went away (the JACK server stopped); then
    // nothing is asked of it any more, and it waits to be let go.
    [[nodiscard]] virtual bool alive() const noexcept = 0;
    // How other programs name our port: "MIDI In" for Source (where
    // sources connect to), "MIDI Out" for Destination.
    [[nodiscard]] virtual std::string ownPortName(PortDirection direction) const = 0;
    // Other programs' ports, in the MIDI system's order; never ours.
    [[nodiscard]] virtual std::vector<MidiPort> ports(PortDirection direction) = 0;
    // Connects a source to our "MIDI In", or our "MIDI Out" to a
    // destination; undone by disconnect().
    [[nodiscard]] virtual Connection connect(PortDirection direction, const MidiPort& port) = 0;
    virtual void disconnect(PortDirection direction, const MidiPort& port) = 0;
    // connect() for a device opened on `port` (none: nothing to connect).
    // False when it failed; otherwise `made` holds the connection this made,
    // if any, for disconnectMade() to undo when the device closes.
    [[nodiscard]] bool connectFor(PortDirection direction, const MidiPort* port,
                                  std::optional<MidiPort>& made)
    {
        if (port == nullptr) {
            return true;
        }
        const Connection connection = connect(direction, *port);
        if (connection == Connection::Made) {
            made = *port;
        }
        return connection != Connection::Failed;
    }
    // Undoes the connection connectFor() made, while the system is there.
    void disconnectMade(PortDirection direction, std::optional<MidiPort>& made)
    {
        if (made && alive()) {
            disconnect(direction, *made);
        }
        made.reset();
    }
    // Plays a short message on "MIDI Out"; drops what does not fit or is
    // not a short message.
    virtual void send(std::uint32_t message) = 0;
    // Returns once what send() queued has left "MIDI Out" (a few
    // milliseconds at most; at once where sending is immediate or the
    // system went away), so that a connection undone next loses nothing.
    virtual void flush() {}
    // Once the system went away: lets go of what the MIDI library holds for
    // this client at once, though open devices may still hold this object
    // (a library may take only one server at a time, and a new server is
    // not reached until the old clients are closed).
    virtual void closeLost() {}

    // What arrives at "MIDI In", on its way to the window.
    [[nodiscard]] InputGate& input() noexcept { return input_; }

protected:
    explicit MidiClient(std::function<void()> wakeInput = {}) : input_(std::move(wakeInput)) {}

private:
    InputGate input_;
};

}  // namespace midi
