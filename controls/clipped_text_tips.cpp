#include "controls/clipped_text_tips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace tarnwell::controls {
namespace {

class ClippedTextTips final : public QObject {
 public:
  explicit ClippedTextTips(QAbstractItemView* view) : QObject(view), view_(view) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ToolTip || watched != view_->viewport()) return false;
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = view_->indexAt(help->pos());
    if (!index.isValid() || index.data(Qt::ToolTipRole).isValid()) return false;
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty() || !Clipped(index)) {
      QToolTip::hideText();
      return true;
    }
    QToolTip::showText(help->globalPos(), text, view_->viewport(), view_->visualRect(index));
    return true;
  }

 private:
  // What the item would need (icon, check box and text, as the delegate
  // lays them out) against what the view gives it.
  bool Clipped(const QModelIndex& index) const {
    QAbstractItemDelegate* delegate = view_->itemDelegateForIndex(index);
    if (!delegate) return false;
    QStyleOptionViewItem option;
    option.initFrom(view_->viewport());
    option.font = view_->font();
    option.decorationSize = view_->iconSize().isValid() ? view_->iconSize() : QSize(16, 16);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.rect = view_->visualRect(index);
    return delegate->sizeHint(option, index).width() > option.rect.width();
  }

  QAbstractItemView* view_;
};

}  // namespace

void ShowClippedTextOnHover(QAbstractItemView* view) {
  view->viewport()->installEventFilter(new ClippedTextTips(view));
}

}  // namespace tarnwell::controls
