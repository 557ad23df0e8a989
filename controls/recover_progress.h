#pragma once
// Where a recovery stands over all its items: files and bytes written of
// the totals, the share done and the time left, for the window's progress
// bar and status line, and the summary when it ends. The engine's own
// progress within one item (a large file) moves the share between items.
#include <QString>
#include <cstdint>
#include <functional>

#include "engine/window_interfaces.h"

class QProgressBar;

namespace tarnwell::controls {

struct RecoverTally;

struct RecoverAmount {
  uint64_t files = 0;
  uint64_t bytes = 0;
};

class RecoverProgress {
 public:
  using Clock = std::function<double()>;  // seconds since any fixed point
  using Shower = std::function<void(const RecoverProgress&)>;

  // `show` hears every change; the default clock is the steady clock.
  RecoverProgress(RecoverAmount total, Shower show, Clock clock = {});

  void BeginItem(RecoverAmount item);
  // The item is over, written or not: it counts as done for the share.
  void EndItem();
  // The engine's progress bar for the item under way (0..100 of it).
  engine::ProgressBar& ItemBar() { return itemBar_; }

  RecoverAmount Total() const { return total_; }
  RecoverAmount Done() const;
  int Percent() const;
  double ElapsedSeconds() const;
  // Seconds left from the rate so far; negative while there is too little
  // to go by.
  double SecondsLeft() const;
  // "3 / 10 个文件  1.20 MB / 5.00 MB  剩余 0:12"
  QString Text() const;
  // "恢复已完成：… 用时 0:03" or "恢复已被用户停止：…", with the counts.
  QString SummaryText(const RecoverTally& tally, bool stopped) const;

 private:
  class ItemBarAdapter final : public engine::ProgressBar {
   public:
    explicit ItemBarAdapter(RecoverProgress& owner) : owner_(owner) {}
    void SetPosition(int percent) override;
    void SetVisible(bool) override {}

   private:
    RecoverProgress& owner_;
  };

  RecoverAmount total_;
  RecoverAmount finished_;  // items over
  RecoverAmount current_;   // the item under way
  int currentPercent_ = 0;
  bool inItem_ = false;
  Shower show_;
  Clock clock_;
  double started_ = 0;
  ItemBarAdapter itemBar_{*this};
};

// Shows where a recovery stands on a window's progress bar: its share and,
// as the bar's text, RecoverProgress::Text. EndRecoverProgressBar gives the
// bar back to the scans as it was (hidden again when it was hidden).
void ShowRecoverProgressBar(QProgressBar* bar, const RecoverProgress& progress);
void EndRecoverProgressBar(QProgressBar* bar, bool wasVisible);

}  // namespace tarnwell::controls
