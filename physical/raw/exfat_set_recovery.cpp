#include "physical/raw/exfat_set_recovery.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "disk/device_reader.h"
#include "engine/event_log_line.h"
#include "engine/recovery/output_file.h"
#include "engine/recovery/output_path.h"
#include "engine/recovery/output_times.h"
#include "physical/physical_window.h"
#include "platform/text_codec.h"

namespace tarnwell::physical::raw {
namespace {

constexpr uint32_t kSectorBytes = 512;
constexpr uint32_t kReadSectors = 256;

// Creates each folder of a path once, reusing what this recovery made.
class FolderMaker {
 public:
  explicit FolderMaker(std::string root) : root_(std::move(root)) {}
  std::optional<std::string> Make(const std::vector<std::string>& names) {
    std::string key;
    std::string path = root_;
    for (const std::string& name : names) {
      key += "/" + name;
      auto it = made_.find(key);
      if (it == made_.end()) {
        const std::optional<std::string> created =
            engine::CreateUniqueFolder(platform::Utf8ToSystem(name), path);
        if (!created) return std::nullopt;
        it = made_.emplace(key, *created).first;
      }
      path = it->second;
    }
    return path;
  }
  // The folder this recovery made for the path, if it made one.
  std::optional<std::string> Made(const std::vector<std::string>& names) const {
    std::string key;
    for (const std::string& name : names) key += "/" + name;
    const auto it = made_.find(key);
    if (it == made_.end()) return std::nullopt;
    return it->second;
  }

 private:
  std::string root_;
  std::map<std::string, std::string> made_;
};

bool WriteFile(disk::DiskDevice& device, const ExfatRange& range, const ExfatRawGeometry& geometry,
               const engine::ExfatEntrySet& set, engine::OutputFile& out, engine::MessagePump& pump,
               const bool& stop) {
  const uint64_t end = range.start + range.count;
  const std::optional<uint64_t> first = geometry.ClusterSector(set.firstCluster);
  // Never larger than the range could hold.
  const uint64_t rangeBytes = range.count * kSectorBytes;
  const uint64_t size = std::min(set.dataLength, rangeBytes);
  const uint64_t valid = std::min(set.validLength, size);
  if (valid > 0 && (!first || *first < range.start || *first >= end)) return false;
  std::vector<uint8_t> buffer(size_t{kReadSectors} * kSectorBytes);
  for (uint64_t done = 0; done < valid && !stop;) {
    pump.Pump();
    const uint64_t lba = *first + done / kSectorBytes;
    const uint64_t sectors = std::min<uint64_t>({kReadSectors, (valid - done + kSectorBytes - 1) / kSectorBytes,
                                                 end > lba ? end - lba : 0});
    uint32_t bytesRead = 0;
    if (sectors == 0 || !device.Read(lba, static_cast<uint16_t>(sectors), buffer.data(), bytesRead) ||
        bytesRead < sectors * kSectorBytes)
      return false;
    const size_t amount = static_cast<size_t>(std::min<uint64_t>(sectors * kSectorBytes, valid - done));
    if (out.Write(buffer.data(), amount) < amount) return false;
    done += amount;
  }
  return !stop && (size <= valid || out.SetSize(size));
}

// Gives each made folder the times of the folder set it stands for, once
// everything is in it: every file made inside moves a folder's time. Where
// two sets name the same path the existing one wins, as it does for what
// the folder holds, then the first found.
void ApplyFolderTimes(const std::vector<ExfatFoundSet>& sets,
                      const std::vector<std::vector<std::string>>& folders, const FolderMaker& maker) {
  std::set<std::string> done;
  for (const bool inUse : {true, false})
    for (size_t i = 0; i < sets.size(); ++i) {
      const engine::ExfatEntrySet& set = sets[i].set;
      if (!set.IsFolder() || set.inUse != inUse) continue;
      const engine::TMidEntry entry = engine::ExfatSetToEntry(set);
      std::vector<std::string> own = folders[i];
      own.push_back(platform::SystemToUtf8(entry.LongName));
      const std::optional<std::string> path = maker.Made(own);
      if (path && done.insert(*path).second) (void)engine::ApplyOutputTimes(*path, engine::ExfatEntryTimes(entry));
    }
}

}  // namespace

int RecoverExfatSets(const ExfatRange& range, const std::vector<ExfatFoundSet>& sets,
                     const ExfatRawGeometry& geometry, const std::string& destination,
                     engine::EventLog& log, engine::MessagePump& pump, const bool& stop) {
  disk::DiskDevice device(range.driveCode);
  if (!device.IsOpen() || !geometry.Known()) {
    engine::AddLogLine(log,
                       platform::SystemText(device.IsOpen() ? "无法确定 exFAT 的簇大小和数据区起点, 未恢复任何文件"
                                                            : "无法打开磁盘, 未恢复任何文件"),
                       kLogFailure);
    return static_cast<int>(sets.size());
  }
  const std::vector<std::vector<std::string>> folders = ExfatSetFolders(sets, geometry);
  FolderMaker maker(destination);
  int failed = 0;
  for (size_t i = 0; i < sets.size() && !stop; ++i) {
    const engine::ExfatEntrySet& set = sets[i].set;
    if (set.IsFolder()) continue;
    const engine::TMidEntry entry = engine::ExfatSetToEntry(set);
    const std::string& name = entry.LongName;
    const std::optional<std::string> folder = maker.Make(folders[i]);
    std::optional<engine::CreatedFile> created =
        folder ? engine::CreateUniqueFile(name, *folder) : std::nullopt;
    if (!created) {
      engine::AddLogLine(log, name + platform::SystemText(":  无法创建目标文件"), kLogFailure);
      ++failed;
      continue;
    }
    engine::OutputFile out(std::move(created->fd), created->path);
    if (!WriteFile(device, range, geometry, set, out, pump, stop)) {
      engine::AddLogLine(log, name + platform::SystemText(" - 恢复失败"), kLogFailure);
      ++failed;
    } else {
      (void)engine::ApplyOutputTimes(out.Path(), engine::ExfatEntryTimes(entry));
    }
  }
  ApplyFolderTimes(sets, folders, maker);
  return failed;
}

}  // namespace tarnwell::physical::raw
