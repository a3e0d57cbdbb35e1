#pragma once

#include <QObject>

#include <string>

class QSocketNotifier;

namespace cli {

// Reads lines from a descriptor (stdin) as they arrive, on the thread's
// event loop, without blocking it. A line is handed on without its ending;
// a last line without one is handed on at the end of the input.
class LineReader final : public QObject {
    Q_OBJECT

public:
    explicit LineReader(int descriptor, QObject* parent = nullptr);

Q_SIGNALS:
    void lineRead(const std::string& line);

private:
    void readAvailable();

    int descriptor_;
    QSocketNotifier* notifier_ = nullptr;
    std::string pending_;
};

}  // namespace cli
