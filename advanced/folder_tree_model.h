#pragma once
// The model of the advanced window's file tree: "扫描结果" with one numbered
// node per found folder below it, then "查找结果". A raw scan can find
// millions of folders, so nodes are not objects: a folder node is its
// number and the one-character mark of what was recovered from it.
#include <QAbstractItemModel>
#include <QIcon>
#include <cstdint>
#include <vector>

namespace tarnwell::advanced {

// What was recovered from a folder: nothing, some files (" - P") or the
// folder as a whole (" - T").
enum class FolderMark : uint8_t { kNone = 0, kPartial = 'P', kTotal = 'T' };

class FolderTreeModel final : public QAbstractItemModel {
  Q_OBJECT

 public:
  // Images of the trees' shared image list; `folder` shows its open
  // picture in the selected mode.
  struct Images {
    QIcon scanRoot, searchRoot, folder;
  };
  explicit FolderTreeModel(Images images, QObject* parent = nullptr);

  // Replaces the folder nodes with `count` unmarked ones; with
  // `lastIsLostEntries` the last one holds the entries no found folder owns
  // and is captioned so ("丢失的条目") instead of by its number.
  void SetFolderCount(size_t count, bool lastIsLostEntries = false);
  size_t FolderCount() const { return marks_.size(); }

  QModelIndex ScanRootIndex() const { return index(0, 0); }
  QModelIndex SearchIndex() const { return index(1, 0); }
  QModelIndex FolderIndex(size_t folder) const;
  // The folder number of an index, -1 for the two top-level nodes.
  int64_t FolderOf(const QModelIndex& index) const;

  // Position of a node in the tree's full order (scan results 0, folders 1..n,
  // search results n + 1), which the history stores; and back, with an
  // invalid index for a position outside the tree.
  int32_t AbsoluteIndex(const QModelIndex& index) const;
  QModelIndex FromAbsoluteIndex(int32_t position) const;

  FolderMark Mark(size_t folder) const;
  void SetMark(size_t folder, FolderMark mark);
  // "文件夹 000012" (or "丢失的条目"), with " - P" or " - T" after it when
  // marked.
  QString FolderText(size_t folder) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  Images images_;
  std::vector<FolderMark> marks_;
  bool lastIsLostEntries_ = false;
};

}  // namespace tarnwell::advanced
