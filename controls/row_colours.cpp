#include "controls/row_colours.h"

#include <QPainter>

namespace tarnwell::controls {

QColor RowBackground(int row, bool selected) {
  if (selected) return kSelectedRowColour;
  return row % 2 != 0 ? kOddRowColour : kEvenRowColour;
}

void TRowColourDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  const bool selected = option.state & QStyle::State_Selected;
  painter->fillRect(option.rect, RowBackground(index.row(), selected));
  // The style's own selection highlight would cover the pale yellow and
  // turn the text white; the row colour alone shows the selection.
  QStyleOptionViewItem plain(option);
  plain.state &= ~QStyle::State_Selected;
  plain.backgroundBrush = Qt::NoBrush;
  QStyledItemDelegate::paint(painter, plain, index);
}

}  // namespace tarnwell::controls
