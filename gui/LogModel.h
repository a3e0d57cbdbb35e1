#pragma once

#include <QAbstractListModel>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "peer/LineBudget.h"

namespace gui {

// The received-text log behind the window's log list. It keeps the newest
// lines within a budget of text (peer::lineCost each), dropping the oldest
// when full; its first row then says how many earlier lines were dropped.
//
// Lines are kept compactly, as UTF-8 in chunks of about a megabyte with the
// end offset of each line, and become a QString only when a view asks for
// one. Adding, dropping and reading a line cost the same however many there
// are.
class LogModel final : public QAbstractListModel {
    Q_OBJECT

public:
    explicit LogModel(std::size_t budgetBytes = peer::kLineBudgetBytes, QObject* parent = nullptr);

    // Appends the lines (UTF-8) at the end. `droppedBefore` lines were lost
    // between the last line kept and these: then every line kept so far
    // goes too, so that all that is missing comes before the first line
    // shown.
    void appendLines(std::span<const std::string> lines, std::uint64_t droppedBefore = 0);
    // Empties the log, and forgets what was dropped.
    void clear();

    [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index,
                                int role = Qt::DisplayRole) const override;

    // The stored UTF-8 bytes of one row, the note of dropped lines included;
    // empty for a row that does not exist.
    [[nodiscard]] std::string line(int row) const;
    // Lines dropped since the log was last emptied.
    [[nodiscard]] std::uint64_t droppedLines() const noexcept { return dropped_; }

private:
    struct Chunk {
        std::uint64_t first = 0;          // number of its first line
        std::string text;                 // its lines, one after another
        std::vector<std::uint32_t> ends;  // end offset in text of each
    };

    [[nodiscard]] std::size_t keptLines() const noexcept { return next_ - first_; }
    [[nodiscard]] int noteRows() const noexcept { return dropped_ != 0 ? 1 : 0; }
    [[nodiscard]] std::string_view keptLine(std::uint64_t number) const;
    void store(std::string_view line);
    void dropOldest(std::size_t count);

    std::size_t budgetBytes_;
    std::size_t bytes_{0};  // cost of the kept lines
    std::deque<Chunk> chunks_;
    std::uint64_t first_{0};  // number of the oldest line kept
    std::uint64_t next_{0};   // number of the next line stored
    std::uint64_t dropped_{0};
};

}  // namespace gui
