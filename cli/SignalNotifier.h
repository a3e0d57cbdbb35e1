#pragma once

#include <QObject>

#include <initializer_list>
#include <vector>

class QSocketNotifier;

namespace cli {

// Turns Unix signals into a Qt signal on the thread's event loop: the
// handler only writes the signal's number into a socket pair, which a
// notifier reads. One per process.
class SignalNotifier final : public QObject {
    Q_OBJECT

public:
    SignalNotifier(std::initializer_list<int> signals, QObject* parent = nullptr);
    ~SignalNotifier() override;
    SignalNotifier(const SignalNotifier&) = delete;
    SignalNotifier& operator=(const SignalNotifier&) = delete;

Q_SIGNALS:
    void received(int signal);

private:
    void readSignals();

    QSocketNotifier* notifier_ = nullptr;
    std::vector<int> signals_;
};

}  // namespace cli
