#include "midi/Wakeup.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace midi {

std::shared_ptr<Wakeup> Wakeup::make()
{
    const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    return std::shared_ptr<Wakeup>(new Wakeup(fd));
}

Wakeup::~Wakeup()
{
    ::close(fd_);
}

void Wakeup::ring() const noexcept
{
    // Only fails when the counter is near 2^64, with a wake-up due anyway.
    const std::uint64_t one = 1;
    (void)!::write(fd_, &one, sizeof one);
}

void Wakeup::wait() const noexcept
{
    pollfd ready{.fd = fd_, .events = POLLIN, .revents = 0};
    while (::poll(&ready, 1, -1) < 0) {
        // Interrupted by a signal: wait on.
    }
}

bool Wakeup::take() const noexcept
{
    std::uint64_t rings = 0;
    return ::read(fd_, &rings, sizeof rings) == static_cast<ssize_t>(sizeof rings) && rings > 0;
}

}  // namespace midi
