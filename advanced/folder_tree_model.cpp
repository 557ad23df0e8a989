#include "advanced/folder_tree_model.h"

#include <algorithm>
#include <limits>

namespace tarnwell::advanced {
namespace {

// Internal ids: top-level nodes carry 0, folder nodes 1 and "按文件类型"
// 2 (their parent is always the scan-results node), type nodes 3 (their
// parent is "按文件类型").
constexpr quintptr kTopLevel = 0;
constexpr quintptr kFolder = 1;
constexpr quintptr kCarvedRoot = 2;
constexpr quintptr kCarvedType = 3;
// Qt counts rows in int: a list longer than that is cut (a raw scan keeps
// at most 4 Mi folders, far below).
constexpr size_t kMaxRows = static_cast<size_t>(std::numeric_limits<int>::max() - 2);

}  // namespace

FolderTreeModel::FolderTreeModel(Images images, QObject* parent)
    : QAbstractItemModel(parent), images_(std::move(images)) {}

void FolderTreeModel::SetFolderCount(size_t count, bool lastIsLostEntries) {
  beginResetModel();
  marks_.assign(std::min(count, kMaxRows), FolderMark::kNone);
  // A list cut at the row limit no longer ends with the lost entries.
  lastIsLostEntries_ = lastIsLostEntries && count > 0 && count <= kMaxRows;
  endResetModel();
}

void FolderTreeModel::SetCarvedTypes(std::vector<CarvedTypeNode> types) {
  beginResetModel();
  types_ = std::move(types);
  if (types_.size() > kMaxRows) types_.resize(kMaxRows);
  endResetModel();
}

QModelIndex FolderTreeModel::FolderIndex(size_t folder) const {
  if (folder >= marks_.size()) return {};
  return createIndex(static_cast<int>(folder), 0, kFolder);
}

int64_t FolderTreeModel::FolderOf(const QModelIndex& index) const {
  if (!index.isValid() || index.internalId() != kFolder || index.model() != this) return -1;
  return index.row();
}

QModelIndex FolderTreeModel::CarvedRootIndex() const {
  if (types_.empty()) return {};
  return createIndex(static_cast<int>(marks_.size()), 0, kCarvedRoot);
}

QModelIndex FolderTreeModel::CarvedTypeIndex(size_t type) const {
  if (type >= types_.size()) return {};
  return createIndex(static_cast<int>(type), 0, kCarvedType);
}

bool FolderTreeModel::IsCarvedRoot(const QModelIndex& index) const {
  return index.isValid() && index.model() == this && index.internalId() == kCarvedRoot;
}

int64_t FolderTreeModel::CarvedTypeOf(const QModelIndex& index) const {
  if (!index.isValid() || index.internalId() != kCarvedType || index.model() != this) return -1;
  return index.row();
}

int32_t FolderTreeModel::AbsoluteIndex(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return -1;
  const int64_t n = static_cast<int64_t>(marks_.size());
  int64_t position = -1;
  switch (index.internalId()) {
    case kFolder: position = index.row() + 1; break;
    case kCarvedRoot: position = n + 2; break;
    case kCarvedType: position = n + 3 + index.row(); break;
    default: position = index.row() == 0 ? 0 : n + 1; break;
  }
  return position <= std::numeric_limits<int32_t>::max() ? static_cast<int32_t>(position) : -1;
}

QModelIndex FolderTreeModel::FromAbsoluteIndex(int32_t position) const {
  if (position < 0) return {};
  if (position == 0) return ScanRootIndex();
  const auto at = static_cast<size_t>(position);
  const size_t n = marks_.size();
  if (at <= n) return FolderIndex(at - 1);
  if (at == n + 1) return SearchIndex();
  if (at == n + 2) return CarvedRootIndex();
  return CarvedTypeIndex(at - n - 3);
}

FolderMark FolderTreeModel::Mark(size_t folder) const {
  return folder < marks_.size() ? marks_[folder] : FolderMark::kNone;
}

void FolderTreeModel::SetMark(size_t folder, FolderMark mark) {
  if (folder >= marks_.size() || marks_[folder] == mark) return;
  marks_[folder] = mark;
  const QModelIndex i = FolderIndex(folder);
  emit dataChanged(i, i, {Qt::DisplayRole});
}

QString FolderTreeModel::FolderText(size_t folder) const {
  QString text = lastIsLostEntries_ && folder + 1 == marks_.size()
                     ? QStringLiteral("丢失的条目")
                     : QStringLiteral("文件夹 %1").arg(static_cast<qulonglong>(folder), 6, 10, QLatin1Char('0'));
  const FolderMark mark = Mark(folder);
  if (mark != FolderMark::kNone) text += QStringLiteral(" - ") + QLatin1Char(static_cast<char>(mark));
  return text;
}

QString FolderTreeModel::CarvedTypeText(size_t type) const {
  if (type >= types_.size()) return {};
  return QStringLiteral("%1 (%2)").arg(types_[type].extension).arg(static_cast<qulonglong>(types_[type].count));
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column != 0) return {};
  if (!parent.isValid()) return row < 2 ? createIndex(row, 0, kTopLevel) : QModelIndex();
  if (parent.model() != this) return {};
  if (parent.internalId() == kTopLevel && parent.row() == 0) {
    const auto at = static_cast<size_t>(row);
    if (at < marks_.size()) return createIndex(row, 0, kFolder);
    if (at == marks_.size() && !types_.empty()) return createIndex(row, 0, kCarvedRoot);
    return {};
  }
  if (parent.internalId() == kCarvedRoot && static_cast<size_t>(row) < types_.size())
    return createIndex(row, 0, kCarvedType);
  return {};
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  switch (child.internalId()) {
    case kFolder:
    case kCarvedRoot: return ScanRootIndex();
    case kCarvedType: return CarvedRootIndex();
    default: return {};
  }
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return 2;
  if (parent.column() != 0) return 0;
  if (parent.internalId() == kTopLevel && parent.row() == 0)
    return static_cast<int>(marks_.size()) + (types_.empty() ? 0 : 1);
  if (parent.internalId() == kCarvedRoot) return static_cast<int>(types_.size());
  return 0;
}

int FolderTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const quintptr id = index.internalId();
  const auto row = static_cast<size_t>(index.row());
  if (role == Qt::DisplayRole) {
    switch (id) {
      case kFolder: return FolderText(row);
      case kCarvedRoot: return QStringLiteral("按文件类型");
      case kCarvedType: return CarvedTypeText(row);
      default: return row == 0 ? QStringLiteral("扫描结果") : QStringLiteral("查找结果");
    }
  }
  if (role == Qt::DecorationRole) {
    if (id != kTopLevel) return images_.folder;
    return row == 0 ? images_.scanRoot : images_.searchRoot;
  }
  return {};
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // The scan-results node can be opened but never chosen.
  if (index.internalId() == kTopLevel && index.row() == 0) return Qt::ItemIsEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace tarnwell::advanced
