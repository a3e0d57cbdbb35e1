#pragma once

namespace net {

// Asks the OS to run the calling thread ahead of every ordinary thread, at
// the lowest real-time priority: below JACK's own threads, above the
// window's painting and anything else a busy desktop runs. For threads that
// carry live MIDI and only ever block (on a socket, an eventfd). False when
// the user may not (no real-time permission): the thread runs on as before.
bool runAheadOfOrdinaryThreads() noexcept;

}  // namespace net
