#include "physical/carve/carved_entry_kind.h"

#include <algorithm>
#include <cstring>

#include "disk/sector_source.h"
#include "engine/event_log_line.h"
#include "physical/physical_drive.h"
#include "physical/raw/recovery_report.h"
#include "platform/text_codec.h"

namespace tarnwell::physical::carve {
namespace {

constexpr uint64_t kCarvedSectorBytes = 512;

uint64_t FirstPieceBytes(const CarvedFile& f) { return f.Joined() ? std::min(f.firstPieceBytes, f.length) : f.length; }

// Copies up to `bytes` bytes from `sector` on into `out`; false when
// nothing could be read.
bool ReadCarvedBytes(disk::SectorSource& source, uint64_t sector, size_t bytes, uint8_t* out) {
  if (bytes == 0) return true;
  engine::PreviewBuffer sectors{};
  const auto count = static_cast<uint32_t>((bytes + kCarvedSectorBytes - 1) / kCarvedSectorBytes);
  uint32_t got = 0;
  if (!source.Read(sector, count, sectors.data(), got) || got == 0) return false;
  std::memcpy(out, sectors.data(), std::min<size_t>({bytes, got, sectors.size()}));
  return true;
}

}  // namespace

std::string CarvedEntryKind::Name(const void* item) const { return CarvedFileName(File(item)); }

engine::EntryStatus CarvedEntryKind::Status(const void* item) const {
  return File(item).damaged ? engine::EntryStatus::kDamaged : engine::EntryStatus::kDeleted;
}

engine::EntryProperties CarvedEntryKind::Properties(const void* item) const {
  const CarvedFile& f = File(item);
  engine::EntryProperties p;
  const uint64_t first = FirstPieceBytes(f);
  const auto sectors = [](uint64_t bytes) { return (bytes + kCarvedSectorBytes - 1) / kCarvedSectorBytes; };
  p.allocated = (sectors(first) + sectors(f.length - first)) * kCarvedSectorBytes;
  return p;
}

engine::RecoverResult CarvedEntryKind::Recover(const void* item, const engine::RecoveryTarget& target) const {
  // One file alone gets no type folder of its own.
  const std::string ownName = CarvedFileName(File(item));
  engine::RecoveryTarget straight = target;
  if (!straight.name) straight.name = &ownName;
  CarvedFileRecovery recovery(drive_.DriveCode(), target.destination, &drive_.StopRequested);
  return recovery.Recover(File(item), straight, drive_.Window().pump);
}

bool CarvedEntryKind::ReadPreview(const void* item, engine::PreviewBuffer& buffer) const {
  const CarvedFile& f = File(item);
  buffer.fill(0);
  disk::DiskDevice device(drive_.DriveCode());
  disk::SectorSource* source = device.Source();
  if (!source) return false;
  // Only the file's own bytes: what follows it in its last sector is not
  // part of it.
  const size_t first = static_cast<size_t>(std::min<uint64_t>(FirstPieceBytes(f), buffer.size()));
  if (!ReadCarvedBytes(*source, f.sector, first, buffer.data())) return false;
  const size_t rest = static_cast<size_t>(std::min<uint64_t>(f.length - FirstPieceBytes(f), buffer.size() - first));
  if (f.Joined() && rest > 0) (void)ReadCarvedBytes(*source, f.secondSector, rest, buffer.data() + first);
  return true;
}

CarvedFileRecovery::CarvedFileRecovery(int16_t driveCode, const engine::OutputFolder& destination, const bool* stop)
    : device_(driveCode) {
  if (disk::SectorSource* source = device_.Source()) {
    writer_.emplace(*source, destination);
    writer_->SetStopFlag(stop);
  }
}

engine::RecoverResult CarvedFileRecovery::Recover(const CarvedFile& file, const engine::RecoveryTarget& target,
                                                  engine::MessagePump& pump) {
  const std::string name = CarvedFileName(file);
  const raw::ItemScope scope(target.status, target.progress, name);
  const auto fail = [&](const std::string& utf8Why) {
    engine::AddLogLine(target.log, name + platform::SystemText(utf8Why), kLogFailure);
    return engine::RecoverResult::kFailed;
  };
  if (!writer_) return fail(" - 恢复失败: 无法读取磁盘");
  const CarvedFileWriter::Outcome outcome =
      target.name ? writer_->WriteNamed(file, *target.name, target.progress, pump)
                  : writer_->Write(file, target.progress, pump);
  if (outcome.stopped) {
    const std::string why = " - 已停止，只写入了前 " + std::to_string(outcome.bytes) + " 字节，文件不完整";
    engine::AddLogLine(target.log, name + platform::SystemText(why), kLogHalted);
    return engine::RecoverResult::kStopped;
  }
  if (!outcome.written) return fail(" - 恢复失败: " + outcome.error);
  // Written as far as its structure held: the rest is lost, and the copy
  // is not the whole file.
  if (file.damaged)
    return fail(" - 文件已损坏，只恢复了能验证的前 " + std::to_string(file.length) + " 字节");
  return engine::RecoverResult::kRecovered;
}

}  // namespace tarnwell::physical::carve
