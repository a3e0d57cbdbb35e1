#pragma once

#include <QAbstractListModel>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace gui {

// The received-text log behind the window's log list. It keeps every line
// until cleared, compactly: all lines in one UTF-8 byte blob plus the end
// offset of each, converted to a QString only when a view asks for it.
class LogModel final : public QAbstractListModel {
    Q_OBJECT

public:
    explicit LogModel(QObject* parent = nullptr);

    // Appends the lines (UTF-8) at the end, as one insertion. Lines beyond
    // what a model can count (INT_MAX rows) are dropped.
    void appendLines(const std::vector<std::string>& lines);
    void clear();

    [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index,
                                int role = Qt::DisplayRole) const override;

    // The stored UTF-8 bytes of one line; empty for a row that does not exist.
    [[nodiscard]] std::string_view line(int row) const;

private:
    std::string blob_;
    std::vector<std::size_t> ends_;  // end offset in blob_ of each line
};

}  // namespace gui
