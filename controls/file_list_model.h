#pragma once
// The file list of a recovery window. Each row describes one found entry:
// an opaque handle with a tag saying what kind of record it points at (the
// two words of the window's entry handle),
// the texts and sort keys taken when the row was made, and the check
// state. Nothing here ever follows a handle: the views repaint while a
// scan pumps events, when the records behind the rows may already be gone.
#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QIcon>
#include <QString>
#include <cstdint>
#include <vector>

namespace tarnwell::controls {

// What a column shows, and what it sorts by.
enum class ColumnKind : uint8_t {
  kName,   // FileRow::name, compared lower-cased
  kText1,  // pooled text 1 (type or location), compared lower-cased
  kText2,  // pooled text 2 (status), compared lower-cased
  kSize,   // FormatSize of FileRow::size, compared as numbers
  kDate,   // FormatListDateTime of FileRow::date, compared as numbers
};

struct FileListColumn {
  QString caption;
  ColumnKind kind;
};

struct FileRow {
  const void* handle = nullptr;  // the window's record; never dereferenced here
  const void* tag = nullptr;     // the window's tag for the record type
  uint8_t image = 0;             // index into the model's icon set
  bool checked = false;
  uint32_t text1 = 0;  // indexes into the model's text pool
  uint32_t text2 = 0;
  QString name;
  int64_t size = 0;
  double date = 0;
};

// A ticked record, as much as a command needs to act on it when its row is
// no longer shown.
struct TickedRecord {
  const void* handle = nullptr;
  const void* tag = nullptr;
  uint8_t image = 0;
  QString caption;
};

class FileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  FileListModel(std::vector<FileListColumn> columns, std::vector<QIcon> icons,
                QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Rows are made in two steps: texts go into the pool first (equal texts
  // share one copy, so a type name or a search location costs a row four
  // bytes), then the rows replace the list at once.
  void Clear();
  uint32_t PoolText(const QString& text);
  void SetRows(std::vector<FileRow> rows);

  const FileRow& Row(int row) const { return rows_[static_cast<size_t>(row)]; }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  QString Text(int row, int column) const;
  const QString& Pooled(uint32_t index) const { return pool_[index]; }

  void SetColumnCaption(int column, const QString& caption);
  // The sort mark of the header: -1 for no column.
  void SetSortMark(int column, bool descending);
  void SetSortMarkIcons(QIcon ascending, QIcon descending);

  // Stable sort on a column; factor -1 sorts descending, +1 ascending.
  void SortByColumn(int column, int factor);
  // Folders before files, each in the order of the icon set (the order a
  // freshly filled list takes).
  void SortByImage();

  void SetChecked(int row, bool checked);
  void SetAllChecked(bool checked);
  // Ticks rows whose status text is not empty (deleted or damaged).
  void CheckMarkedRows();
  std::vector<int> CheckedRows() const;

  // Ticks kept per record across refills, for a window whose user moves
  // between folders, searches and sorts before recovering: a row made for
  // a ticked record comes back ticked, and the ticks of rows no longer
  // shown still count. Off by default: the rows shown are all there is.
  void KeepTicksAcrossFills(bool keep) { keepTicks_ = keep; }
  // Every tick (kept, or the checked rows when ticks are not kept), in the
  // order they were made.
  std::vector<TickedRecord> Ticks() const;
  int TickCount() const;
  // Ticks records whether their rows are shown or not (kept ticks only).
  void TickRecords(const std::vector<TickedRecord>& records);
  // Drops every tick: the records behind them are about to go.
  void ForgetTicks();
  // Rows whose second pooled text (status) is not empty.
  int MarkedCount() const;

  // Alternating row colours (odd rows, even rows).
  void SetRowColours(QColor odd, QColor even);

 signals:
  // A tick was set or cleared, by the user or a command.
  void TicksChanged();

 private:
  template <typename Less>
  void StableSort(Less less);
  int CompareColumn(const FileRow& a, const FileRow& b, int column) const;
  void KeepTick(const FileRow& row);

  struct KeptTick {
    TickedRecord record;
    uint64_t order = 0;
  };
  bool keepTicks_ = false;
  QHash<const void*, KeptTick> kept_;
  uint64_t nextTick_ = 0;

  std::vector<FileListColumn> columns_;
  std::vector<QIcon> icons_;
  std::vector<FileRow> rows_;
  std::vector<QString> pool_;
  QHash<QString, uint32_t> poolIndex_;
  int markColumn_ = -1;
  bool markDescending_ = false;
  QIcon ascendingMark_, descendingMark_;
  QColor oddColour_{244, 244, 255};
  QColor evenColour_{255, 255, 255};
};

}  // namespace tarnwell::controls
