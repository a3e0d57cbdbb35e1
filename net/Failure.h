#pragma once

#include <cstdint>
#include <string_view>

namespace net {

// Every failure the user is shown. Each has one fixed text.
enum class Failure : std::uint8_t {
    Syntax,        // a target without a colon
    HostNotFound,  // the host name does not resolve to an IPv4 address
    Socket,        // no socket could be opened
    Bind,          // the listening port could not be bound
    Recv,          // a receive failed, or a datagram did not fit
};

[[nodiscard]] constexpr std::string_view failureText(Failure failure) noexcept
{
    switch (failure) {
        case Failure::Syntax:
            return "Syntax error";
        case Failure::HostNotFound:
            return "Host not found";
        case Failure::Socket:
            return "Socket error";
        case Failure::Bind:
            return "Bind error";
        case Failure::Recv:
            return "recv error";
    }
    return "Socket error";
}

}  // namespace net
