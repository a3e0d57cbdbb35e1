#include "gui/LogModel.h"

#include <algorithm>
#include <climits>

namespace gui {

LogModel::LogModel(QObject* parent) : QAbstractListModel(parent) {}

void LogModel::appendLines(const std::vector<std::string>& lines)
{
    const std::size_t room = static_cast<std::size_t>(INT_MAX) - ends_.size();
    const std::size_t count = std::min(lines.size(), room);
    if (count == 0) {
        return;
    }
    const int first = static_cast<int>(ends_.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(count) - 1);
    ends_.reserve(ends_.size() + count);
    for (std::size_t i = 0; i < count; ++i) {
        blob_ += lines[i];
        ends_.push_back(blob_.size());
    }
    endInsertRows();
}

void LogModel::clear()
{
    if (ends_.empty()) {
        return;
    }
    beginResetModel();
    // Give the memory back: a flood may have made the log large.
    std::string().swap(blob_);
    std::vector<std::size_t>().swap(ends_);
    endResetModel();
}

int LogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(ends_.size());
}

std::string_view LogModel::line(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= ends_.size()) {
        return {};
    }
    const auto index = static_cast<std::size_t>(row);
    const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(blob_).substr(begin, ends_[index] - begin);
}

QVariant LogModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const std::string_view text = line(index.row());
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace gui
