#include "controls/recover_command.h"

namespace tarnwell::controls {

std::vector<RecoverItem> CheckedItems(const FileListModel& model) { return model.Ticks(); }

QString RecoverTallyText(const RecoverTally& tally) {
  return QStringLiteral("%1 个文件已恢复，%2 个失败").arg(tally.recovered).arg(tally.failed);
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
  // The finishing steps run on every way out, errors included.
  struct Finish {
    const RecoverSteps& steps;
    RecoverTally tally;
    ~Finish() {
      if (steps.finish) steps.finish(tally);
    }
  } finish{steps, {}};
  if (steps.begin) steps.begin();
  for (const RecoverItem& item : items) {
    if (steps.stopRequested && steps.stopRequested()) break;
    finish.tally += steps.recoverOne(item, folder);
  }
  if (steps.afterLoop) steps.afterLoop(folder);
  return RecoverOutcome::kRan;
}

}  // namespace tarnwell::controls
