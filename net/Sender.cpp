#include "net/Sender.h"

#include <cstdint>
#include <optional>
#include <string>

#include "net/Target.h"
#include "net/UdpSocket.h"

namespace net {

bool sendDatagram(std::string_view target, std::span<const std::byte> bytes,
                  FailureReporter& reporter)
{
    std::string host;
    std::uint16_t port = 0;
    if (!parseTarget(target, &host, &port)) {
        reporter.report(Failure::Syntax, target);
        return false;
    }
    const std::optional<std::uint32_t> address = UdpSocket::resolveIpv4(host);
    if (!address) {
        reporter.report(Failure::HostNotFound, target);
        return false;
    }
    UdpSocket socket = UdpSocket::open();
    if (!socket.valid()) {
        reporter.report(Failure::Socket, target);
        return false;
    }
    // A broadcast address is a target like any other.
    (void)socket.enableBroadcast();
    // A send that fails is not reported: the datagram is simply lost.
    socket.sendTo(Ipv4Endpoint{*address, port}, bytes);
    return true;
}

void rememberTypedTarget(TargetControls& controls)
{
    rememberTarget(controls, controls.typedTarget());
}

void rememberTarget(TargetControls& controls, const std::string& target)
{
    if (!parseTarget(target, nullptr, nullptr)) {
        return;
    }
    const std::size_t count = controls.listCount();
    for (std::size_t i = 0; i < count; ++i) {
        if (controls.listItem(i) == target) {
            return;
        }
    }
    controls.appendToList(target);
}

bool sendToTargets(TargetControls& controls, FailureReporter& reporter,
                   std::span<const std::byte> bytes)
{
    rememberTypedTarget(controls);
    if (!controls.toAllOfList()) {
        return sendDatagram(controls.typedTarget(), bytes, reporter);
    }
    bool ok = true;
    const std::size_t count = controls.listCount();
    for (std::size_t i = 0; i < count; ++i) {
        if (!sendDatagram(controls.listItem(i), bytes, reporter)) {
            ok = false;
        }
    }
    return ok;
}

}  // namespace net
