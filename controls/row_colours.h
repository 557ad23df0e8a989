#pragma once
// The row painting shared by the windows' lists: a selected row on pale
// yellow, the others alternating white (even index, the first row is 0)
// and pale blue (odd index). Text keeps its normal colour on every row.
#include <QColor>
#include <QStyledItemDelegate>

namespace tarnwell::controls {

inline const QColor kSelectedRowColour(255, 255, 208);
inline const QColor kOddRowColour(244, 244, 255);
inline const QColor kEvenRowColour(Qt::white);

QColor RowBackground(int row, bool selected);

// Paints each cell on its row's background. Set it as the item delegate of
// a list view or tree view whose rows are the list's rows.
class TRowColourDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

}  // namespace tarnwell::controls
