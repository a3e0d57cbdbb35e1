#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "net/FailureReporter.h"
#include "net/TargetControls.h"

namespace net {

// Sends one datagram to one host:port target on a UDP socket opened for it
// alone, so every datagram leaves from a fresh ephemeral port. The host is
// resolved on every call. Returns true once the send has been attempted,
// whatever its outcome; false after reporting "Syntax error" (no colon),
// "Host not found" or "Socket error".
[[nodiscard]] bool sendDatagram(std::string_view target, std::span<const std::byte> bytes,
                                FailureReporter& reporter);

// Appends the target to the list when it has a colon and the list does not
// hold it yet (case-sensitively).
void rememberTarget(TargetControls& controls, const std::string& target);
// rememberTarget for the typed target.
void rememberTypedTarget(TargetControls& controls);

// Sends one datagram to the typed target, or, when "to all of the list" is
// checked, to every target of the list in order, after rememberTypedTarget.
// Returns true when no delivery failed. Every failure is reported on its own.
[[nodiscard]] bool sendToTargets(TargetControls& controls, FailureReporter& reporter,
                                 std::span<const std::byte> bytes);

}  // namespace net
