#include "peer/ReceiverBridge.h"

#include "net/LogLine.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <utility>

namespace peer {

ReceiverBridge::ReceiverBridge(std::size_t budgetBytes, QObject* parent)
    : QObject(parent), budgetBytes_(budgetBytes)
{
}

ReceiverBridge::~ReceiverBridge()
{
    // A worker still attached would call into this object once it is gone.
    if (attachedWorkers() != 0) {
        qFatal("ReceiverBridge destroyed while a receiver worker still reports to it");
    }
}

void ReceiverBridge::textReceived(const net::Ipv4Endpoint& from, std::string_view text)
{
    const std::size_t cost = lineCost(text);
    PendingLine line{from, std::string(text)};
    bool firstOfBatch = false;
    {
        const std::lock_guard lock(linesMutex_);
        firstOfBatch = pendingLines_.empty() && droppedLines_ == 0;
        while (!pendingLines_.empty() && pendingBytes_ + cost > budgetBytes_) {
            pendingBytes_ -= lineCost(pendingLines_.front().text);
            pendingLines_.pop_front();
            ++droppedLines_;
        }
        if (cost > budgetBytes_) {
            ++droppedLines_;
        } else {
            pendingBytes_ += cost;
            pendingLines_.push_back(std::move(line));
        }
    }
    // Later lines join the batch that this call will deliver.
    if (firstOfBatch) {
        QMetaObject::invokeMethod(
            this, [this] { deliverLines(); }, Qt::QueuedConnection);
    }
}

void ReceiverBridge::deliverLines()
{
    std::deque<PendingLine> taken;
    std::uint64_t dropped = 0;
    {
        const std::lock_guard lock(linesMutex_);
        taken.swap(pendingLines_);
        pendingBytes_ = 0;
        dropped = std::exchange(droppedLines_, 0);
    }
    if (taken.empty() && dropped == 0) {
        return;
    }
    std::vector<std::string> lines;
    lines.reserve(taken.size() + 1);
    if (dropped != 0) {
        lines.push_back(droppedLinesNote(dropped));
    }
    for (const PendingLine& line : taken) {
        lines.push_back(net::formatLogLine(line.from, line.text));
    }
    taken.clear();
    Q_EMIT linesArrived(lines);
    if (talkSound()) {
        if (beep_) {
            beep_();
        }
        Q_EMIT talkSoundPlayed();
    }
}

void ReceiverBridge::midiReceived(const net::Ipv4Endpoint& from, std::uint32_t message)
{
    if (midiSink_) {
        midiSink_(from, message);
    }
}

void ReceiverBridge::failed(net::Failure failure, std::stop_token stop)
{
    std::unique_lock lock(failureMutex_);
    const std::uint64_t ticket = ++lastTicket_;
    openTickets_.push_back(ticket);
    QMetaObject::invokeMethod(
        this, [this, failure, ticket] { Q_EMIT failureRaised(failure, ticket); },
        Qt::QueuedConnection);
    const auto isOpen = [&] {
        return std::find(openTickets_.begin(), openTickets_.end(), ticket) != openTickets_.end();
    };
    failureAnswered_.wait(lock, stop, [&] { return !isOpen(); });
    // Stopped before the answer: the report may still be on screen, and its
    // late answer finds the ticket gone.
    std::erase(openTickets_, ticket);
}

void ReceiverBridge::acknowledgeFailure(std::uint64_t ticket)
{
    {
        const std::lock_guard lock(failureMutex_);
        std::erase(openTickets_, ticket);
    }
    failureAnswered_.notify_all();
}

}  // namespace peer
