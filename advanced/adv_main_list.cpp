// The advanced window's file tree and file list: showing a folder or the
// search results, sorting, properties and hex preview, opening a folder or
// the parent folder, and the history.
#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeView>
#include <algorithm>
#include <unordered_map>

#include "advanced/adv_main.h"
#include "advanced/folder_tree_model.h"
#include "advanced/raw_file_list.h"
#include "advanced/raw_rows.h"
#include "controls/hex_page.h"
#include "controls/properties_page.h"
#include "controls/search_panel.h"
#include "controls/type_names.h"
#include "engine/fat/file_header_table.h"
#include "physical/physical_drive.h"
#include "physical/raw/directory_chunk.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/found_lookup.h"
#include "platform/text_codec.h"

namespace tarnwell::advanced {
namespace {

// The list's last sort lives as long as the program: a window opened again
// sorts the way the previous one did.
controls::SortState& ListSortState() {
  static controls::SortState state;
  return state;
}

// Rows for found FAT entries or NTFS records, built in one go (no pumping:
// a fill must never run inside another), then shown folders first.
template <typename Item, typename Values>
void SetRawRows(RawFileListModel& model, controls::TypeNameProvider& typeNames, const std::vector<const Item*>& items,
                int kind, bool showFolders, Values valuesOf) {
  std::vector<controls::FileRow> rows;
  rows.reserve(items.size());
  std::unordered_map<const void*, double> accessed;
  accessed.reserve(items.size());
  const uint32_t folderType = model.PoolText(typeNames.FolderTypeName());
  for (const Item* item : items) {
    const RawRowValues v = valuesOf(*item);
    if (v.folder && !showFolders) continue;
    controls::FileRow row;
    row.handle = item;
    row.kind = kind;
    row.image = v.folder ? kRowFolder : kRowFile;
    row.name = v.name;
    row.text1 = v.folder ? folderType : model.PoolText(typeNames.FileTypeName(v.name));
    row.size = v.size;
    row.date = v.created;
    accessed.emplace(item, v.accessed);
    rows.push_back(std::move(row));
  }
  model.SetRawRows(std::move(rows), std::move(accessed));
  model.SortByImage();
}

// Property rows that every kind fills from the list row.
enum PropertyRow : int {
  kPropName = 1, kPropType = 2, kPropSize = 3, kPropAllocated = 4, kPropCreated = 5, kPropModified = 6,
  kPropAccessed = 7, kPropFirstFlag = 10,
};

}  // namespace

int TfrmAdvMain::SortStateValue() { return ListSortState().Value(); }

const std::array<uint8_t, 2048>& TfrmAdvMain::HexBuffer() const { return hexPage_->Data(); }

void TfrmAdvMain::UpdateHistoryButtons() {
  Backward->setEnabled(history_.CanGoBack());
  Forward->setEnabled(history_.CanGoForward());
}

void TfrmAdvMain::UpdateCountsPanel() {
  int files = 0, folders = 0;
  for (int i = 0; i < fileModel_->RowCount(); ++i)
    (fileModel_->Row(i).image == kRowFolder ? folders : files) += 1;
  StatusBarEx1->SetPanelText(2, QStringLiteral(" %1 个文件，%2 个文件夹").arg(files).arg(folders));
}

void TfrmAdvMain::SelectFolderNode(const QModelIndex& index, bool record) {
  reverting_ = true;
  TreeView1->setCurrentIndex(index);
  reverting_ = false;
  if (record) TreeView1Change();
}

void TfrmAdvMain::TreeView1Changing(const QModelIndex& now, const QModelIndex& before) {
  if (reverting_) return;
  // The scan-results node is never chosen; nothing is while a running pass
  // may free the records the list would show.
  if (Busy() || now == folderModel_->ScanRootIndex()) {
    reverting_ = true;
    TreeView1->setCurrentIndex(before);
    reverting_ = false;
    return;
  }
  TreeView1Change();
}

void TfrmAdvMain::TreeView1Change() {
  const QModelIndex node = TreeView1->currentIndex();
  if (!CurrentPartition() || !node.isValid() || Busy()) return;
  ShowFolderNode(node);
  history_.Add(folderModel_->AbsoluteIndex(node));
  UpdateHistoryButtons();
}

void TfrmAdvMain::ShowFolderNode(const QModelIndex& node) {
  if (!CurrentPartition() || !node.isValid()) return;
  const int64_t folder = folderModel_->FolderOf(node);
  if (node == folderModel_->SearchIndex()) FillList(-1, true);
  else if (folder >= 0) FillList(folder, false);
  const FolderMark mark = folder >= 0 ? folderModel_->Mark(static_cast<size_t>(folder)) : FolderMark::kNone;
  statusPanel_->SetText(mark == FolderMark::kPartial ? platform::SystemText(" 部分恢复")
                        : mark == FolderMark::kTotal ? platform::SystemText(" 完全恢复")
                                                      : std::string());
}

int64_t TfrmAdvMain::SelectedFolder() const { return folderModel_->FolderOf(TreeView1->currentIndex()); }

void TfrmAdvMain::FillList(int64_t folder, bool whole) {
  if (NtfsSelected()) FillNtfsList(folder, whole);
  else FillFatList(folder, whole);
}

// The rows are made in one go without pumping events: nothing can free the
// records they point at halfway, and 100,000 rows take milliseconds.
void TfrmAdvMain::FillFatList(int64_t folder, bool whole) {
  ListView1->setUpdatesEnabled(false);
  fileModel_->ClearRows();
  const physical::TPartiEntry* p = CurrentPartition();
  std::vector<const physical::TMidEntry*> items;
  if (p && whole) {
    items.assign(p->FatMatches.begin(), p->FatMatches.end());
  } else if (p && folder >= 0 && static_cast<size_t>(folder) < p->DirSectors.size()) {
    int first = -1, last = -1;
    const uint32_t sector = static_cast<uint32_t>(p->DirSectors[static_cast<size_t>(folder)]);
    if (physical::raw::FindFatFolderRange(*selectedDrive_, sector, first, last))
      for (int i = first; i <= last; ++i) items.push_back(p->FatEntries[static_cast<size_t>(i)].get());
  }
  SetRawRows(*fileModel_, *typeNames_, items, kRowFat, true, [](const physical::TMidEntry& e) { return FatRowValues(e); });
  UpdateCountsPanel();
  ListView1->setUpdatesEnabled(true);
}

void TfrmAdvMain::FillNtfsList(int64_t folder, bool whole) {
  ListView1->setUpdatesEnabled(false);
  fileModel_->ClearRows();
  const physical::TPartiEntry* p = CurrentPartition();
  std::vector<const engine::tntfsfilerecord*> items;
  if (p && whole) {
    items.assign(p->NtfsMatches.begin(), p->NtfsMatches.end());
  } else if (p && folder >= 0 && static_cast<size_t>(folder) < p->ParentRefs.size()) {
    int first = -1, last = -1;
    physical::raw::FindNtfsFolderRange(p->NtfsRecords, p->ParentRefs[static_cast<size_t>(folder)], first, last);
    for (int i = first; first >= 0 && i <= last; ++i) items.push_back(p->NtfsRecords[static_cast<size_t>(i)].get());
  }
  SetRawRows(*fileModel_, *typeNames_, items, kRowNtfs, Showntfolder->isChecked(),
             [](const engine::tntfsfilerecord& r) { return NtfsRowValues(r); });
  UpdateCountsPanel();
  ListView1->setUpdatesEnabled(true);
}

void TfrmAdvMain::ListView1ColumnClick(int column) {
  if (column < 0 || column >= fileModel_->columnCount()) return;
  controls::SortState& state = ListSortState();
  const int factor = state.Click(column);
  fileModel_->SetSortMark(column, state.Descending());
  fileModel_->SortRaw(column, factor);
}

std::vector<int> TfrmAdvMain::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& i : ListView1->selectionModel()->selectedRows()) rows.push_back(i.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int TfrmAdvMain::SelectedRow() const {
  const std::vector<int> rows = SelectedRows();
  return rows.size() == 1 ? rows.front() : -1;
}

void TfrmAdvMain::ListView1Change() {
  const int row = SelectedRow();
  if (row < 0 || !CurrentPartition()) return;
  const controls::FileRow& r = fileModel_->Row(row);
  ListView2->SetValue(kPropName, r.name);
  ListView2->SetValue(kPropType, fileModel_->CellText(row, kColumnType));
  ListView2->SetValue(kPropCreated, fileModel_->CellText(row, kColumnCreated));
  ListView2->SetValue(kPropAccessed, fileModel_->CellText(row, kColumnAccessed));
  const RawProperties props =
      r.kind == kRowNtfs ? NtfsProperties(*static_cast<const engine::tntfsfilerecord*>(r.handle))
                         : FatProperties(*static_cast<const physical::TMidEntry*>(r.handle),
                                         CurrentPartition()->FatClusterSectors);
  ListView2->SetValue(kPropSize, props.exactSize);
  ListView2->SetValue(kPropAllocated, props.allocated);
  ListView2->SetValue(kPropModified, props.modified);
  for (size_t i = 0; i < props.flags.size(); ++i)
    ListView2->SetValue(kPropFirstFlag + static_cast<int>(i), props.flags[i]);

  if (r.image != kRowFile) return;
  auto& buffer = hexPage_->Data();
  const bool read = r.kind == kRowNtfs
                        ? physical::raw::ReadItemStart(*selectedDrive_,
                                                       *static_cast<const engine::tntfsfilerecord*>(r.handle), buffer)
                        : physical::raw::ReadItemStart(*selectedDrive_,
                                                       *static_cast<const physical::TMidEntry*>(r.handle), buffer);
  if (!read) {
    hexPage_->ShowFailure();
    return;
  }
  const QString extension = controls::FileExtension(r.name);
  std::optional<std::array<uint8_t, 2>> header;
  if (extension.size() >= 2)
    if (const auto known = engine::FindFileHeader(extension.toLower().toStdString())) header = known->header;
  hexPage_->ShowLoaded(extension, header);
}

int64_t TfrmAdvMain::FatFolderOfCluster(uint32_t cluster) const {
  const physical::TPartiEntry* p = CurrentPartition();
  if (!p) return -1;
  // A cluster below 2 or an undetermined geometry has no sector: such a
  // folder is not located rather than matched to whatever lies at a
  // wrapped-around key.
  const std::optional<uint64_t> sector = physical::raw::ClusterSector(*p, cluster);
  if (!sector) return -1;
  return FindFolderNode(*sector);
}

int64_t TfrmAdvMain::FindFolderNode(uint64_t dirSector) const {
  const physical::TPartiEntry* p = CurrentPartition();
  if (!p || dirSector > UINT32_MAX) return -1;
  const size_t n = std::min(p->DirSectors.size(), folderModel_->FolderCount());
  for (size_t i = 0; i < n; ++i)
    if (static_cast<uint32_t>(p->DirSectors[i]) == dirSector) return static_cast<int64_t>(i);
  return -1;
}

void TfrmAdvMain::ListView1DblClick() {
  const int row = SelectedRow();
  if (row < 0 || Busy() || !CurrentPartition()) return;
  const controls::FileRow& r = fileModel_->Row(row);
  if (r.image != kRowFolder) return;
  if (NtfsSelected()) {
    ShowBox(controls::BoxKind::kWarning, QStringLiteral("在“高级恢复”模式中无法打开 NTFS 目录。"));
    return;
  }
  const auto& entry = *static_cast<const physical::TMidEntry*>(r.handle);
  const int64_t folder =
      FatFolderOfCluster(physical::raw::EntryCluster(entry.DirEntry, CurrentPartition()->FatKind));
  if (folder < 0) {
    ShowBox(controls::BoxKind::kWarning,
            QStringLiteral("无法定位该目录。该目录可能已经损坏，或者您已经终止了扫\n描进程。"));
    return;
  }
  SelectFolderNode(folderModel_->FolderIndex(static_cast<size_t>(folder)), true);
}

void TfrmAdvMain::acToParentExecute() {
  const std::vector<int> rows = SelectedRows();
  const physical::TPartiEntry* p = CurrentPartition();
  if (rows.empty() || !p || Busy()) return;
  const controls::FileRow& r = fileModel_->Row(rows.front());
  int64_t folder = -1;
  if (r.kind == kRowNtfs) {
    const uint64_t parent = physical::raw::ParentReference(*static_cast<const engine::tntfsfilerecord*>(r.handle));
    const size_t n = std::min(p->ParentRefs.size(), folderModel_->FolderCount());
    for (size_t i = 0; i < n && folder < 0; ++i)
      if (p->ParentRefs[i] == parent) folder = static_cast<int64_t>(i);
  } else {
    folder = FindFolderNode(static_cast<const physical::TMidEntry*>(r.handle)->DirSector);
  }
  if (folder >= 0) SelectFolderNode(folderModel_->FolderIndex(static_cast<size_t>(folder)), true);
}

void TfrmAdvMain::ShowHistoryPosition(int32_t position) {
  // A position from before the folder nodes were rebuilt may point past
  // the tree: ignored.
  const QModelIndex node = folderModel_->FromAbsoluteIndex(position);
  if (position <= 0 || !node.isValid()) return;
  SelectFolderNode(node, false);
  ShowFolderNode(node);
}

void TfrmAdvMain::BackwardExecute() {
  if (Busy()) return;
  if (history_.CanGoBack()) ShowHistoryPosition(history_.GoBack());
  UpdateHistoryButtons();
}

void TfrmAdvMain::ForwardExecute() {
  if (Busy()) return;
  if (history_.CanGoForward()) ShowHistoryPosition(history_.GoForward());
  UpdateHistoryButtons();
}

void TfrmAdvMain::ShowntfolderClick() {
  if (Busy()) {
    Showntfolder->setChecked(!Showntfolder->isChecked());  // refused: the list stays as it is
    return;
  }
  if (NtfsSelected()) ShowFolderNode(TreeView1->currentIndex());
}

void TfrmAdvMain::Check1Click(bool checked) {
  for (int row : SelectedRows()) fileModel_->SetChecked(row, checked);
}

void TfrmAdvMain::Checkall1Click(bool checked) { fileModel_->SetAllChecked(checked); }

void TfrmAdvMain::TabSet1Click(int tab) {
  Panel5->clear();
  Notebook1->setCurrentIndex(tab);
  if (tab == kPageProperties || tab == kPageHex) ListView1Change();
  else if (tab == kPageFind) SearchPage->Reset();
}

}  // namespace tarnwell::advanced
