// The standard window's recover and search commands.
#include <QApplication>
#include <QTabBar>
#include <QTreeWidget>

#include "controls/event_log_view.h"
#include "controls/file_list_model.h"
#include "controls/recover_command.h"
#include "controls/remembered_destination.h"
#include "controls/search_panel.h"
#include "controls/status_bar_ex.h"
#include "engine/entry_count.h"
#include "engine/recovery/output_path.h"
#include "engine/recovery/recovery_log.h"
#include "engine/scoped_flag.h"
#include "engine/undelete.h"
#include "platform/text_codec.h"
#include "standard/quick_main.h"
#include "standard/recover_plan.h"

namespace tarnwell::standard {

void TfrmQuickMain::RecoverExecute() {
  if (!engine_ || Busy()) return;
  // The ticks as they are now: the loop works on this copy, whatever
  // happens to the list while the engine pumps events. Each entry is
  // written once, and ticks from several folders keep their paths.
  const std::vector<controls::RecoverItem> ticked = controls::CheckedItems(*ListModel);
  std::vector<engine::EntryHandle> handles;
  handles.reserve(ticked.size());
  for (const controls::RecoverItem& item : ticked) handles.push_back(engine::EntryHandle::FromParts(item.tag, item.handle));
  const RecoverPlan plan = PlanRecovery(handles);
  std::vector<controls::RecoverItem> items;
  items.reserve(plan.items.size());
  for (size_t i : plan.items) items.push_back(ticked[i]);
  std::unique_ptr<engine::ScopedFlag> busy;
  controls::RecoverSteps steps;
  steps.chooseDestination = [this](std::string* folder) {
    const std::string shared = controls::SharedSettingsFile(services_.settingsPath);
    *folder = controls::RememberedDestination(shared);
    if (!services_.selectDestination(this, folder)) return false;
    controls::RememberDestination(shared, *folder);
    return true;
  };
  steps.askRoom = [this](const QString& question) {
    const bool goOn = services_.ask(this, question);
    if (!goOn) Log(question.section('\n', 0, 0) + QStringLiteral(" 恢复已取消。"), engine::kLogError);
    return goOn;
  };
  steps.begin = [&] {
    // Busy for the whole loop: closing, drive changes, rescans and
    // navigation wait until the last row is written.
    busy = std::make_unique<engine::ScopedFlag>(engine_->Scanning);
    SetBusyCursor(true);
    engine_->StopRequested = false;
    SetStatus(0, QStringLiteral(" 正在恢复 ..."));
    Log(QStringLiteral("正在恢复 ..."), engine::kLogInformation);
  };
  steps.progressBar = ProgressBar1;
  steps.recoverOne = [this, keepPaths = plan.keepPaths](const controls::RecoverItem& item, const std::string& folder,
                                                        engine::ProgressBar& itemProgress) {
    const engine::EntryHandle entry = engine::EntryHandle::FromParts(item.tag, item.handle);
    // The copy takes the row's caption; each failure is in the log.
    const std::string name = platform::Utf8ToSystem(item.caption.toStdString());
    if (!entry.IsFolder()) SetStatus(1, " " + item.caption);
    std::optional<engine::OutputFolder> destination = engine::OpenDestination(folder, name, *ListView3);
    if (destination && keepPaths) {
      for (const std::string& above : FolderNamesAbove(entry)) {
        destination = engine::OpenOrMakeFolder(above, *destination);
        if (!destination) {
          Log(item.caption + QStringLiteral(":  无法创建目标文件"), engine::kLogError);
          break;
        }
      }
    }
    if (!destination) return controls::RecoverTally{0, 1};
    const std::string planned = engine::MakeUniquePath(name, destination->Path());
    uint64_t overwritten = 0;
    const engine::RecoverResult result =
        entry.Recover({*destination, *ListView3, *status1_, itemProgress, &name, &overwritten});
    LogRenamedCopy(item.caption, name, planned);
    const int64_t files =
        result == engine::RecoverResult::kRecovered ? static_cast<int64_t>(engine::CountFiles(entry)) : 0;
    return controls::TallyOfItem(result, files, overwritten);
  };
  steps.stopRequested = [this] { return engine_->StopRequested; };
  steps.afterLoop = [this](const std::string& folder) {
    if (N4->isChecked() && services_.opener && !services_.opener(folder))
      Log(QStringLiteral("无法在桌面中打开目标目录 ") + QString::fromStdString(folder), engine::kLogError);
  };
  steps.finish = [&](const controls::RecoverTally& tally, const QString& summary) {
    busy.reset();
    const bool stopped = engine_->StopRequested;
    Log(stopped ? QStringLiteral("恢复被用户终止") : QStringLiteral("恢复已完成。"),
        stopped ? engine::kLogStopped : engine::kLogInformation);
    Log(controls::RecoverTallyText(tally), tally.failed       ? engine::kLogError
                                           : tally.overwritten ? engine::kLogStopped
                                                               : engine::kLogInformation);
    SetStatus(0, QStringLiteral(" 目录"));
    SetStatus(1, " " + GetNodePath(TreeView1->currentItem()));
    TabSet1->setCurrentIndex(3);
    SetBusyCursor(false);
    services_.showBox(this, tally.failed || tally.overwritten ? controls::BoxKind::kWarning
                                                              : controls::BoxKind::kInformation,
                      summary);
  };
  controls::RunRecoverCommand(items, steps, services_.showBox, this,
                              QStringLiteral("0 个文件已选择，请选择您想要恢复的文件。\n"));
}

void TfrmQuickMain::LogRenamedCopy(const QString& caption, const std::string& systemName,
                                   const std::string& plannedPath) {
  // Nothing is overwritten: a name already taken in the destination gets
  // "_1", "_2", ... and the user is told which.
  const std::string chosen = plannedPath.substr(plannedPath.find_last_of('/') + 1);
  if (plannedPath.empty() || chosen == engine::PreferredOutputName(systemName)) return;
  Log(QStringLiteral("“%1” 在目标目录中已存在，恢复的副本保存为 “%2”").arg(caption, QString::fromStdString(chosen)),
      engine::kLogInformation);
}

void TfrmQuickMain::Button1Click() {
  QTreeWidgetItem* node = TreeView1->currentItem();
  // A running scan owns the lists.
  if (!engine_ || Busy() || !node) return;
  if (!engine_->CurrentDrive || !NodeEntry(ScanRootNode)) return;
  const std::optional<controls::SearchRequest> request = SearchPage->Criteria();
  if (!request) return;
  // From "查找结果", where every search leaves the user, a new search
  // looks where the previous one did and replaces its results.
  if (node != SearchNode) {
    searchKey_ = node == ScanRootNode ? -1 : static_cast<int64_t>(NodeEntry(node).FolderKey());
    searchPlace_ = node == ScanRootNode ? QString() : GetNodePath(node);
  }
  engine::TSearchCriteria criteria;
  criteria.Names = platform::Utf8ToSystem(request->names.toStdString());
  criteria.CaseSensitive = request->caseSensitive;
  criteria.DeletedOnly = request->deletedOnly;
  criteria.FolderKey = searchKey_;
  criteria.SizeMin = request->sizeMin;
  criteria.SizeMax = request->sizeMax;
  criteria.DateFrom = request->dateFrom;
  criteria.DateTo = request->dateTo;
  criteria.DateKind = request->dateKind;
  engine_->SearchResults.clear();
  ShowSearchPlace();
  {
    engine::ScopedFlag busy(engine_->Scanning);
    // What was found before a failure is still listed; the log says the
    // list is not complete.
    if (!engine_->Search(criteria))
      Log(QStringLiteral("搜索未能完成，只列出了失败前找到的条目。"), engine::kLogError);
  }
  qDeleteAll(SearchNode->takeChildren());
  if (TreeView1->currentItem() == SearchNode)
    TreeView1Change(SearchNode, true);
  else
    TreeView1->setCurrentItem(SearchNode);
}

void TfrmQuickMain::ShowSearchPlace() {
  QTreeWidgetItem* node = TreeView1->currentItem();
  if (!engine_ || !engine_->CurrentDrive || !NodeEntry(ScanRootNode) || !node) {
    SearchPage->SetSearchPlace({});
    return;
  }
  const QString whole = GetNodePath(ScanRootNode) + QStringLiteral(" (整个驱动器)");
  if (node == SearchNode)
    SearchPage->SetSearchPlace(searchPlace_.isEmpty() ? whole : searchPlace_);
  else
    SearchPage->SetSearchPlace(node == ScanRootNode ? whole : GetNodePath(node));
}

}  // namespace tarnwell::standard
