#pragma once
// How the advanced window's trees draw their selected node: bold blue type
// on pale yellow, except the first node of the tree ("我的电脑" or the scan
// results), which stays black on white.
#include <QStyledItemDelegate>

namespace tarnwell::advanced {

class SelectedNodeDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace tarnwell::advanced
