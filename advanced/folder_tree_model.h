#pragma once
// The model of the advanced window's file tree: "扫描结果" with one numbered
// node per found folder below it and, after a signature scan that found
// something, "按文件类型" with one node per type of carved file; then
// "查找结果". A raw scan can find millions of folders, so nodes are not
// objects: a folder node is its number and the one-character mark of what
// was recovered from it.
#include <QAbstractItemModel>
#include <QIcon>
#include <QString>
#include <cstdint>
#include <vector>

namespace tarnwell::advanced {

// What was recovered from a folder: nothing, some files (" - P") or the
// folder as a whole (" - T").
enum class FolderMark : uint8_t { kNone = 0, kPartial = 'P', kTotal = 'T' };

// One type of carved file: its extension and how many files it has.
struct CarvedTypeNode {
  QString extension;
  size_t count = 0;
  bool operator==(const CarvedTypeNode&) const = default;
};

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
  // and is captioned so ("丢失的条目") instead of by its number. The type
  // nodes stay.
  void SetFolderCount(size_t count, bool lastIsLostEntries = false);
  size_t FolderCount() const { return marks_.size(); }
  // Replaces the type nodes; none hides "按文件类型".
  void SetCarvedTypes(std::vector<CarvedTypeNode> types);
  size_t CarvedTypeCount() const { return types_.size(); }
  const CarvedTypeNode& CarvedType(size_t type) const { return types_[type]; }

  QModelIndex ScanRootIndex() const { return index(0, 0); }
  QModelIndex SearchIndex() const { return index(1, 0); }
  QModelIndex FolderIndex(size_t folder) const;
  // The folder number of an index, -1 for any other node.
  int64_t FolderOf(const QModelIndex& index) const;
  // "按文件类型" (invalid while there are no types) and its type nodes.
  QModelIndex CarvedRootIndex() const;
  QModelIndex CarvedTypeIndex(size_t type) const;
  bool IsCarvedRoot(const QModelIndex& index) const;
  // The type number of an index, -1 for any other node.
  int64_t CarvedTypeOf(const QModelIndex& index) const;

  // Position of a node, which the history stores: scan results 0, folders
  // 1..n, search results n + 1, then "按文件类型" n + 2 and its types
  // n + 3..n + 2 + k (after the search results, so that the positions the
  // tree had before types came keep their meaning); and back, with an
  // invalid index for a position outside the tree.
  int32_t AbsoluteIndex(const QModelIndex& index) const;
  QModelIndex FromAbsoluteIndex(int32_t position) const;

  FolderMark Mark(size_t folder) const;
  void SetMark(size_t folder, FolderMark mark);
  // "文件夹 000012" (or "丢失的条目"), with " - P" or " - T" after it when
  // marked.
  QString FolderText(size_t folder) const;
  // "jpg (12)".
  QString CarvedTypeText(size_t type) const;

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
  std::vector<CarvedTypeNode> types_;
};

}  // namespace tarnwell::advanced
