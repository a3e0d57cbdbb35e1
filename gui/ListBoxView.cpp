#include "gui/ListBoxView.h"

#include <QAccessible>
#include <QEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstdlib>

namespace gui {

ListBoxView::ListBoxView(QWidget* parent) : QListView(parent)
{
    setUniformItemSizes(true);
}

int ListBoxView::rows() const
{
    return model() != nullptr ? model()->rowCount(rootIndex()) : 0;
}

int ListBoxView::rowHeight() const
{
    if (rowHeight_ == 0) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        const QModelIndex first = rowIndex(0);
        const int height = first.isValid()
                               ? itemDelegateForIndex(first)->sizeHint(option, first).height()
                               : option.fontMetrics.height();
        // Measured on the first row once there is one.
        if (!first.isValid()) {
            return std::max(height, 1);
        }
        rowHeight_ = std::max(height, 1);
    }
    return rowHeight_;
}

int ListBoxView::pageRows() const
{
    return std::max(viewport()->height() / rowHeight(), 1);
}

int ListBoxView::topRow() const
{
    return verticalScrollBar()->value();
}

int ListBoxView::rowAt(int y) const
{
    return topRow() + (y >= 0 ? y / rowHeight() : -1);
}

QModelIndex ListBoxView::rowIndex(int row) const
{
    return model() != nullptr ? model()->index(row, modelColumn(), rootIndex()) : QModelIndex();
}

QRect ListBoxView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != modelColumn()) {
        return {};
    }
    const int height = rowHeight();
    return {-horizontalOffset(), (index.row() - topRow()) * height,
            std::max(contentWidth_, viewport()->width()), height};
}

QModelIndex ListBoxView::indexAt(const QPoint& point) const
{
    const int row = rowAt(point.y());
    return row >= 0 && row < rows() ? rowIndex(row) : QModelIndex();
}

void ListBoxView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid()) {
        return;
    }
    updateRowRange();
    const int row = index.row();
    const int page = pageRows();
    int top = topRow();
    switch (hint) {
        case PositionAtTop:
            top = row;
            break;
        case PositionAtBottom:
            top = row - page + 1;
            break;
        case PositionAtCenter:
            top = row - page / 2;
            break;
        case EnsureVisible:
            if (row < top) {
                top = row;
            } else if (row >= top + page) {
                top = row - page + 1;
            }
            break;
    }
    verticalScrollBar()->setValue(top);
}

void ListBoxView::doItemsLayout()
{
    // Nothing to lay out: a row's place follows from its number.
    QAbstractItemView::doItemsLayout();
}

void ListBoxView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    if (start == 0) {
        rowHeight_ = 0;
    }
    QListView::rowsInserted(parent, start, end);
    updateRowRange();
}

void ListBoxView::updateRowRange()
{
    const int page = pageRows();
    QScrollBar* bar = verticalScrollBar();
    // A view showing its last row keeps showing it when it grows shorter
    // (the sideways scroll bar appearing, say).
    const bool atEnd = bar->value() == bar->maximum();
    bar->setRange(0, std::max(rows() - page, 0));
    if (atEnd) {
        bar->setValue(bar->maximum());
    }
    bar->setPageStep(page);
    bar->setSingleStep(1);
}

void ListBoxView::updateColumnRange()
{
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, std::max(contentWidth_ - viewport()->width(), 0));
    bar->setPageStep(viewport()->width());
    bar->setSingleStep(std::max(fontMetrics().averageCharWidth(), 1));
}

void ListBoxView::updateGeometries()
{
    updateRowRange();
    updateColumnRange();
    QAbstractItemView::updateGeometries();
}

void ListBoxView::scrollContentsBy(int dx, int dy)
{
    // What stays on screen moves; only the rows that come into view are
    // painted.
    const int pixels = dy * rowHeight();
    if (std::abs(pixels) < viewport()->height() && std::abs(dx) < viewport()->width()) {
        viewport()->scroll(dx, pixels);
    } else {
        viewport()->update();
    }
}

int ListBoxView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int ListBoxView::verticalOffset() const
{
    return topRow() * rowHeight();
}

void ListBoxView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        rowHeight_ = 0;
        contentWidth_ = 0;
    }
    QListView::changeEvent(event);
}

