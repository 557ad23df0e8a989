#pragma once
// The event-log lines of a failed recovery item, shared by the FAT and NTFS
// recovery: every failed or shortened item gets one error line naming it.
#include <optional>
#include <string>

#include "engine/recovery/output_path.h"
#include "engine/recovery/output_times.h"
#include "engine/window_interfaces.h"

namespace tarnwell::engine {

// Logs "name:  恢复失败" (name in the system code page) with the error
// icon. Always false, so a failure can be returned in one step.
bool LogRecoveryFailure(EventLog& log, const std::string& systemName);

// The destination folder held open; when it cannot be opened the item is
// logged as not creatable ("name:  无法创建目标文件").
std::optional<OutputFolder> OpenDestination(const std::string& path, const std::string& systemName,
                                            EventLog& log);

// The new file an item is copied into, or nullopt after the line
// "name:  无法创建目标文件". A name the destination's file system refused
// and took in its portable form is said with the name used.
std::optional<CreatedFile> CreateItemFile(const std::string& systemName, const OutputFolder& destination,
                                          EventLog& log);

// Stamps a recovered copy with its entry's times; a destination that
// refuses them gets the line "name:  无法设置文件时间" (information: the
// copy itself is whole).
void StampRecoveredCopy(EventLog& log, const std::string& systemName, const std::string& path,
                        const EntryTimes& times);

}  // namespace tarnwell::engine
