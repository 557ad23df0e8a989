// The standard window's file list and the pages that describe its rows.
#include <QItemSelectionModel>
#include <QLabel>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QTreeWidget>

#include "controls/display_format.h"
#include "controls/entry_preview.h"
#include "controls/file_list_model.h"
#include "controls/hex_page.h"
#include "controls/properties_page.h"
#include "controls/search_panel.h"
#include "controls/status_bar_ex.h"
#include "engine/ascii_text.h"
#include "engine/fat/file_header_table.h"
#include "engine/scoped_flag.h"
#include "engine/undelete.h"
#include "standard/quick_main.h"

namespace tarnwell::standard {
namespace {

enum PropertyRow {
  kRowName = 1, kRowType = 2, kRowSize = 3, kRowAllocated = 4, kRowCreated = 5,
  kRowModified = 6, kRowAccessed = 7, kRowDataState = 8, kRowReadOnly = 10, kRowSystem = 11,
  kRowArchive = 12, kRowHidden = 13, kRowCompressed = 14,
};
enum Page { kPropertiesPage = 0, kHexPage = 1, kSearchPage = 2, kLogPage = 3, kPreviewPage = 4 };

QString Flag(uint32_t attributes, uint32_t bit) {
  return (attributes & bit) ? QStringLiteral("Y") : QString();
}

}  // namespace

std::vector<int> TfrmQuickMain::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& i : ListView1->selectionModel()->selectedRows()) rows.push_back(i.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

engine::EntryHandle TfrmQuickMain::RowEntry(int row) const {
  if (row < 0 || row >= ListModel->RowCount()) return {};
  return HandleOfRow(ListModel->Row(row));
}

void TfrmQuickMain::FillFileList(QTreeWidgetItem* node) {
  const bool results = node == SearchNode;
  ListModel->Clear();
  ListModel->SetColumnCaption(1, results ? QStringLiteral("位置") : QStringLiteral("类型"));
  const engine::TLogiDrive* drive = engine_->CurrentDrive;
  if (!drive) return;
  controls::TypeNameProvider& types = *services_.typeNames;
  std::vector<controls::FileRow> rows;
  if (results) {
    const QString driveName = QString::fromStdString(drive->DriveName);
    for (const engine::EntryHandle& e : engine_->SearchResults) {
      const QString location = driveName + controls::FromSystem(e.FolderPath());
      rows.push_back(MakeFileRow(e, *ListModel, types, &location));
    }
  } else {
    const std::vector<engine::EntryHandle> children = NodeEntry(node).ChildRange();
    if (children.empty()) {
      ListModel->SetRows({});
      return;
    }
    rows.reserve(children.size());
    for (const engine::EntryHandle& e : children) rows.push_back(MakeFileRow(e, *ListModel, types, nullptr));
  }
  ListModel->SetRows(std::move(rows));
  ListModel->SortByImage();
  ListModel->SetSortMark(-1, false);
  // Laid out now, not from the view's zero-delay timer: that runs after
  // the first paint of the new rows and has them painted a second time.
  ListView1->doItemsLayout();
}

void TfrmQuickMain::UpdateCountsPanel() {
  SetStatus(2, QStringLiteral(" %1 个条目 < 已删除: %2 个条目 >")
                   .arg(ListModel->RowCount())
                   .arg(ListModel->MarkedCount()));
}

void TfrmQuickMain::ListView1ColumnClick(int column) {
  // Sorting reorders rows a running scan's repaint may be showing.
  if (Busy()) return;
  const int factor = SortState().Click(column);
  ListModel->SetSortMark(column, SortState().Descending());
  ListModel->SortByColumn(column, factor);
}

void TfrmQuickMain::Check1Click(bool checked) {
  for (int row : SelectedRows()) ListModel->SetChecked(row, checked);
}

void TfrmQuickMain::Checkall1Click(bool checked) { ListModel->SetAllChecked(checked); }

void TfrmQuickMain::CheckDeletedInFolder() {
  if (!Busy()) ListModel->CheckMarkedRows();
}

void TfrmQuickMain::CheckDeletedInVolume() {
  if (!engine_ || Busy() || !engine_->CurrentDrive || !NodeEntry(ScanRootNode)) return;
  // The engine's search fills its result list; the results the user sees
  // on "查找结果" are put back afterwards.
  std::vector<engine::EntryHandle> shownResults = std::move(engine_->SearchResults);
  engine_->SearchResults.clear();
  engine::TSearchCriteria criteria;
  criteria.DeletedOnly = true;
  {
    engine::ScopedFlag busy(engine_->Scanning);
    (void)engine_->Search(criteria);  // what it found before a failure is still ticked
  }
  std::vector<controls::TickedRecord> records;
  records.reserve(engine_->SearchResults.size());
  for (const engine::EntryHandle& e : engine_->SearchResults)
    records.push_back({e.Item(), e.Kind(), EntryListImage(e), controls::FromSystem(e.Name())});
  engine_->SearchResults = std::move(shownResults);
  ListModel->TickRecords(records);
}

int TfrmQuickMain::TickedCount() const {
  int count = ListModel->TickCount();
  for (const auto& [drive, ticks] : parkedTicks_) count += static_cast<int>(ticks.size());
  return count;
}

void TfrmQuickMain::UpdateTicksPanel() { SetStatus(3, QStringLiteral(" 已选择 %1 个条目").arg(TickedCount())); }

void TfrmQuickMain::ParkTicks() {
  if (!engine_ || !engine_->CurrentDrive) return;
  std::vector<controls::TickedRecord> ticks = ListModel->Ticks();
  if (!ticks.empty()) parkedTicks_[engine_->CurrentDrive] = std::move(ticks);
  ListModel->ForgetTicks();
}

void TfrmQuickMain::RestoreTicks() {
  if (!engine_ || !engine_->CurrentDrive) return;
  const auto parked = parkedTicks_.find(engine_->CurrentDrive);
  if (parked == parkedTicks_.end()) return;
  const std::vector<controls::TickedRecord> ticks = std::move(parked->second);
  parkedTicks_.erase(parked);
  ListModel->TickRecords(ticks);
}

void TfrmQuickMain::ListView1Click() {
  if (Busy() || !engine_ || !engine_->CurrentDrive) return;
  const std::vector<int> rows = SelectedRows();
  if (rows.size() != 1) return;
  if (Notebook1->currentIndex() == kPropertiesPage) ShowProperties(rows[0]);
  if (Notebook1->currentIndex() == kHexPage) ShowHex(rows[0]);
  if (Notebook1->currentIndex() == kPreviewPage) ShowPreview(rows[0]);
}

void TfrmQuickMain::ShowPreview(int row) {
  // The copy pumps events: nothing may start meanwhile.
  const engine::ScopedFlag busy(engine_->Scanning);
  controls::ShowEntryPreview(*Preview, RowEntry(row), ListModel->Row(row).name);
}

void TfrmQuickMain::ShowProperties(int row) {
  const engine::EntryHandle entry = RowEntry(row);
  const bool results = TreeView1->currentItem() == SearchNode;
  ListView2->SetCaption(kRowType, results ? QStringLiteral("位置") : QStringLiteral("类型"));
  ListView2->SetValue(kRowName, ListModel->Text(row, 0));
  ListView2->SetValue(kRowType, ListModel->Text(row, 1));
  ListView2->SetValue(kRowCreated, ListModel->Text(row, 4));
  ListView2->SetValue(kRowModified, controls::FormatListDateTime(entry.Stamp(engine::kDateModified)));
  const engine::EntryProperties p = entry.Properties();
  const double accessed = entry.Stamp(engine::kDateAccessed);
  ListView2->SetValue(kRowSize, QString::number(entry.Size()));
  ListView2->SetValue(kRowAllocated, QString::number(p.allocated));
  ListView2->SetValue(kRowAccessed, p.accessDateOnly ? controls::FormatListDate(accessed)
                                                     : controls::FormatListDateTime(accessed));
  ListView2->SetValue(kRowReadOnly, Flag(p.attributes, 0x01));
  ListView2->SetValue(kRowSystem, Flag(p.attributes, 0x04));
  ListView2->SetValue(kRowArchive, Flag(p.attributes, 0x20));
  ListView2->SetValue(kRowHidden, Flag(p.attributes, 0x02));
  ListView2->SetValue(kRowCompressed, p.keepsCompressedFlag ? Flag(p.attributes, 0x800) : QString());
  ListView2->SetValue(kRowDataState, RecoverabilityText(entry.Recoverable()));
}

void TfrmQuickMain::ShowHex(int row) {
  const controls::FileRow& r = ListModel->Row(row);
  if (r.image != kImageFile && r.image != kImageDeletedFile) return;  // folders: unchanged
  if (!RowEntry(row).ReadPreview(Hex->Data())) {
    Hex->ShowFailure();
    return;
  }
  const QString extension = controls::FileExtension(r.name);
  std::optional<std::array<uint8_t, 2>> header;
  if (extension.size() >= 2) {
    if (auto found = engine::FindFileHeader(engine::LowerAscii(extension.toStdString())))
      header = found->header;
  }
  Hex->ShowLoaded(extension, header);
}

void TfrmQuickMain::TabSet1Click(int index) {
  Panel19->clear();
  if (index == kSearchPage) SearchPage->Reset();
  Notebook1->setCurrentIndex(index);
  if (TabSet1->currentIndex() != index) {
    const QSignalBlocker block(TabSet1);
    TabSet1->setCurrentIndex(index);
  }
  if (index == kPropertiesPage || index == kHexPage || index == kPreviewPage) ListView1Click();
}

}  // namespace tarnwell::standard
