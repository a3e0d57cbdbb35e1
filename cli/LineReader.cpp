#include "cli/LineReader.h"

#include <QSocketNotifier>

#include <unistd.h>

#include <array>
#include <cerrno>

namespace cli {

LineReader::LineReader(int descriptor, QObject* parent)
    : QObject(parent),
      descriptor_(descriptor),
      notifier_(new QSocketNotifier(descriptor, QSocketNotifier::Read, this))
{
    connect(notifier_, &QSocketNotifier::activated, this, &LineReader::readAvailable);
}

void LineReader::readAvailable()
{
    std::array<char, 4096> buffer{};
    const ssize_t count = ::read(descriptor_, buffer.data(), buffer.size());
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (count <= 0) {
        notifier_->setEnabled(false);
        if (!pending_.empty()) {
            Q_EMIT lineRead(pending_);
            pending_.clear();
        }
        return;
    }
    pending_.append(buffer.data(), static_cast<std::size_t>(count));
    std::size_t start = 0;
    for (std::size_t end = pending_.find('\n'); end != std::string::npos;
         end = pending_.find('\n', start)) {
        std::size_t length = end - start;
        if (length > 0 && pending_[end - 1] == '\r') {
            --length;
        }
        Q_EMIT lineRead(pending_.substr(start, length));
        start = end + 1;
    }
    pending_.erase(0, start);
}

}  // namespace cli
