#pragma once
// An NTFS image attached and scanned through the engine, with its found
// records by path, for whole-image tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "engine/undelete.h"
#include "platform/text_codec.h"
#include "tests/support/fixtures.h"
#include "tests/support/recording_window.h"
#include "tests/support/test_drives.h"

namespace tarnwell::engine::ntfs::testing {

// Scans the volume of the drive it is given.
class ScannedVolumeOfDrive {
 public:
  bool Scan(std::unique_ptr<TLogiDrive> drive) {
    engine_ = std::make_unique<TUndelete>(boxes_, pump_, tarnwell::testing::DriveList(std::move(drive)));
    drive_ = engine_->Drives.front().get();
    return drive_->Source && engine_->ScanVolume(*drive_, true, status_, progress_).Ok() && drive_->FsKind == kNtfs;
  }
  TUndelete& Engine() { return *engine_; }
  TLogiDrive& Drive() { return *drive_; }
  tarnwell::testing::RecordingLog& Log() { return log_; }
  tarnwell::testing::RecordingProgress& Progress() { return progress_; }
  tarnwell::testing::RecordingBoxes& Boxes() { return boxes_; }
  tarnwell::testing::CountingPump& Pump() { return pump_; }
  // Recovers a file into a fresh folder and returns its bytes; "<failed>"
  // when RecoverFile returned false.
  std::string Recover(tntfsfilerecord& r) {
    const std::string folder = tarnwell::testing::MakeTempFolder("recover");
    if (!tarnwell::testing::RecoverInto(engine_->EntryOf(r), folder, r.Name, log_, status_)) return "<failed>";
    std::string content;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      const auto bytes = tarnwell::testing::ReadBinaryFile(e.path().string());
      content.assign(bytes.begin(), bytes.end());
    }
    return content;
  }

 private:
  tarnwell::testing::RecordingBoxes boxes_;
  tarnwell::testing::CountingPump pump_;
  tarnwell::testing::RecordingStatus status_;
  tarnwell::testing::RecordingProgress progress_;
  tarnwell::testing::RecordingLog log_;
  std::unique_ptr<TUndelete> engine_;
  TLogiDrive* drive_ = nullptr;
};

// An image attached on its own and its volume scanned, with the found
// records by path.
class ScannedVolume : public ScannedVolumeOfDrive {
 public:
  // The volume of a fixture image: its first, or the one at index.
  explicit ScannedVolume(const std::string& fixture, int index = 0)
      : ScannedVolume(tarnwell::testing::ImageDrive(tarnwell::testing::FixturePath(fixture), 'C', index)) {}
  explicit ScannedVolume(std::unique_ptr<TLogiDrive> drive) {
    scanned_ = Scan(std::move(drive));
    if (!scanned_) return;
    for (auto& r : Drive().NtfsEntries) byPath_[PathOf(*r)] = r.get();
  }
  bool Scanned() const { return scanned_; }

  // The UTF-8 path of a record through its parent links ("a/b/c"; a lost
  // folder's children are under "[Folder]N/").
  static std::string PathOf(const tntfsfilerecord& r) {
    std::string path = platform::SystemToUtf8(r.Name);
    int depth = 0;
    for (const tntfsfilerecord* p = r.Parent; p && p->Name != "\\" && depth < 1000;
         p = p->Parent, ++depth)
      path = platform::SystemToUtf8(p->Name) + "/" + path;
    return path;
  }
  tntfsfilerecord* Find(const std::string& utf8Path) const {
    const auto it = byPath_.find(utf8Path);
    return it == byPath_.end() ? nullptr : it->second;
  }
  const std::map<std::string, tntfsfilerecord*>& ByPath() const { return byPath_; }

 private:
  bool scanned_ = false;
  std::map<std::string, tntfsfilerecord*> byPath_;
};

// Hex digest of bytes by a coreutils tool ("md5sum", "sha256sum").
inline std::string Digest(const std::string& tool, const std::string& bytes) {
  const std::string file = tarnwell::testing::MakeTempFolder("digest") + "/data";
  if (FILE* f = std::fopen(file.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  std::string out;
  if (FILE* p = ::popen((tool + " '" + file + "'").c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    ::pclose(p);
  }
  return out.substr(0, out.find(' '));
}

}  // namespace tarnwell::engine::ntfs::testing
