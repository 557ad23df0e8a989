#include "controls/properties_page.h"

#include <QHeaderView>

namespace tarnwell::controls {

PropertiesPage::PropertiesPage(const QStringList& headers, const QStringList& rowCaptions,
                               const std::vector<int>& headingRows, QWidget* parent)
    : QTreeWidget(parent) {
  setColumnCount(2);
  setHeaderLabels(headers);
  setRootIsDecorated(false);
  setSelectionMode(QAbstractItemView::NoSelection);
  setFocusPolicy(Qt::NoFocus);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformRowHeights(true);
  const QColor heading(255, 255, 208);
  for (int i = 0; i < rowCaptions.size(); ++i) {
    auto* item = new QTreeWidgetItem(this, QStringList{rowCaptions[i], QString()});
    item->setFlags(Qt::ItemIsEnabled);
    if (std::find(headingRows.begin(), headingRows.end(), i) != headingRows.end()) {
      item->setBackground(0, heading);
      item->setBackground(1, heading);
    }
  }
}

void PropertiesPage::SetCaption(int row, const QString& caption) {
  if (QTreeWidgetItem* item = topLevelItem(row)) item->setText(0, caption);
}

void PropertiesPage::SetValue(int row, const QString& value) {
  if (QTreeWidgetItem* item = topLevelItem(row)) item->setText(1, value);
}

QString PropertiesPage::Caption(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item ? item->text(0) : QString();
}

QString PropertiesPage::Value(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item ? item->text(1) : QString();
}

void PropertiesPage::ClearValues() {
  for (int i = 0; i < topLevelItemCount(); ++i) topLevelItem(i)->setText(1, QString());
}

}  // namespace tarnwell::controls
