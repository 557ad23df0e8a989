#include "controls/file_list_model.h"

#include <algorithm>
#include <numeric>

#include "controls/display_format.h"

namespace tarnwell::controls {
namespace {

// Lower-cases A-Z only, as the names on disk are compared.
int CompareLowered(const QString& a, const QString& b) {
  const qsizetype n = std::min(a.size(), b.size());
  for (qsizetype i = 0; i < n; ++i) {
    char16_t x = a[i].unicode(), y = b[i].unicode();
    if (x >= 'A' && x <= 'Z') x = static_cast<char16_t>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char16_t>(y + 32);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <typename T>
int Compare3(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

FileListModel::FileListModel(std::vector<FileListColumn> columns, std::vector<QIcon> icons,
                             QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)), icons_(std::move(icons)) {
  pool_.emplace_back();  // index 0: the empty text
  poolIndex_.insert(QString(), 0);
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RowCount();
}

int FileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QString FileListModel::Text(int row, int column) const {
  const FileRow& r = Row(row);
  switch (columns_[static_cast<size_t>(column)].kind) {
    case ColumnKind::kName: return r.name;
    case ColumnKind::kText1: return pool_[r.text1];
    case ColumnKind::kText2: return pool_[r.text2];
    case ColumnKind::kSize: return FormatSize(r.size);
    case ColumnKind::kDate: return FormatListDateTime(r.date);
  }
  return {};
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
    return {};
  const FileRow& r = Row(index.row());
  switch (role) {
    case Qt::DisplayRole:
      return Text(index.row(), index.column());
    case Qt::DecorationRole:
      if (index.column() == 0 && r.image < icons_.size()) return icons_[r.image];
      return {};
    case Qt::CheckStateRole:
      if (index.column() == 0) return r.checked ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::BackgroundRole:
      return index.row() % 2 ? oddColour_ : evenColour_;
    case Qt::TextAlignmentRole:
      if (columns_[static_cast<size_t>(index.column())].kind == ColumnKind::kSize)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    default:
      return {};
  }
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || index.column() != 0 ||
      !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
    return false;
  SetChecked(index.row(), value.toInt() == Qt::Checked);
  return true;
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return columns_[static_cast<size_t>(section)].caption;
  if (role == Qt::DecorationRole && section == markColumn_)
    return markDescending_ ? descendingMark_ : ascendingMark_;
  return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
  return f;
}

void FileListModel::Clear() {
  beginResetModel();
  rows_.clear();
  rows_.shrink_to_fit();
  pool_.resize(1);
  poolIndex_.clear();
  poolIndex_.insert(QString(), 0);
  endResetModel();
}

uint32_t FileListModel::PoolText(const QString& text) {
  const auto found = poolIndex_.constFind(text);
  if (found != poolIndex_.cend()) return *found;
  const auto index = static_cast<uint32_t>(pool_.size());
  pool_.push_back(text);
  poolIndex_.insert(text, index);
  return index;
}

void FileListModel::SetRows(std::vector<FileRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  if (keepTicks_)
    for (FileRow& r : rows_) r.checked = kept_.contains(r.handle);
  endResetModel();
}

void FileListModel::SetColumnCaption(int column, const QString& caption) {
  if (column < 0 || column >= columnCount()) return;
  columns_[static_cast<size_t>(column)].caption = caption;
  emit headerDataChanged(Qt::Horizontal, column, column);
}

void FileListModel::SetSortMark(int column, bool descending) {
  markColumn_ = column;
  markDescending_ = descending;
  if (columnCount() > 0) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void FileListModel::SetSortMarkIcons(QIcon ascending, QIcon descending) {
  ascendingMark_ = std::move(ascending);
  descendingMark_ = std::move(descending);
}

int FileListModel::CompareColumn(const FileRow& a, const FileRow& b, int column) const {
  if (column < 0 || column >= columnCount()) return 0;
  switch (columns_[static_cast<size_t>(column)].kind) {
    case ColumnKind::kName: return CompareLowered(a.name, b.name);
    case ColumnKind::kText1: return CompareLowered(pool_[a.text1], pool_[b.text1]);
    case ColumnKind::kText2: return CompareLowered(pool_[a.text2], pool_[b.text2]);
    case ColumnKind::kSize: return Compare3(a.size, b.size);
    case ColumnKind::kDate: return Compare3(a.date, b.date);
  }
  return 0;
}

template <typename Less>
void FileListModel::StableSort(Less less) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> order(rows_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return less(rows_[static_cast<size_t>(a)],
                                                   rows_[static_cast<size_t>(b)]); });
  std::vector<FileRow> sorted;
  sorted.reserve(rows_.size());
  std::vector<int> newPlace(rows_.size());
  for (size_t i = 0; i < order.size(); ++i) {
    sorted.push_back(std::move(rows_[static_cast<size_t>(order[i])]));
    newPlace[static_cast<size_t>(order[i])] = static_cast<int>(i);
  }
  rows_ = std::move(sorted);
  const QModelIndexList from = persistentIndexList();
  QModelIndexList to;
  to.reserve(from.size());
  for (const QModelIndex& i : from)
    to.push_back(index(newPlace[static_cast<size_t>(i.row())], i.column()));
  changePersistentIndexList(from, to);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FileListModel::SortByColumn(int column, int factor) {
  StableSort([&](const FileRow& a, const FileRow& b) {
    return CompareColumn(a, b, column) * factor < 0;
  });
}

void FileListModel::SortByImage() {
  StableSort([](const FileRow& a, const FileRow& b) { return a.image < b.image; });
}

void FileListModel::KeepTick(const FileRow& row) {
  if (!keepTicks_) return;
  if (!row.checked) {
    kept_.remove(row.handle);
  } else if (!kept_.contains(row.handle)) {
    kept_.insert(row.handle, {{row.handle, row.tag, row.image, row.name}, nextTick_++});
  }
}

void FileListModel::SetChecked(int row, bool checked) {
  if (row < 0 || row >= RowCount()) return;
  FileRow& r = rows_[static_cast<size_t>(row)];
  r.checked = checked;
  KeepTick(r);
  const QModelIndex i = index(row, 0);
  emit dataChanged(i, i, {Qt::CheckStateRole});
  emit TicksChanged();
}

void FileListModel::SetAllChecked(bool checked) {
  if (rows_.empty()) return;
  for (FileRow& r : rows_) {
    r.checked = checked;
    KeepTick(r);
  }
  emit dataChanged(index(0, 0), index(RowCount() - 1, 0), {Qt::CheckStateRole});
  emit TicksChanged();
}

void FileListModel::CheckMarkedRows() {
  if (rows_.empty()) return;
  for (FileRow& r : rows_) {
    if (r.text2 == 0 || r.checked) continue;
    r.checked = true;
    KeepTick(r);
  }
  emit dataChanged(index(0, 0), index(RowCount() - 1, 0), {Qt::CheckStateRole});
  emit TicksChanged();
}

std::vector<TickedRecord> FileListModel::Ticks() const {
  std::vector<TickedRecord> out;
  if (!keepTicks_) {
    for (const FileRow& r : rows_)
      if (r.checked) out.push_back({r.handle, r.tag, r.image, r.name});
    return out;
  }
  std::vector<const KeptTick*> ordered;
  ordered.reserve(static_cast<size_t>(kept_.size()));
  for (const KeptTick& k : kept_) ordered.push_back(&k);
  std::sort(ordered.begin(), ordered.end(), [](const KeptTick* a, const KeptTick* b) { return a->order < b->order; });
  out.reserve(ordered.size());
  for (const KeptTick* k : ordered) out.push_back(k->record);
  return out;
}

int FileListModel::TickCount() const {
  if (keepTicks_) return static_cast<int>(kept_.size());
  return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const FileRow& r) { return r.checked; }));
}

void FileListModel::TickRecords(const std::vector<TickedRecord>& records) {
  if (!keepTicks_ || records.empty()) return;
  for (const TickedRecord& t : records)
    if (!kept_.contains(t.handle)) kept_.insert(t.handle, {t, nextTick_++});
  for (FileRow& r : rows_) r.checked = kept_.contains(r.handle);
  if (!rows_.empty()) emit dataChanged(index(0, 0), index(RowCount() - 1, 0), {Qt::CheckStateRole});
  emit TicksChanged();
}

void FileListModel::ForgetTicks() {
  kept_.clear();
  for (FileRow& r : rows_) r.checked = false;
  if (!rows_.empty()) emit dataChanged(index(0, 0), index(RowCount() - 1, 0), {Qt::CheckStateRole});
  emit TicksChanged();
}

std::vector<int> FileListModel::CheckedRows() const {
  std::vector<int> out;
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].checked) out.push_back(static_cast<int>(i));
  return out;
}

int FileListModel::MarkedCount() const {
  return static_cast<int>(
      std::count_if(rows_.begin(), rows_.end(), [](const FileRow& r) { return r.text2 != 0; }));
}

void FileListModel::SetRowColours(QColor odd, QColor even) {
  oddColour_ = odd;
  evenColour_ = even;
}

}  // namespace tarnwell::controls
