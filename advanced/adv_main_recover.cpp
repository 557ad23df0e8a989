// The advanced window's search, calibration and recovery.
#include <QAction>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTreeView>
#include <exception>
#include <set>
#include <optional>
#include <unordered_map>

#include "advanced/adv_main.h"
#include "advanced/adv_main_parts.h"
#include "advanced/folder_tree_model.h"
#include "advanced/raw_file_list.h"
#include "controls/event_log_view.h"
#include "controls/message_boxes.h"
#include "controls/recover_command.h"
#include "controls/remembered_destination.h"
#include "controls/search_panel.h"
#include "engine/entry_count.h"
#include "engine/recovery/output_path.h"
#include "engine/scoped_flag.h"
#include "physical/carve/carved_entry_kind.h"
#include "physical/physical_drive.h"
#include "physical/physical_window.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/found_lookup.h"
#include "physical/raw/recovery_report.h"
#include "platform/text_codec.h"

namespace tarnwell::advanced {
namespace {

// Holds the drive busy for a recovery or a calibration, so that the stop
// command is heard and no scan starts meanwhile.
class DriveBusy {
 public:
  explicit DriveBusy(physical::TPhysicalDrive& drive) : drive_(drive) { drive_.Busy = true; }
  ~DriveBusy() {
    drive_.Busy = false;
    drive_.StopRequested = false;
  }
  DriveBusy(const DriveBusy&) = delete;
  DriveBusy& operator=(const DriveBusy&) = delete;

