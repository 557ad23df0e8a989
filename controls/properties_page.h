#pragma once
// A two-column list of fixed rows ("文件名" and "值"): captions set once,
// values changed per selected entry. Heading rows are tinted; no row can be
// selected or focused.
#include <QStringList>
#include <QTreeWidget>
#include <vector>

namespace tarnwell::controls {

class PropertiesPage : public QTreeWidget {
  Q_OBJECT

 public:
  PropertiesPage(const QStringList& headers, const QStringList& rowCaptions,
                 const std::vector<int>& headingRows, QWidget* parent = nullptr);

  void SetCaption(int row, const QString& caption);
  void SetValue(int row, const QString& value);
  QString Caption(int row) const;
  QString Value(int row) const;
  void ClearValues();
  int RowCount() const { return topLevelItemCount(); }
};

}  // namespace tarnwell::controls
