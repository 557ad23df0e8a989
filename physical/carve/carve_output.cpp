#include "physical/carve/carve_output.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "disk/read_buffer.h"
#include "disk/sector_source.h"
#include "engine/recovery/output_file.h"
#include "engine/recovery/output_times.h"
#include "physical/carve/exif_date.h"

namespace tarnwell::physical::carve {
namespace {

constexpr uint32_t kCopySectors = 2048;  // 1 MiB a read
constexpr uint64_t kExifBytes = 256 * 1024;

}  // namespace

std::string CarvedFileName(const CarvedFile& file) {
  char name[64];
  std::snprintf(name, sizeof name, "f%07llu.%s", static_cast<unsigned long long>(file.sector), file.extension);
  return name;
}

const engine::OutputFolder* CarvedFileWriter::FolderFor(const CarvedFile& file, std::string& error) {
  const std::string key = std::string(file.extension) + (file.damaged ? "/damaged" : "");
  if (auto it = folders_.find(key); it != folders_.end()) return &it->second;
  const engine::OutputFolder* parent = &destination_;
  if (file.damaged) {
    CarvedFile whole = file;
    whole.damaged = false;
    parent = FolderFor(whole, error);
    if (!parent) return nullptr;
  }
  std::optional<engine::OutputFolder> made =
      engine::CreateUniqueFolder(file.damaged ? "damaged" : file.extension, *parent);
  if (!made) {
    error = "cannot create a folder in " + parent->Path() + ": " + std::strerror(errno);
    return nullptr;
  }
  return &folders_.emplace(key, std::move(*made)).first->second;
}

bool CarvedFileWriter::Copy(engine::OutputFile& out, uint64_t sector, uint64_t bytes, uint64_t& done, uint64_t total,
                            engine::ProgressBar& progress, engine::MessagePump& pump) {
  disk::ReadBuffer buffer(size_t{kCopySectors} * disk::kSectorSize);
  for (uint64_t copied = 0; copied < bytes;) {
    const uint64_t want = std::min<uint64_t>(bytes - copied, buffer.size());
    const uint32_t sectors = static_cast<uint32_t>((want + disk::kSectorSize - 1) / disk::kSectorSize);
    uint32_t got = 0;
    if (!source_.Read(sector + copied / disk::kSectorSize, sectors, buffer.data(), got) || got < want) return false;
    if (out.Write(buffer.data(), static_cast<size_t>(want)) < want) return false;
    copied += want;
    done += want;
    progress.SetPosition(static_cast<int>(done * 100 / std::max<uint64_t>(total, 1)));
    pump.Pump();
    if (stop_ && *stop_ && copied < bytes) return false;
  }
  return true;
}

CarvedFileWriter::Outcome CarvedFileWriter::Write(const CarvedFile& file, engine::ProgressBar& progress,
                                                  engine::MessagePump& pump) {
  Outcome outcome;
  const engine::OutputFolder* folder = FolderFor(file, outcome.error);
  if (!folder) return outcome;
  return WriteInto(*folder, CarvedFileName(file), file, progress, pump);
}

CarvedFileWriter::Outcome CarvedFileWriter::WriteNamed(const CarvedFile& file, const std::string& name,
                                                       engine::ProgressBar& progress, engine::MessagePump& pump) {
  return WriteInto(destination_, name, file, progress, pump);
}

CarvedFileWriter::Outcome CarvedFileWriter::WriteInto(const engine::OutputFolder& folder, const std::string& name,
                                                      const CarvedFile& file, engine::ProgressBar& progress,
                                                      engine::MessagePump& pump) {
  Outcome outcome;
  std::optional<engine::CreatedFile> created = engine::CreateUniqueFile(name, folder);
  if (!created) {
    outcome.error = "cannot create " + name + " in " + folder.Path() + ": " + std::strerror(errno);
    return outcome;
  }
  outcome.path = created->path;
  engine::OutputFile out(std::move(created->fd), created->path);
  const uint64_t first = file.Joined() ? std::min(file.firstPieceBytes, file.length) : file.length;
  uint64_t done = 0;
  // Nothing is padded: a read or write that fails leaves the file as far
  // as it got, and says so.
  if (!Copy(out, file.sector, first, done, file.length, progress, pump) ||
      (file.Joined() && !Copy(out, file.secondSector, file.length - first, done, file.length, progress, pump))) {
    outcome.bytes = done;
    outcome.stopped = stop_ && *stop_;
    outcome.error = (outcome.stopped ? "stopped after " : "read or write failed after ") + std::to_string(done) +
                    " bytes";
    return outcome;
  }
  outcome.bytes = done;
  out.Close();
  if (file.family == Family::kJpeg || file.family == Family::kTiff) {
    SourceReader head(source_, file.sector, std::min({kExifBytes, first, file.length}), 512);
    if (const std::optional<timespec> taken = ExifDate(head))
      (void)engine::ApplyOutputTimes(outcome.path, engine::EntryTimes{taken, taken});
  }
  outcome.written = true;
  return outcome;
}

}  // namespace tarnwell::physical::carve
