#include "gui/LogModel.h"

#include <algorithm>
#include <climits>

namespace gui {

namespace {

// Chunks are allocated at this size (or a line's, if longer) and never grow.
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

// Rows a model can count, the note of dropped lines included.
constexpr std::size_t kMaxLines = static_cast<std::size_t>(INT_MAX) - 1;

}  // namespace

LogModel::LogModel(std::size_t budgetBytes, QObject* parent)
    : QAbstractListModel(parent), budgetBytes_(budgetBytes)
{
}

void LogModel::appendLines(std::span<const std::string> lines, std::uint64_t droppedBefore)
{
    // The newest lines that fit within the budget by themselves.
    std::size_t cost = 0;
    std::size_t skipped = lines.size();
    while (skipped > 0 && lines.size() - skipped < kMaxLines &&
           cost + peer::lineCost(lines[skipped - 1]) <= budgetBytes_) {
        --skipped;
        cost += peer::lineCost(lines[skipped]);
    }
    const std::size_t added = lines.size() - skipped;

    // The oldest kept lines that make room for them.
    std::size_t evicted = 0;
    if (droppedBefore != 0 || skipped != 0) {
        evicted = keptLines();
    } else {
        std::size_t freed = 0;
        for (std::uint64_t number = first_;
             number < next_ &&
             (bytes_ - freed + cost > budgetBytes_ || keptLines() - evicted + added > kMaxLines);
             ++number) {
            freed += peer::lineCost(keptLine(number));
            ++evicted;
        }
    }
    if (evicted != 0) {
        const int firstRow = noteRows();
        beginRemoveRows(QModelIndex(), firstRow, firstRow + static_cast<int>(evicted) - 1);
        dropOldest(evicted);
        endRemoveRows();
    }

    const std::uint64_t dropped = droppedBefore + skipped + evicted;
    if (dropped != 0) {
        if (dropped_ == 0) {
            beginInsertRows(QModelIndex(), 0, 0);
            dropped_ = dropped;
            endInsertRows();
        } else {
            dropped_ += dropped;
            const QModelIndex note = index(0);
            Q_EMIT dataChanged(note, note, {Qt::DisplayRole});
        }
    }

    if (added != 0) {
        const int firstRow = rowCount();
        beginInsertRows(QModelIndex(), firstRow, firstRow + static_cast<int>(added) - 1);
        for (std::size_t i = skipped; i < lines.size(); ++i) {
            store(lines[i]);
        }
        endInsertRows();
    }
}

void LogModel::store(std::string_view line)
{
    if (chunks_.empty() ||
        chunks_.back().text.capacity() - chunks_.back().text.size() < line.size()) {
        Chunk& chunk = chunks_.emplace_back();
        chunk.first = next_;
        chunk.text.reserve(std::max(kChunkBytes, line.size()));
    }
    Chunk& chunk = chunks_.back();
    chunk.text += line;
    chunk.ends.push_back(static_cast<std::uint32_t>(chunk.text.size()));
    bytes_ += peer::lineCost(line);
    ++next_;
}

void LogModel::dropOldest(std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        bytes_ -= peer::lineCost(keptLine(first_));
        ++first_;
        if (first_ == chunks_.front().first + chunks_.front().ends.size()) {
            chunks_.pop_front();
        }
    }
}

void LogModel::clear()
{
    if (rowCount() == 0) {
        return;
    }
    beginResetModel();
    // Give the memory back: a flood may have filled the budget.
    std::deque<Chunk>().swap(chunks_);
    bytes_ = 0;
    first_ = next_;
    dropped_ = 0;
    endResetModel();
}

int LogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(keptLines()) + noteRows();
}

std::string_view LogModel::keptLine(std::uint64_t number) const
{
    // The last chunk that begins at or before the line.
    const auto after =
        std::upper_bound(chunks_.begin(), chunks_.end(), number,
                         [](std::uint64_t n, const Chunk& chunk) { return n < chunk.first; });
    const Chunk& chunk = *std::prev(after);
    const auto at = static_cast<std::size_t>(number - chunk.first);
    const std::size_t begin = at == 0 ? 0 : chunk.ends[at - 1];
    return std::string_view(chunk.text).substr(begin, chunk.ends[at] - begin);
}

std::string LogModel::line(int row) const
{
    if (row < 0 || row >= rowCount()) {
        return {};
    }
    if (row < noteRows()) {
        return "(" + peer::groupedCount(dropped_) +
               (dropped_ == 1 ? " earlier line dropped)" : " earlier lines dropped)");
    }
    return std::string(keptLine(first_ + static_cast<std::uint64_t>(row - noteRows())));
}

QVariant LogModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const int row = index.row();
    if (row < noteRows()) {
        return QString::fromStdString(line(row));
    }
    const std::string_view text = keptLine(first_ + static_cast<std::uint64_t>(row - noteRows()));
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace gui
