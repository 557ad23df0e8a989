#pragma once
// Why an operation failed, as the front ends need it to say so: what
// failed, at which sector, and whether the disk refused a read or the
// structure found there is damaged. Scans, rescans and raw scans return
// one; a read of the volume (ReadResult) becomes one at the first place
// that knows what the read was for.
#include <cstdint>
#include <string>

#include "disk/volume_reader.h"

namespace tarnwell::disk {

enum class OutcomeKind : uint8_t {
  kOk,
  kReadFailed,    // a read of the source failed (read holds why)
  kDamaged,       // what was read is not what the structure needs
  kUnrecognised,  // no file system this operation knows
  kBusy,          // another operation of the same engine is under way
  kUnavailable,   // nothing could be read: not ready, not opened, out of reach
};

struct [[nodiscard]] Outcome {
  OutcomeKind kind = OutcomeKind::kOk;
  std::string what;     // what was being read or decoded ("the root folder")
  uint64_t sector = 0;  // where, in sectors of the volume or range
  ReadResult read;      // the failed read, for kReadFailed
  std::string detail;   // what is wrong with it, for kDamaged
  // The engine already showed it in a message box: a front end logs it
  // but raises no second box.
  bool shown = false;

  [[nodiscard]] bool Ok() const { return kind == OutcomeKind::kOk; }
  explicit operator bool() const { return Ok(); }
  [[nodiscard]] bool IsReadError() const { return kind == OutcomeKind::kReadFailed; }
  // One line of plain English: "the root folder: sector 37 lies past the
  // end of the source (20 sectors); it is cut short".
  std::string Text() const;

  static Outcome Success() { return {}; }
  static Outcome ReadFailed(std::string what, const ReadResult& read, uint64_t sourceSectors);
  static Outcome Damaged(std::string what, uint64_t sector, std::string detail);
  static Outcome Unrecognised(std::string what);
  static Outcome Busy(std::string what);
  static Outcome Unavailable(std::string what);
  // A source that held fewer sectors while it was read than when it was
  // opened (an image cut short or rewritten under a scan).
  static Outcome Shrank(std::string what, uint64_t sector, uint64_t sourceSectors);

 private:
  uint64_t sourceSectors_ = 0;  // the source's size when the read failed
};

// Reads count sectors at lba of the volume for what is named: success, or
// the read's failure as an outcome.
Outcome ReadFor(const VolumeReader& volume, std::string what, uint64_t lba, uint32_t count, void* buffer);

}  // namespace tarnwell::disk
