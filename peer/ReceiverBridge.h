#pragma once

#include "net/Failure.h"
#include "net/ReceiverEvents.h"
#include "peer/LineBudget.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace peer {

// Carries what receiver workers report over to the front end's thread.
//
// It lives on the front end's thread; the net::ReceiverEvents functions are called
// on worker threads and only queue. A text line costs the worker a copy and
// a short lock, never more: it is formatted on the front end's thread, which
// takes the waiting lines in batches (one queued call per batch, however
// many lines a flood brings, and the queue swapped out at once), so MIDI
// behind a flood of text is not held up. The lines waiting for their batch
// are held within a budget of text (lineCost); when a flood outruns the
// front end's thread, the oldest are dropped and the batch begins with a
// droppedLinesNote saying how many.
//
// Lifetime: every worker reporting here must be stopped, joined and
// destroyed before the bridge (declare the bridge before the workers in
// their owner). A bridge destroyed with a worker still attached ends the
// process. Queued calls still pending when the bridge goes are dropped by Qt
// together with it.
class ReceiverBridge final : public QObject, public net::ReceiverEvents {
    Q_OBJECT

public:
    using MidiSink = std::function<void(const net::Ipv4Endpoint& from, std::uint32_t message)>;

    explicit ReceiverBridge(std::size_t budgetBytes = kLineBudgetBytes, QObject* parent = nullptr);
    ~ReceiverBridge() override;

    // front end's thread, before any worker reports here: called on the worker
    // thread for every MIDI message received; it must only queue or hand on.
    void setMidiSink(MidiSink midiSink) { midiSink_ = std::move(midiSink); }

    // front end's thread, before any worker reports here: how the front end beeps.
    void setBeep(std::function<void()> beep) { beep_ = std::move(beep); }

    // front end's thread: beep once for each batch of text lines that arrives.
    void setTalkSound(bool on) noexcept { talkSound_.store(on, std::memory_order_relaxed); }
    [[nodiscard]] bool talkSound() const noexcept
    {
        return talkSound_.load(std::memory_order_relaxed);
    }

    // front end's thread: the failure report with this ticket was dismissed; the
    // worker waiting on it goes on. Unknown or stale tickets are ignored.
    void acknowledgeFailure(std::uint64_t ticket);

    // net::ReceiverEvents, called on worker threads.
    void textReceived(const net::Ipv4Endpoint& from, std::string_view text) override;
    void midiReceived(const net::Ipv4Endpoint& from, std::uint32_t message) override;
    void failed(net::Failure failure, std::stop_token stop) override;

Q_SIGNALS:
    // front end's thread: log lines (UTF-8, safe to show) in the order
    // received; after lines were dropped, the batch begins with the
    // droppedLinesNote for them.
    void linesArrived(const std::vector<std::string>& lines);
    // front end's thread: the TalkSound beep for a batch was played.
    void talkSoundPlayed();
    // front end's thread: show the failure modally, then call
    // acknowledgeFailure(ticket). The worker reporting it waits until then
    // or until it is asked to stop.
    void failureRaised(net::Failure failure, std::uint64_t ticket);

private:
    void deliverLines();

    MidiSink midiSink_;
    std::function<void()> beep_;
    std::atomic<bool> talkSound_{false};

    std::mutex linesMutex_;
    const std::size_t budgetBytes_;
    struct PendingLine {
        net::Ipv4Endpoint from;
        std::string text;
    };
    std::deque<PendingLine> pendingLines_;  // guarded by linesMutex_
    std::size_t pendingBytes_{0};           // guarded by linesMutex_
    std::uint64_t droppedLines_{0};         // guarded by linesMutex_

    std::mutex failureMutex_;
    std::condition_variable_any failureAnswered_;
    std::vector<std::uint64_t> openTickets_;  // guarded by failureMutex_
    std::uint64_t lastTicket_{0};             // guarded by failureMutex_
};

}  // namespace peer
