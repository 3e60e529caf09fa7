#pragma once

#include <QStyledItemDelegate>

namespace ticksmith::app {

// Draws the rows of the grids and the portfolio list: the background, each cell's text clipped
// to its column 2 pixels in from both edges, light grey lines under the row and at the right of
// each column, and skipped entries in red (white on red when selected).
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

}  // namespace ticksmith::app
