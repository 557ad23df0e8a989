#include "advanced/folder_tree_model.h"

#include <algorithm>
#include <limits>

namespace tarnwell::advanced {
namespace {

// Internal ids: top-level nodes carry 0, folder nodes 1 (their parent is
// always the scan-results node).
constexpr quintptr kTopLevel = 0;
constexpr quintptr kFolder = 1;
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

QModelIndex FolderTreeModel::FolderIndex(size_t folder) const {
  if (folder >= marks_.size()) return {};
  return createIndex(static_cast<int>(folder), 0, kFolder);
}

int64_t FolderTreeModel::FolderOf(const QModelIndex& index) const {
  if (!index.isValid() || index.internalId() != kFolder || index.model() != this) return -1;
  return index.row();
}

int32_t FolderTreeModel::AbsoluteIndex(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return -1;
  if (index.internalId() == kFolder) return index.row() + 1;
  return index.row() == 0 ? 0 : static_cast<int32_t>(marks_.size()) + 1;
}

QModelIndex FolderTreeModel::FromAbsoluteIndex(int32_t position) const {
  if (position < 0) return {};
  if (position == 0) return ScanRootIndex();
  const size_t n = marks_.size();
  if (static_cast<size_t>(position) <= n) return FolderIndex(static_cast<size_t>(position) - 1);
  if (static_cast<size_t>(position) == n + 1) return SearchIndex();
  return {};
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

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column != 0) return {};
  if (!parent.isValid()) return row < 2 ? createIndex(row, 0, kTopLevel) : QModelIndex();
  if (parent.internalId() == kTopLevel && parent.row() == 0 && static_cast<size_t>(row) < marks_.size())
    return createIndex(row, 0, kFolder);
  return {};
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() != kFolder) return {};
  return ScanRootIndex();
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return 2;
  if (parent.column() != 0) return 0;
  if (parent.internalId() == kTopLevel && parent.row() == 0) return static_cast<int>(marks_.size());
  return 0;
}

int FolderTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const bool folder = index.internalId() == kFolder;
  if (role == Qt::DisplayRole) {
    if (folder) return FolderText(static_cast<size_t>(index.row()));
    return index.row() == 0 ? QStringLiteral("扫描结果") : QStringLiteral("查找结果");
  }
  if (role == Qt::DecorationRole) {
    if (folder) return images_.folder;
    return index.row() == 0 ? images_.scanRoot : images_.searchRoot;
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
