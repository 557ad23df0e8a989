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

std::optional<CreatedFile> CreateItemFile(const std::string& systemName, const OutputFolder& destination,
                                          EventLog& log) {
  std::optional<CreatedFile> created = CreateUniqueFile(systemName, destination);
  if (!created) {
    AddLogLine(log, systemName + platform::SystemText(":  无法创建目标文件"), kLogError);
    return created;
  }
  if (created->portableName) {
    const std::string used = created->path.substr(created->path.find_last_of('/') + 1);
    AddLogLine(log, systemName + platform::SystemText(":  目标文件系统不接受此名称，已保存为 " + used),
               kLogInformation);
  }
  return created;
}

void StampRecoveredCopy(EventLog& log, const std::string& systemName, const std::string& path,
                        const EntryTimes& times) {
  if (!ApplyOutputTimes(path, times))
    AddLogLine(log, systemName + platform::SystemText(":  无法设置文件时间"), kLogInformation);
}

}  // namespace tarnwell::engine
