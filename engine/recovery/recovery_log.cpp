#include "engine/recovery/recovery_log.h"

#include "engine/event_log_line.h"
#include "platform/text_codec.h"

namespace tarnwell::engine {

bool LogRecoveryFailure(EventLog& log, const std::string& systemName) {
  AddLogLine(log, systemName + platform::SystemText(":  恢复失败"), kLogError);
  return false;
}

std::optional<OutputFolder> OpenDestination(const std::string& path, const std::string& systemName,
                                            EventLog& log) {
  std::optional<OutputFolder> folder = OutputFolder::Open(path);
  if (!folder) AddLogLine(log, systemName + platform::SystemText(":  无法创建目标文件"), kLogError);
  return folder;
}

}  // namespace tarnwell::engine