 private:
  physical::TPhysicalDrive& drive_;
};

}  // namespace

void TfrmAdvMain::Button1Click() {
  physical::TPartiEntry* p = CurrentPartition();
  const QModelIndex node = TreeView1->currentIndex();
  if (Busy() || !p || !node.isValid()) return;
  const int64_t folder = folderModel_->FolderOf(node);
  const bool currentFolder = SearchPage->DeletedOnly->isChecked();
  if (currentFolder && folder < 0) return;
  const std::optional<controls::SearchRequest> request = SearchPage->Criteria();
  if (!request) return;
  int64_t key = -1;
  if (currentFolder) {
    const auto& keys = NtfsSelected() ? p->ParentRefs : p->DirSectors;
    if (static_cast<size_t>(folder) >= keys.size()) return;
    key = static_cast<int64_t>(keys[static_cast<size_t>(folder)]);
  }
  physical::raw::FilterItems(*selectedDrive_, NtfsSelected() ? physical::raw::kNtfsItem : 0,
                             FilterCriteriaOf(*request, key));
  SelectFolderNode(folderModel_->SearchIndex(), false);
  FillList(-1, true);
  history_.Add(folderModel_->AbsoluteIndex(folderModel_->SearchIndex()));
  UpdateHistoryButtons();
}

bool TfrmAdvMain::CalibrationDropAccepted() const {
  if (Busy() || NtfsSelected() || !CurrentPartition()) return false;
  const int row = SelectedRow();
  return row >= 0 && FatEntryOfRow(row);
}

const physical::FoundFatEntry* TfrmAdvMain::FatEntryOfRow(int row) const {
  const controls::FileRow& r = fileModel_->Row(row);
  return selectedDrive_->FatEntryOf(engine::EntryHandle::FromParts(r.tag, r.handle));
}

void TfrmAdvMain::CalibrationDrop(int box) {
  if (box < 0 || box > 1 || !CalibrationDropAccepted()) return;
  const controls::FileRow& row = fileModel_->Row(SelectedRow());
  const physical::FoundFatEntry* entry = FatEntryOfRow(SelectedRow());
  const physical::FoundFatEntry* other = calibration_[static_cast<size_t>(1 - box)];
  if (other && other->DirCluster == entry->DirCluster) {
    ShowBox(controls::BoxKind::kError, QStringLiteral("这两个文件不能位于同一目录中。"));
    return;
  }
  calibration_[static_cast<size_t>(box)] = entry;
  (box == 0 ? Edit2 : Edit3)->setText(row.name);
}

void TfrmAdvMain::AdjustExecute() {
  if (Busy() || !selectedDrive_ || !CurrentPartition() || !calibration_[0] || !calibration_[1]) return;
  bool calibrated = false;
  {
    engine::ScopedFlag running(running_);
    DriveBusy busy(*selectedDrive_);
    calibrated = physical::raw::CalibrateFat(*selectedDrive_, calibration_[0], calibration_[1]);
  }
  // Two files whose folders lie in the opposite order to their clusters
  // give no geometry: saying "finished" would hide that nothing changed.
  ShowGeometryStatus();
  if (calibrated)
    ShowBox(controls::BoxKind::kInformation, QStringLiteral("校正完成。"));
  else
    ShowBox(controls::BoxKind::kWarning,
            QStringLiteral("无法从这两个文件得出 FAT 的簇大小和数据区位置，校正未改变任何设置。"));
}

void TfrmAdvMain::MarkFolderRecovered(const engine::EntryHandle& folder) {
  physical::TPartiEntry* p = CurrentPartition();
  if (!p) return;
  std::unordered_map<uint64_t, size_t> nodeOfSector;
  const size_t nodes = std::min(p->DirSectors.size(), folderModel_->FolderCount());
  for (size_t i = 0; i < nodes; ++i) nodeOfSector.emplace(p->DirSectors[i], i);
  // Depth first over the found folders below, each entered once: deleted
  // folders can point back at one of their ancestors.
  std::set<uint64_t> visited;
  std::vector<engine::EntryHandle> pending{folder};
  while (!pending.empty()) {
    const engine::EntryHandle f = pending.back();
    pending.pop_back();
    // The sector where the folder's entries were found; 0: not placed.
    const uint64_t sector = f.FolderKey();
    if (sector == 0 || !visited.insert(sector).second) continue;
    const auto node = nodeOfSector.find(sector);
    if (node != nodeOfSector.end()) folderModel_->SetMark(node->second, FolderMark::kTotal);
    const std::vector<engine::EntryHandle> children = f.ChildRange();
    for (auto child = children.rbegin(); child != children.rend(); ++child)
      if (child->IsFolder()) pending.push_back(*child);
  }
}

void TfrmAdvMain::RecoverExecute() {
  physical::TPhysicalDrive* drive = selectedDrive_;
  physical::TPartiEntry* p = CurrentPartition();
  if (Busy() || !drive || !p) return;
  const std::vector<controls::RecoverItem> items = controls::CheckedItems(*fileModel_);
  engine::ScopedFlag running(running_);
  DriveBusy busy(*drive);
  SetBusyCursors(true);
  const bool ntfs = NtfsSelected();
  bool stopped = false;

  controls::RecoverSteps steps;
  steps.chooseDestination = [this](std::string* folder) {
    const std::string shared = controls::SharedSettingsFile(settingsPath_);
    *folder = controls::RememberedDestination(shared);
    if (!choosers_.destination(this, folder)) return false;
    controls::RememberDestination(shared, *folder);
    return true;
  };
  steps.askRoom = [this](const QString& question) {
    const bool goOn = ask_(this, question);
    if (!goOn) ListView3->Add(question.section('\n', 0, 0) + QStringLiteral(" 恢复已取消。"), physical::kLogFailure);
    return goOn;
  };
  steps.begin = [this] {
    statusPanel_->SetText(platform::SystemText(" 正在恢复 ..."));
    ListView3->Add(QStringLiteral("正在恢复 ..."), 0);
  };
  // The destination is held open for the whole recovery: everything is
  // made relative to it, so a link planted there is never followed.
  std::optional<engine::OutputFolder> destination;
  std::string openedFor;
  // Files found by type go into one folder per type, each made once for
  // the whole recovery.
  std::optional<physical::carve::CarvedFileRecovery> carved;
  steps.progressBar = ProgressBar1;
  steps.recoverOne = [&](const controls::RecoverItem& item, const std::string& chosen, engine::ProgressBar& itemProgress) {
    if (!destination || openedFor != chosen) {
      carved.reset();  // it writes into the folder about to be replaced
      destination = engine::OutputFolder::Open(chosen);
      openedFor = chosen;
    }
    if (!destination) {
      ListView3->Add(QStringLiteral("无法打开目标文件夹: ") + QString::fromStdString(chosen), physical::kLogFailure);
      stopped = true;
      return controls::RecoverTally{0, 1};
    }
    const engine::EntryHandle entry = engine::EntryHandle::FromParts(item.tag, item.handle);
    if (const physical::carve::CarvedFile* file = drive->CarvedFileOf(entry)) {
      if (!carved) carved.emplace(drive->DriveCode(), *destination, &drive->StopRequested);
      const engine::RecoverResult result =
          carved->Recover(*file, {*destination, *ListView3, *statusPanel_, itemProgress}, *pump_);
      // A stop cuts the copy of a large file short (its own line says so)
      // and ends the recovery.
      if (drive->StopRequested) {
        physical::raw::LogRecoveryStopped(*drive);
        stopped = true;
      }
      return controls::TallyOfItem(result, 1, 0);
    }
    // NTFS records found on their own have no known contents: their
    // folders are not recovered.
    if (ntfs && entry.IsFolder()) return controls::RecoverTally{};
    engine::RecoverResult result = engine::RecoverResult::kFailed;
    uint64_t overwritten = 0;
    try {
      result = entry.Recover({*destination, *ListView3, *statusPanel_, itemProgress, nullptr, &overwritten});
    } catch (const std::exception& e) {
      // One item that cannot be written does not end the recovery, but it
      // is said, and counted failed.
      ListView3->Add(controls::FromSystem(entry.Name()) + QStringLiteral(" - 恢复失败: ") +
                         controls::FromSystem(e.what()),
                     physical::kLogFailure);
    }
    stopped = result == engine::RecoverResult::kStopped;
    // " - T" claims the folder came back whole: not after a stop or a
    // failed item.
    if (entry.IsFolder() && result == engine::RecoverResult::kRecovered) MarkFolderRecovered(entry);
    const int64_t files =
        result == engine::RecoverResult::kRecovered ? static_cast<int64_t>(engine::CountFiles(entry)) : 0;
    return controls::TallyOfItem(result, files, overwritten);
  };
  steps.stopRequested = [&stopped] { return stopped; };
  steps.afterLoop = [this](const std::string& folder) {
    ListView3->Add(QStringLiteral("恢复已完成。"), 0);
    if (TabSet1->currentIndex() != kPageLog) TabSet1->setCurrentIndex(kPageLog);  // runs its handler
    else TabSet1Click(kPageLog);
    const int64_t node = SelectedFolder();
    if (node >= 0 && folderModel_->Mark(static_cast<size_t>(node)) == FolderMark::kNone)
      folderModel_->SetMark(static_cast<size_t>(node), FolderMark::kPartial);
    if (OpenDir->isChecked() && opener_ && !opener_(folder))
      ListView3->Add(QStringLiteral("无法在桌面中打开目标目录 ") + QString::fromStdString(folder), physical::kLogFailure);
  };
  steps.finish = [this](const controls::RecoverTally& tally, const QString& summary) {
    ListView3->Add(controls::RecoverTallyText(tally), tally.failed        ? physical::kLogFailure
                                                      : tally.overwritten ? physical::kLogHalted
                                                                          : 0);
    ShowGeometryStatus();
    SetBusyCursors(false);
    ShowBox(tally.failed || tally.overwritten ? controls::BoxKind::kWarning : controls::BoxKind::kInformation,
            summary);
  };
  controls::RunRecoverCommand(items, steps, showBox_, this,
                              QStringLiteral("0 个文件已选择，请选择您想要恢复的文件。\n"));
  SetBusyCursors(false);
}

}  // namespace tarnwell::advanced
