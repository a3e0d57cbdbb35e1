#include "cli/SignalNotifier.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace cli {

namespace {

// [0] is written by the handler, [1] read by the notifier.
std::array<int, 2> pair{-1, -1};

extern "C" void onSignal(int number)
{
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(number);
    (void)!::write(pair[0], &byte, 1);
    errno = saved;
}

}  // namespace

SignalNotifier::SignalNotifier(std::initializer_list<int> signals, QObject* parent)
    : QObject(parent)
{
    if (pair[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair.data()) != 0) {
        return;
    }
    notifier_ = new QSocketNotifier(pair[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalNotifier::readSignals);
    signals_.assign(signals.begin(), signals.end());
    for (const int number : signals_) {
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        (void)::sigaction(number, &action, nullptr);
    }
}

SignalNotifier::~SignalNotifier()
{
    if (notifier_ != nullptr) {
        // Signals that come now end the program as they would have.
        for (const int number : signals_) {
            (void)::signal(number, SIG_DFL);
        }
        delete notifier_;
        ::close(pair[0]);
        ::close(pair[1]);
        pair = {-1, -1};
    }
}

void SignalNotifier::readSignals()
{
    unsigned char byte = 0;
    while (::read(pair[1], &byte, 1) == 1) {
        Q_EMIT received(byte);
    }
}

}  // namespace cli
