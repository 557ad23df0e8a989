#include "controls/recover_command.h"

#include <QProgressBar>

#include <algorithm>

#include "engine/entry_count.h"

namespace tarnwell::controls {
namespace {

// The question asked when planned bytes exceed the room available.
QString RoomQuestionText(uint64_t planned, uint64_t available) {
  return QStringLiteral("要恢复的文件共 %1 字节，但目标目录所在磁盘只有 %2 字节可用空间。\n仍然继续恢复吗？")
      .arg(planned)
      .arg(available);
}

}  // namespace

std::vector<RecoverItem> CheckedItems(const FileListModel& model) { return model.Ticks(); }

QString RecoverTallyText(const RecoverTally& tally) {
  QString text = QStringLiteral("%1 个文件已恢复，%2 个失败").arg(tally.recovered).arg(tally.failed);
  if (tally.overwritten > 0) text += QStringLiteral("，%1 个已被覆盖").arg(tally.overwritten);
  return text;
}

RecoverTally TallyOfItem(engine::RecoverResult result, int64_t files, uint64_t overwritten) {
  const auto apart = static_cast<int64_t>(overwritten);
  switch (result) {
    case engine::RecoverResult::kRecovered: return {std::max<int64_t>(files - apart, 0), 0, apart};
    case engine::RecoverResult::kFailed: return {0, 1, apart};
    case engine::RecoverResult::kStopped: break;
  }
  return {0, 0, apart};
}

RecoverAmount MeasureRecoverItem(const RecoverItem& item) {
  const engine::EntryTotals totals = engine::CountFilesAndBytes(engine::EntryHandle::FromParts(item.tag, item.handle));
  return {totals.files, totals.bytes};
}

RecoverOutcome RunRecoverCommand(const std::vector<RecoverItem>& items, const RecoverSteps& steps,
                                 const BoxShower& showBox, QWidget* parent,
                                 const QString& nothingCheckedText) {
  if (items.empty()) {
    showBox(parent, BoxKind::kWarning, nothingCheckedText);
    return RecoverOutcome::kNothingChecked;
  }
  std::string folder;
  if (!steps.chooseDestination(&folder)) return RecoverOutcome::kCancelled;
  RecoverAmount total;
  std::vector<RecoverAmount> amounts;
  amounts.reserve(items.size());
  for (const RecoverItem& item : items) {
    amounts.push_back(MeasureRecoverItem(item));
    total.files += amounts.back().files;
    total.bytes = engine::SaturatingAdd(total.bytes, amounts.back().bytes);
  }
  // Cross-linked entries can add up to far more than the volume holds:
  // the user decides before a destination fills up.
  if (steps.askRoom) {
    const engine::RoomCheck room = engine::CheckRoom(folder, total.bytes);
    if (!room.Fits() && !steps.askRoom(RoomQuestionText(room.planned, *room.available)))
      return RecoverOutcome::kCancelled;
  }
  QProgressBar* bar = steps.progressBar;
  const bool barWasVisible = bar && !bar->isHidden();
  RecoverProgress progress(total, [&steps, bar](const RecoverProgress& now) {
    if (bar) ShowRecoverProgressBar(bar, now);
    if (steps.showProgress) steps.showProgress(now);
  });
  // The finishing steps run on every way out, errors included.
  struct Finish {
    const RecoverSteps& steps;
    const RecoverProgress& progress;
    bool barWasVisible;
    RecoverTally tally;
    bool stopped = false;
    ~Finish() {
      if (steps.progressBar) EndRecoverProgressBar(steps.progressBar, barWasVisible);
      if (steps.finish) steps.finish(tally, progress.SummaryText(tally, stopped));
    }
  } finish{steps, progress, barWasVisible, {}};
  if (steps.begin) steps.begin();
  for (size_t i = 0; i < items.size(); ++i) {
    if (steps.stopRequested && steps.stopRequested()) break;
    progress.BeginItem(amounts[i]);
    finish.tally += steps.recoverOne(items[i], folder, progress.ItemBar());
    progress.EndItem();
  }
  finish.stopped = steps.stopRequested && steps.stopRequested();
  if (steps.afterLoop) steps.afterLoop(folder);
  return RecoverOutcome::kRan;
}

}  // namespace tarnwell::controls
