#pragma once

#include <QAccessible>
#include <QListView>

namespace gui {

// A list box: one line of text a row, every row as high as the first.
//
// QListView lays out every row of its model again whenever rows come or go,
// which makes a log of millions of lines slow to add to. This view works
// out where a row is from its number alone, so that adding rows, showing the
// newest, painting and hit-testing cost the same whatever the row count:
// only the rows on screen are measured and painted. It scrolls by whole rows,
// as a list box does. Being a QListView still, it reads as a list of lines
// to screen readers.
class ListBoxView final : public QListView {
    Q_OBJECT

public:
    explicit ListBoxView(QWidget* parent = nullptr);

    [[nodiscard]] QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    [[nodiscard]] QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    [[nodiscard]] int horizontalOffset() const override;
    [[nodiscard]] int verticalOffset() const override;
    [[nodiscard]] QModelIndex moveCursor(CursorAction action,
                                         Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    [[nodiscard]] QRegion visualRegionForSelection(const QItemSelection& selection) const override;

private:
    [[nodiscard]] int rows() const;
    [[nodiscard]] int rowHeight() const;
    // Rows wholly in view (at least one).
    [[nodiscard]] int pageRows() const;
    [[nodiscard]] int topRow() const;
    [[nodiscard]] int rowAt(int y) const;
    [[nodiscard]] QModelIndex rowIndex(int row) const;
    void updateRowRange();
    void updateColumnRange();
    void tellAccessibility(QAccessible::Event type, const QModelIndex& index);

    mutable int rowHeight_ = 0;  // 0 until measured
    int contentWidth_ = 0;       // the widest row painted so far
};

}  // namespace gui
