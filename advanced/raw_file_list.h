#pragma once
// The advanced window's file list: the shared file-list model with its
// size column in "KB"/"MB" with a blank, and a second date column (last
// access) that the shared rows have no field for. Carved files have no
// stamps: for them that column is "起始扇区", the sector each begins at.
#include <cstdint>
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
  // Rows of carved files and, per row handle, the sector it begins at.
  void SetCarvedRows(std::vector<controls::FileRow> rows, std::unordered_map<const void*, uint64_t> sectors);
  void ClearRows();
  double Accessed(int row) const;
  // True while the rows are carved files.
  bool ShowsCarvedFiles() const { return carved_; }
  uint64_t StartSector(int row) const;
  // The text a cell shows (the size and access columns are this model's).
  QString CellText(int row, int column) const;

  // Stable sort on a column; factor -1 descending, +1 ascending. Sizes and
  // sectors are compared as full 64-bit numbers, stamps as date-time
  // values.
  void SortRaw(int column, int factor);

  QVariant data(const QModelIndex& index, int role) const override;

 private:
  void ShowCarvedColumn(bool carved);

  std::unordered_map<const void*, double> accessed_;
  std::unordered_map<const void*, uint64_t> sectors_;
  bool carved_ = false;
};

}  // namespace tarnwell::advanced
