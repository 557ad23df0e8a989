#include "disk/outcome.h"

#include <cstring>
#include <utility>

namespace tarnwell::disk {
namespace {

std::string ReadFailureText(const ReadResult& read, uint64_t sourceSectors) {
  const std::string at = "sector " + std::to_string(read.sector);
  switch (read.failure) {
    case ReadFailure::kNone:
      return "no failure";
    case ReadFailure::kNoSource:
      return "the source could not be opened";
    case ReadFailure::kOutOfRange:
      return at + " (" + std::to_string(read.count) + " sectors) lies past the end of the source (" +
             std::to_string(sourceSectors) + " sectors): it is cut short";
    case ReadFailure::kReadError:
      return "read error at " + at + (read.error ? std::string(" (") + std::strerror(read.error) + ")" : "");
    case ReadFailure::kShortRead:
      return "the source ended at " + at + ", inside the " + std::to_string(sourceSectors) +
             " sectors it held when opened: it shrank or was rewritten";
  }
  return "read failed at " + at;
}

// An outcome of a kind with its description; the factories fill in the rest.
Outcome OfKind(OutcomeKind kind, std::string what) {
  Outcome o;
  o.kind = kind;
  o.what = std::move(what);
  return o;
}

}  // namespace

std::string Outcome::Text() const {
  switch (kind) {
    case OutcomeKind::kOk:
      return "done";
    case OutcomeKind::kReadFailed:
      return what + ": " + ReadFailureText(read, sourceSectors_);
    case OutcomeKind::kDamaged:
      return what + " at sector " + std::to_string(sector) + " is damaged: " + detail;
    case OutcomeKind::kUnrecognised:
    case OutcomeKind::kBusy:
    case OutcomeKind::kUnavailable:
      return what;
  }
  return what;
}

Outcome Outcome::ReadFailed(std::string what, const ReadResult& read, uint64_t sourceSectors) {
  Outcome o = OfKind(OutcomeKind::kReadFailed, std::move(what));
  o.sector = read.sector;
  o.read = read;
  o.sourceSectors_ = sourceSectors;
  return o;
}

Outcome Outcome::Damaged(std::string what, uint64_t sector, std::string detail) {
  Outcome o = OfKind(OutcomeKind::kDamaged, std::move(what));
  o.sector = sector;
  o.detail = std::move(detail);
  return o;
}

Outcome Outcome::Unrecognised(std::string what) { return OfKind(OutcomeKind::kUnrecognised, std::move(what)); }

Outcome Outcome::Busy(std::string what) { return OfKind(OutcomeKind::kBusy, std::move(what)); }

Outcome Outcome::Unavailable(std::string what) { return OfKind(OutcomeKind::kUnavailable, std::move(what)); }

Outcome Outcome::Shrank(std::string what, uint64_t sector, uint64_t sourceSectors) {
  ReadResult read;
  read.failure = ReadFailure::kShortRead;
  read.sector = sector;
  return ReadFailed(std::move(what), read, sourceSectors);
}

Outcome ReadFor(const VolumeReader& volume, std::string what, uint64_t lba, uint32_t count, void* buffer) {
  const ReadResult read = volume.Read(lba, count, buffer);
  if (read) return Outcome::Success();
  return Outcome::ReadFailed(std::move(what), read, volume.SectorCount());
}

}  // namespace tarnwell::disk
