// The advanced window's file tree and file list: showing a folder, the
// files of a type or the search results, sorting, properties and hex preview, opening a folder or
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
#include "advanced/carved_rows.h"
#include "advanced/folder_tree_model.h"
#include "advanced/raw_file_list.h"
#include "advanced/raw_rows.h"
#include "controls/entry_preview.h"
#include "controls/hex_page.h"
#include "controls/properties_page.h"
#include "controls/search_panel.h"
#include "controls/type_names.h"
#include "engine/fat/file_header_table.h"
#include "engine/scoped_flag.h"
#include "physical/physical_drive.h"
#include "physical/raw/raw_entry_kinds.h"
#include "platform/text_codec.h"

namespace tarnwell::advanced {
namespace {

// The list's last sort lives as long as the program: a window opened again
// sorts the way the previous one did.
controls::SortState& ListSortState() {
  static controls::SortState state;
  return state;
}

// Rows for found items, built in one go (no pumping: a fill must never run
// inside another), then shown folders first.
void SetRawRows(RawFileListModel& model, controls::TypeNameProvider& typeNames,
                const std::vector<engine::EntryHandle>& items, bool showFolders) {
  std::vector<controls::FileRow> rows;
  rows.reserve(items.size());
  std::unordered_map<const void*, double> accessed;
  accessed.reserve(items.size());
  const uint32_t folderType = model.PoolText(typeNames.FolderTypeName());
  const uint32_t deletedText = model.PoolText(QStringLiteral("已删除"));
  for (const engine::EntryHandle& item : items) {
    const RawRowValues v = RowValues(item);
    if (v.folder && !showFolders) continue;
    controls::FileRow row;
    row.handle = item.Item();
    row.tag = item.Kind();
    row.image = v.folder ? kRowFolder : kRowFile;
    row.name = v.name;
    row.text1 = v.folder ? folderType : model.PoolText(typeNames.FileTypeName(v.name));
    row.text2 = v.deleted ? deletedText : 0;
    row.size = v.size;
    row.date = v.created;
    accessed.emplace(item.Item(), v.accessed);
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
  const int64_t type = folderModel_->CarvedTypeOf(node);
  if (node == folderModel_->SearchIndex()) FillList(-1, true);
  else if (folder >= 0) FillList(folder, false);
  else if (folderModel_->IsCarvedRoot(node)) FillCarvedList(-1);
  else if (type >= 0) FillCarvedList(type);
  const FolderMark mark = folder >= 0 ? folderModel_->Mark(static_cast<size_t>(folder)) : FolderMark::kNone;
  statusPanel_->SetText(mark == FolderMark::kPartial ? platform::SystemText(" 部分恢复")
                        : mark == FolderMark::kTotal ? platform::SystemText(" 完全恢复")
                                                      : std::string());
}

int64_t TfrmAdvMain::SelectedFolder() const { return folderModel_->FolderOf(TreeView1->currentIndex()); }

// The rows are made in one go without pumping events: nothing can free the
// records they point at halfway, and 100,000 rows take milliseconds.
void TfrmAdvMain::FillList(int64_t folder, bool whole) {
  ListView1->setUpdatesEnabled(false);
  fileModel_->ClearRows();
  const physical::TPartiEntry* p = CurrentPartition();
  const bool ntfs = NtfsSelected();
  std::vector<engine::EntryHandle> items;
  if (p && whole) {
    items = physical::raw::MatchedItems(*selectedDrive_, ntfs);
  } else if (p && folder >= 0) {
    const auto at = static_cast<size_t>(folder);
    if (ntfs && at < p->ParentRefs.size())
      items = physical::raw::NtfsFolderItems(*selectedDrive_, p->ParentRefs[at]);
    else if (!ntfs && at < p->DirSectors.size())
      items = physical::raw::FatFolderItems(*selectedDrive_, p->DirSectors[at]);
  }
  SetRawRows(*fileModel_, *typeNames_, items, !ntfs || Showntfolder->isChecked());
  UpdateCountsPanel();
  ListView1->setUpdatesEnabled(true);
}

void TfrmAdvMain::FillCarvedList(int64_t type) {
  const physical::TPartiEntry* p = CurrentPartition();
  if (!p || !selectedDrive_) return;
  ListView1->setUpdatesEnabled(false);
  if (type >= static_cast<int64_t>(folderModel_->CarvedTypeCount())) {
    fileModel_->ClearRows();
  } else {
    const QString all;
    FillCarvedRows(*fileModel_, *typeNames_, *selectedDrive_, p->CarvedFiles,
                   type >= 0 ? folderModel_->CarvedType(static_cast<size_t>(type)).extension : all);
  }
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
  const engine::EntryHandle item = engine::EntryHandle::FromParts(r.tag, r.handle);
  ListView2->SetValue(kPropName, r.name);
  ListView2->SetValue(kPropType, fileModel_->CellText(row, kColumnType));
  ListView2->SetValue(kPropCreated, fileModel_->CellText(row, kColumnCreated));
  // A carved file's column there is its start sector, not a date.
  ListView2->SetValue(kPropAccessed,
                      fileModel_->ShowsCarvedFiles() ? QString() : fileModel_->CellText(row, kColumnAccessed));
  const RawProperties props = PropertiesOf(item);
  ListView2->SetValue(kPropSize, props.exactSize);
  ListView2->SetValue(kPropAllocated, props.allocated);
  ListView2->SetValue(kPropModified, props.modified);
  // A carved file has no entry, so no attributes: "N" would claim one.
  for (size_t i = 0; i < props.flags.size(); ++i)
    ListView2->SetValue(kPropFirstFlag + static_cast<int>(i),
                        fileModel_->ShowsCarvedFiles() ? QString() : props.flags[i]);

  if (Notebook1->currentIndex() == kPagePreview && !Busy()) {
    // The copy pumps events: nothing may start meanwhile.
    const engine::ScopedFlag running(running_);
    controls::ShowEntryPreview(*Preview, item, r.name);
  }
  if (r.image != kRowFile) return;
  if (!item.ReadPreview(hexPage_->Data())) {
    hexPage_->ShowFailure();
    return;
  }
  const QString extension = controls::FileExtension(r.name);
  std::optional<std::array<uint8_t, 2>> header;
  if (extension.size() >= 2)
    if (const auto known = engine::FindFileHeader(extension.toLower().toStdString())) header = known->header;
  hexPage_->ShowLoaded(extension, header);
}

int64_t TfrmAdvMain::FindFolderNode(uint64_t dirSector) const {
  const physical::TPartiEntry* p = CurrentPartition();
  if (!p) return -1;
  const size_t n = std::min(p->DirSectors.size(), folderModel_->FolderCount());
  for (size_t i = 0; i < n; ++i)
    if (p->DirSectors[i] == dirSector) return static_cast<int64_t>(i);
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
  // A cluster below 2 or an undetermined geometry has no sector (key 0):
  // such a folder is not located rather than matched to whatever lies at a
  // wrapped-around key.
  const uint64_t sector = engine::EntryHandle::FromParts(r.tag, r.handle).FolderKey();
  const int64_t folder = sector == 0 ? -1 : FindFolderNode(sector);
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
  // The folder node that lists the item: by parent record number (NTFS)
  // or by the sector its directory was found at (FAT).
  const uint64_t parent = engine::EntryHandle::FromParts(r.tag, r.handle).ParentKey();
  int64_t folder = -1;
  if (NtfsSelected()) {
    const size_t n = std::min(p->ParentRefs.size(), folderModel_->FolderCount());
    for (size_t i = 0; i < n && folder < 0; ++i)
      if (p->ParentRefs[i] == parent) folder = static_cast<int64_t>(i);
  } else {
    folder = FindFolderNode(parent);
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
  if (tab == kPageProperties || tab == kPageHex || tab == kPagePreview) ListView1Change();
  else if (tab == kPageFind) SearchPage->Reset();
}

}  // namespace tarnwell::advanced
