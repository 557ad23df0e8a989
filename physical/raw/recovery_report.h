#pragma once
// What a raw recovery shows while one item is copied, and how a failure is
// reported: the status panel names the item until it is done, and failures
// become error lines of the drive's event log.
#include <string>

#include "engine/event_log_line.h"
#include "engine/window_interfaces.h"
#include "physical/physical_drive.h"
#include "platform/text_codec.h"

namespace tarnwell::physical::raw {

inline constexpr char kRecoveryFailed[] = " - 恢复失败";
inline constexpr char kWriteFailed[] = " - 无法写入目标设备，恢复失败";

inline void LogItemFailure(TPhysicalDrive& drive, const std::string& name, const char* utf8Suffix) {
  ++drive.RecoveryFailures;
  engine::AddLogLine(drive.Window().log, name + platform::SystemText(utf8Suffix), kLogFailure);
}

inline void LogRecoveryStopped(TPhysicalDrive& drive) {
  drive.StopRequested = false;
  engine::AddLogLine(drive.Window().log, platform::SystemText("恢复被用户终止"), kLogHalted);
}

// Clears the status panel and the progress bar on every way out.
class ItemScope {
 public:
  ItemScope(engine::StatusPanel& status, engine::ProgressBar& progress, const std::string& name)
      : status_(status), progress_(progress) {
    status_.SetText(" " + name);
  }
  ~ItemScope() {
    progress_.SetPosition(0);
    status_.SetText("");
  }
  ItemScope(const ItemScope&) = delete;
  ItemScope& operator=(const ItemScope&) = delete;

 private:
  engine::StatusPanel& status_;
  engine::ProgressBar& progress_;
};

}  // namespace tarnwell::physical::raw