void ListBoxView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex current = currentIndex();
    const QPoint pointer = viewport()->mapFromGlobal(QCursor::pos());
    const QModelIndex hover =
        viewport()->rect().contains(pointer) ? indexAt(pointer) : QModelIndex();
    const bool focus = hasFocus() && current.isValid();
    const QRect area = event->rect();
    const int last = std::min(rowAt(area.bottom()), rows() - 1);
    int widest = contentWidth_;
    for (int row = std::max(rowAt(area.top()), 0); row <= last; ++row) {
        const QModelIndex index = rowIndex(row);
        QStyleOptionViewItem rowOption = option;
        rowOption.rect = visualRect(index);
        if (selectionModel() != nullptr && selectionModel()->isSelected(index)) {
            rowOption.state |= QStyle::State_Selected;
        }
        if (isEnabled()) {
            const bool enabled = (model()->flags(index) & Qt::ItemIsEnabled) != 0;
            rowOption.state.setFlag(QStyle::State_Enabled, enabled);
            rowOption.palette.setCurrentColorGroup(enabled ? QPalette::Normal : QPalette::Disabled);
        }
        rowOption.state.setFlag(QStyle::State_HasFocus, focus && index == current);
        rowOption.state.setFlag(QStyle::State_MouseOver, index == hover);
        QAbstractItemDelegate* delegate = itemDelegateForIndex(index);
        delegate->paint(&painter, rowOption, index);
        // How far the view scrolls sideways: the widest row painted so far.
        widest = std::max(widest, delegate->sizeHint(rowOption, index).width());
    }
    if (widest > contentWidth_) {
        // Rows painted narrower than their text show it cut: again, wider.
        contentWidth_ = widest;
        updateColumnRange();
        viewport()->update();
    }
}

QModelIndex ListBoxView::moveCursor(CursorAction action, Qt::KeyboardModifiers /*modifiers*/)
{
    const int count = rows();
    if (count == 0) {
        return {};
    }
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    int to = row;
    switch (action) {
        case MoveUp:
        case MovePrevious:
            to = row - 1;
            break;
        case MoveDown:
        case MoveNext:
            to = row + 1;
            break;
        case MovePageUp:
            to = row - pageRows();
            break;
        case MovePageDown:
            to = row + pageRows();
            break;
        case MoveHome:
            to = 0;
            break;
        case MoveEnd:
            to = count - 1;
            break;
        case MoveLeft:
        case MoveRight:
            break;
    }
    return rowIndex(std::clamp(to, 0, count - 1));
}

void ListBoxView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    const QRect area = rect.normalized();
    const int first = std::max(rowAt(area.top()), 0);
    const int last = std::min(rowAt(area.bottom()), rows() - 1);
    if (selectionModel() == nullptr || first > last) {
        return;
    }
    selectionModel()->select(QItemSelection(rowIndex(first), rowIndex(last)), command);
}

QRegion ListBoxView::visualRegionForSelection(const QItemSelection& selection) const
{
    // The part of each range that is on screen.
    const int top = topRow();
    const int bottom = top + pageRows();
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        if (range.parent() != rootIndex()) {
            continue;
        }
        const int first = std::max(range.top(), top);
        const int last = std::min(range.bottom(), bottom);
        if (first <= last) {
            region += visualRect(rowIndex(first)).united(visualRect(rowIndex(last)));
        }
    }
    return region;
}

// QListView numbers the rows for screen readers from its own layout, which
// this view does not make; a row's number is its place in the list.
void ListBoxView::tellAccessibility(QAccessible::Event type, const QModelIndex& index)
{
    if (QAccessible::isActive() && index.isValid()) {
        QAccessibleEvent event(this, type);
        event.setChild(index.row());
        QAccessible::updateAccessibility(&event);
    }
}

void ListBoxView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    if (hasFocus()) {
        tellAccessibility(QAccessible::Focus, current);
    }
    QAbstractItemView::currentChanged(current, previous);
}

void ListBoxView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    const auto first = [](const QItemSelection& rows) {
        return rows.isEmpty() ? QModelIndex() : QModelIndex(rows.first().topLeft());
    };
    tellAccessibility(QAccessible::SelectionAdd, first(selected));
    tellAccessibility(QAccessible::SelectionRemove, first(deselected));
    QAbstractItemView::selectionChanged(selected, deselected);
}

}  // namespace gui
