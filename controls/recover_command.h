#pragma once
// The shape both recovery windows give their recover command: take the
// checked rows as they are now, ask for a destination, recover the rows one
// by one in list order until stopped, and always finish the same way. The
// window supplies the steps; what a row holds stays the window's business.
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controls/file_list_model.h"
#include "controls/message_boxes.h"
#include "controls/recover_progress.h"
#include "engine/entry_handle.h"

namespace tarnwell::controls {

// One ticked record, copied out of the list before anything runs, so that
// the list may be refilled or re-sorted under the running command.
using RecoverItem = TickedRecord;

std::vector<RecoverItem> CheckedItems(const FileListModel& model);

// The files and bytes an item's entry stands for (a folder: everything
// below it), measured before the first is written so that the share and
// the time left cover them all.
RecoverAmount MeasureRecoverItem(const RecoverItem& item);

// What recovering items gave: files written whole, items that failed (a
// folder with a failure below it counts as one), and files written but
// partly or wholly with other files' bytes, counted apart from the
// recovered ones.
struct RecoverTally {
  int64_t recovered = 0;
  int64_t failed = 0;
  int64_t overwritten = 0;
  RecoverTally& operator+=(const RecoverTally& other) {
    recovered += other.recovered;
    failed += other.failed;
    overwritten += other.overwritten;
    return *this;
  }
};
// The tally of one item whose recovery ended with result: a recovered
// item's files (files, a folder's all) less those that were overwritten.
RecoverTally TallyOfItem(engine::RecoverResult result, int64_t files, uint64_t overwritten);
// The line that ends a recovery's log: "N 个文件已恢复，M 个失败", and
// "，K 个已被覆盖" after it when any were.
QString RecoverTallyText(const RecoverTally& tally);

struct RecoverSteps {
  // The destination folder (UTF-8); false when the user cancelled.
  std::function<bool(std::string* folder)> chooseDestination;
  // Asked (the question's text given) when the files add up to more than
  // the destination has free; false cancels the recovery. Unset: no check.
  std::function<bool(const QString& question)> askRoom;
  // Before the first item: busy cursors, status texts, the first log line.
  std::function<void()> begin;
  // Writes one item; `progress` is the engine's bar for the item, which
  // moves the whole recovery's share.
  std::function<RecoverTally(const RecoverItem& item, const std::string& folder, engine::ProgressBar& progress)>
      recoverOne;
  // The window's progress bar: it shows where the recovery stands (see
  // ShowRecoverProgressBar) and is given back when it ends.
  QProgressBar* progressBar = nullptr;
  // Every change of where the recovery stands, besides the bar.
  RecoverProgress::Shower showProgress;
  std::function<bool()> stopRequested;
  // After the loop when it was not stopped or was: open the folder, etc.
  std::function<void(const std::string& folder)> afterLoop;
  // Always last, also after a stop, with what was recovered until then,
  // and a summary of it for a box (see RecoverProgress::SummaryText).
  std::function<void(const RecoverTally& tally, const QString& summary)> finish;
};

enum class RecoverOutcome { kNothingChecked, kCancelled, kRan };

// nothingCheckedText is shown as a warning when items is empty.
RecoverOutcome RunRecoverCommand(const std::vector<RecoverItem>& items, const RecoverSteps& steps,
                                 const BoxShower& showBox, QWidget* parent,
                                 const QString& nothingCheckedText);

}  // namespace tarnwell::controls
