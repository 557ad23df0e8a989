#include "advanced/selected_node_delegate.h"

#include <QPainter>

namespace tarnwell::advanced {
namespace {

bool IsFirstNode(const QModelIndex& index) { return !index.parent().isValid() && index.row() == 0; }

}  // namespace

void SelectedNodeDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (!(option->state & QStyle::State_Selected)) return;
  const bool first = IsFirstNode(index);
  option->palette.setColor(QPalette::HighlightedText, first ? QColor(Qt::black) : QColor(0, 0, 255));
  option->palette.setColor(QPalette::Text, first ? QColor(Qt::black) : QColor(0, 0, 255));
  if (!first) option->font.setBold(true);
}

void SelectedNodeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  QStyleOptionViewItem o = option;
  if (o.state & QStyle::State_Selected) {
    const QColor back = IsFirstNode(index) ? QColor(Qt::white) : QColor(255, 255, 208);
    painter->fillRect(o.rect, back);
    o.palette.setColor(QPalette::Highlight, back);
  }
  QStyledItemDelegate::paint(painter, o, index);
}

}  // namespace tarnwell::advanced
