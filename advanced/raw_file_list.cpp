#include "advanced/raw_file_list.h"

#include <algorithm>

#include "advanced/raw_rows.h"
#include "controls/display_format.h"
#include "controls/window_icons.h"

namespace tarnwell::advanced {
namespace {

std::vector<controls::FileListColumn> Columns() {
  using controls::ColumnKind;
  // The access column is drawn and sorted by this model; kText2 only gives
  // it a slot. The state column ("已删除" or empty) is the pooled text 2,
  // so that a deleted item never looks live.
  return {{QStringLiteral("文件名"), ColumnKind::kName},
          {QStringLiteral("文件类型"), ColumnKind::kText1},
          {QStringLiteral("大小"), ColumnKind::kSize},
          {QStringLiteral("创建时间"), ColumnKind::kDate},
          {QStringLiteral("访问时间"), ColumnKind::kText2},
          {QStringLiteral("状态"), ColumnKind::kText2}};
}

std::vector<QIcon> Icons() {
  // The shared set starts folder, deleted folder, damaged folder, file.
  const std::vector<QIcon> all = controls::FileListIcons();
  return {all.at(0), all.at(3)};
}

}  // namespace

RawFileListModel::RawFileListModel(QObject* parent) : controls::FileListModel(Columns(), Icons(), parent) {}

void RawFileListModel::SetRawRows(std::vector<controls::FileRow> rows,
                                  std::unordered_map<const void*, double> accessed) {
  accessed_ = std::move(accessed);
  sectors_.clear();
  ShowCarvedColumn(false);
  SetRows(std::move(rows));
}

void RawFileListModel::SetCarvedRows(std::vector<controls::FileRow> rows,
                                     std::unordered_map<const void*, uint64_t> sectors) {
  accessed_.clear();
  sectors_ = std::move(sectors);
  ShowCarvedColumn(true);
  SetRows(std::move(rows));
}

void RawFileListModel::ClearRows() {
  Clear();
  accessed_.clear();
  sectors_.clear();
  ShowCarvedColumn(false);
}

void RawFileListModel::ShowCarvedColumn(bool carved) {
  if (carved == carved_) return;
  carved_ = carved;
  SetColumnCaption(kColumnAccessed, carved ? QStringLiteral("起始扇区") : QStringLiteral("访问时间"));
}

double RawFileListModel::Accessed(int row) const {
  const auto found = accessed_.find(Row(row).handle);
  return found == accessed_.end() ? 0 : found->second;
}

uint64_t RawFileListModel::StartSector(int row) const {
  const auto found = sectors_.find(Row(row).handle);
  return found == sectors_.end() ? 0 : found->second;
}

QString RawFileListModel::CellText(int row, int column) const {
  if (column == kColumnSize) return FormatFileSize(Row(row).size);
  if (column == kColumnAccessed)
    return carved_ ? QString::number(static_cast<qulonglong>(StartSector(row)))
                   : controls::FormatListDateTime(Accessed(row));
  return Text(row, column);
}

void RawFileListModel::SortRaw(int column, int factor) {
  if (column != kColumnAccessed) {
    SortByColumn(column, factor);
    return;
  }
  // One hash lookup per row, not one per comparison.
  const size_t n = static_cast<size_t>(RowCount());
  std::vector<double> stamps(n);
  std::vector<uint64_t> sectors(n);
  std::vector<size_t> order(n);
  for (size_t i = 0; i < n; ++i) {
    if (carved_)
      sectors[i] = StartSector(static_cast<int>(i));
    else
      stamps[i] = Accessed(static_cast<int>(i));
    order[i] = i;
  }
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const int c = carved_ ? (sectors[a] < sectors[b] ? -1 : (sectors[b] < sectors[a] ? 1 : 0))
                          : (stamps[a] < stamps[b] ? -1 : (stamps[b] < stamps[a] ? 1 : 0));
    return c * factor < 0;
  });
  std::vector<controls::FileRow> rows;
  rows.reserve(n);
  for (size_t i : order) rows.push_back(Row(static_cast<int>(i)));
  SetRows(std::move(rows));
}

QVariant RawFileListModel::data(const QModelIndex& index, int role) const {
  // Sectors are numbers: they line up on the right, as sizes do.
  if (role == Qt::TextAlignmentRole && carved_ && index.isValid() && index.column() == kColumnAccessed)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  if (role == Qt::DisplayRole && index.isValid() &&
      (index.column() == kColumnSize || index.column() == kColumnAccessed))
    return CellText(index.row(), index.column());
  return controls::FileListModel::data(index, role);
}

}  // namespace tarnwell::advanced
