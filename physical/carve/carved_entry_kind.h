#pragma once
// The files a signature scan found, as entry handles of the drive they lie
// on: a file with no folder, no stamps and no attributes, named after its
// first sector (f0001234.jpg). Its preview is its own first bytes (zeros
// past its end, the second piece of a joined file after the first), and
// it is recovered through the carved-file writer.
#include <cstdint>
#include <optional>
#include <string>

#include "disk/device_reader.h"
#include "engine/entry_handle.h"
#include "physical/carve/carve_output.h"
#include "physical/carve/carved_file.h"

namespace tarnwell::physical {
class TPhysicalDrive;
}

namespace tarnwell::physical::carve {

class CarvedEntryKind final : public engine::EntryKind {
 public:
  explicit CarvedEntryKind(TPhysicalDrive& drive) : drive_(drive) {}
  engine::EntryHandle Of(const CarvedFile& file) const { return Handle(&file); }
  // The carved file behind a handle of this kind; null for any other.
  const CarvedFile* FileOf(const engine::EntryHandle& handle) const {
    return handle.Kind() == this ? static_cast<const CarvedFile*>(handle.Item()) : nullptr;
  }

  std::string Name(const void* item) const override;
  bool IsFolder(const void*) const override { return false; }
  // Every carved file is one whose entry is gone; a damaged one says so.
  engine::EntryStatus Status(const void* item) const override;
  uint64_t Size(const void* item) const override { return File(item).length; }
  double Stamp(const void*, engine::DateKind) const override { return 0; }
  uint64_t FolderKey(const void*) const override { return 0; }
  uint64_t ParentKey(const void*) const override { return 0; }
  engine::EntryHandle Parent(const void*) const override { return {}; }
  // Allocated: the sectors its pieces cover.
  engine::EntryProperties Properties(const void* item) const override;
  std::vector<engine::EntryHandle> ChildRange(const void*) const override { return {}; }
  // Straight into the destination, under the target's name when it gives
  // one.
  engine::RecoverResult Recover(const void* item, const engine::RecoveryTarget& target) const override;
  bool ReadPreview(const void* item, engine::PreviewBuffer& buffer) const override;

 private:
  static const CarvedFile& File(const void* item) { return *static_cast<const CarvedFile*>(item); }
  TPhysicalDrive& drive_;
};

// One recovery of carved files into one destination: the files of each
// type in a folder of their own, as the command line writes them, so that
// a recovery of many files makes each type's folder once.
class CarvedFileRecovery {
 public:
  CarvedFileRecovery(int16_t driveCode, const engine::OutputFolder& destination, const bool* stop = nullptr);
  CarvedFileRecovery(const CarvedFileRecovery&) = delete;
  CarvedFileRecovery& operator=(const CarvedFileRecovery&) = delete;

  // kRecovered, or kFailed with a line in the log: the disk cannot be
  // read, the file cannot be made, the copy broke off, or the file is
  // damaged and was written only as far as it validated; kStopped, also
  // with a line, when the stop flag (when given) cut the copy short. With
  // a name, the file goes straight into the destination under it.
  engine::RecoverResult Recover(const CarvedFile& file, const engine::RecoveryTarget& target,
                                engine::MessagePump& pump);

 private:
  disk::DiskDevice device_;
  std::optional<CarvedFileWriter> writer_;
};

}  // namespace tarnwell::physical::carve
