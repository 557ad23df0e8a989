#pragma once
// One log line per stretch of unreadable sectors a pass met, however many
// chunks the stretch spans: a stretch is written when the next bad sector
// does not follow on, or when the pass ends.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disk/outcome.h"
#include "disk/salvaging_read.h"
#include "engine/event_log_line.h"
#include "physical/physical_window.h"
#include "platform/text_codec.h"

namespace tarnwell::physical::raw {

class BadSectorLog {
 public:
  explicit BadSectorLog(engine::EventLog& log) : log_(log) {}
  ~BadSectorLog() { Flush(); }
  BadSectorLog(const BadSectorLog&) = delete;
  BadSectorLog& operator=(const BadSectorLog&) = delete;

  // Runs from `end` on are left out (a last chunk reads past its range).
  void Add(const std::vector<disk::SectorRun>& runs, uint64_t end = UINT64_MAX) {
    for (disk::SectorRun run : runs) {
      if (run.first >= end) break;
      run.count = std::min(run.count, end - run.first);
      sectors_ += run.count;
      if (open_ && open_->End() == run.first) {
        open_->count += run.count;
        continue;
      }
      Flush();
      open_ = run;
    }
  }

  void Flush() {
    if (!open_) return;
    std::string text = "无法读取扇区 " + std::to_string(open_->first);
    if (open_->count > 1) text += " - " + std::to_string(open_->End() - 1);
    engine::AddLogLine(log_, platform::SystemText(text), kLogFailure);
    open_.reset();
  }

  uint64_t Sectors() const { return sectors_; }

 private:
  engine::EventLog& log_;
  std::optional<disk::SectorRun> open_;
  uint64_t sectors_ = 0;
};

// A source that shrank under a pass (an image cut short or rewritten while
// it was scanned): a log line and an error box, and the outcome the pass
// returns, so that no front end reports the shortened pass as complete.
inline disk::Outcome ReportShrunkSource(PhysicalWindow& window, uint64_t sector, uint64_t sourceSectors) {
  const std::string text = "扫描期间数据源变短或被改写: 自扇区 " + std::to_string(sector) + " 起已无法读取";
  engine::AddLogLine(window.log, platform::SystemText(text), kLogFailure);
  window.boxes.Error(platform::SystemText(text));
  disk::Outcome shrank = disk::Outcome::Shrank("the scanned source", sector, sourceSectors);
  shrank.shown = true;
  return shrank;
}

}  // namespace tarnwell::physical::raw
