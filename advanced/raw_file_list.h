#pragma once
// The advanced window's file list: the shared file-list model with its
// size column in "KB"/"MB" with a blank, and a second date column (last
// access) that the shared rows have no field for.
#include <unordered_map>
#include <vector>

#include "controls/file_list_model.h"

namespace tarnwell::advanced {

// Row images: 0 folder, 1 file.
enum RawRowImage : uint8_t { kRowFolder = 0, kRowFile = 1 };

inline constexpr int kColumnName = 0, kColumnType = 1, kColumnSize = 2, kColumnCreated = 3,
                     kColumnAccessed = 4, kColumnState = 5;

class RawFileListModel final : public controls::FileListModel {
  Q_OBJECT

 public:
  explicit RawFileListModel(QObject* parent = nullptr);

  // The rows and, per row handle, the last-access stamp.
  void SetRawRows(std::vector<controls::FileRow> rows, std::unordered_map<const void*, double> accessed);
  void ClearRows();
  double Accessed(int row) const;
  // The text a cell shows (the size and access columns are this model's).
  QString CellText(int row, int column) const;

  // Stable sort on a column; factor -1 descending, +1 ascending. Sizes are
  // compared as full 64-bit numbers, stamps as date-time values.
  void SortRaw(int column, int factor);

  QVariant data(const QModelIndex& index, int role) const override;

 private:
  std::unordered_map<const void*, double> accessed_;
};

}  // namespace tarnwell::advanced
