#include "physical/carve/carve_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "disk/sector_source.h"
#include "physical/carve/signature_table.h"

namespace tarnwell::physical::carve {
namespace {

constexpr size_t kLargestRead = 4 * 1024 * 1024;
constexpr uint64_t kSector = disk::kSectorSize;

}  // namespace

std::span<const uint8_t> CarveReader::View(uint64_t offset, size_t want, size_t least) {
  if (offset >= limit_ || want == 0) return {};
  want = static_cast<size_t>(std::min<uint64_t>(want, limit_ - offset));
  std::span<const uint8_t> got = Fetch(offset, want);
  if (got.size() < std::min(least, want)) got = Refetch(offset, want);
  return got.first(static_cast<size_t>(std::min<uint64_t>(got.size(), limit_ - offset)));
}

bool CarveReader::Read(uint64_t offset, void* out, size_t size) {
  if (!Has(offset, size)) return false;
  auto* to = static_cast<uint8_t*>(out);
  while (size > 0) {
    const std::span<const uint8_t> got = View(offset, size);
    if (got.empty()) return false;
    std::memcpy(to, got.data(), got.size());
    to += got.size();
    offset += got.size();
    size -= got.size();
  }
  return true;
}

size_t CarveReader::Peek(uint64_t offset, uint8_t* out, size_t size) {
  if (offset >= limit_) return 0;
  return Probe(offset, out, static_cast<size_t>(std::min<uint64_t>(size, limit_ - offset)));
}

bool CarveReader::ForeignStartAt(uint64_t offset) {
  if (offset == 0 || offset % blockBytes_ != 0 || offset >= limit_) return false;
  uint8_t probe[kProbeBytes];
  const size_t got = Peek(offset, probe, kProbeBytes);
  return StrongSignatureAt(probe, got);
}

uint64_t CarveReader::FirstForeignStart(uint64_t from, uint64_t to) {
  to = std::min(to, limit_);
  for (uint64_t b = std::max<uint64_t>((from + blockBytes_ - 1) / blockBytes_, 1) * blockBytes_; b < to;
       b += blockBytes_) {
    const std::span<const uint8_t> head = View(b, kProbeBytes, kProbeBytes);
    if (head.empty()) return to;
    if (StrongSignatureAt(head.data(), head.size())) return b;
  }
  return to;
}

std::span<const uint8_t> SpanReader::Fetch(uint64_t offset, size_t want) {
  if (offset >= bytes_.size()) return {};
  return bytes_.subspan(static_cast<size_t>(offset), std::min<size_t>(want, bytes_.size() - offset));
}

size_t SpanReader::Probe(uint64_t offset, uint8_t* out, size_t size) {
  const std::span<const uint8_t> got = Fetch(offset, size);
  std::memcpy(out, got.data(), got.size());
  return got.size();
}

SourceReader::SourceReader(disk::SectorSource& source, uint64_t startSector, uint64_t limit, uint32_t blockBytes,
                           size_t firstRead)
    : CarveReader(limit, blockBytes),
      source_(source),
      startSector_(startSector),
      firstRead_(std::max<size_t>(firstRead, kSector)),
      nextRead_(firstRead_) {}

void SourceReader::Restart(uint64_t startSector, uint64_t limit) {
  startSector_ = startSector;
  SetLimit(limit);
  borrowed_ = {};
  bufferBytes_ = 0;
  bufferStart_ = 0;
  nextRead_ = firstRead_;
}

std::span<const uint8_t> SourceReader::Fetch(uint64_t offset, size_t want) {
  if (offset < borrowed_.size())
    return borrowed_.subspan(static_cast<size_t>(offset), std::min<size_t>(want, borrowed_.size() - offset));
  const bool inBuffer = offset >= bufferStart_ && offset < bufferStart_ + bufferBytes_;
  if (!inBuffer && !Load(offset, want)) return {};
  const size_t at = static_cast<size_t>(offset - bufferStart_);
  return {buffer_.data() + at, std::min(want, bufferBytes_ - at)};
}

std::span<const uint8_t> SourceReader::Refetch(uint64_t offset, size_t want) {
  if (!Load(offset, want)) return {};
  const size_t at = static_cast<size_t>(offset - bufferStart_);
  return {buffer_.data() + at, std::min(want, bufferBytes_ - at)};
}

bool SourceReader::Load(uint64_t offset, size_t want) {
  // Reading on from where the buffer ended is a walker moving forward:
  // the next read is larger. A jump starts small again.
  const bool forward = bufferBytes_ > 0 && offset >= bufferStart_ && offset <= bufferStart_ + bufferBytes_ + kSector;
  nextRead_ = forward ? std::min(nextRead_ * 2, kLargestRead) : firstRead_;
  const uint64_t first = offset / kSector * kSector;
  const size_t bytes = std::min(std::max<size_t>(nextRead_, static_cast<size_t>(offset - first) + want), kLargestRead);
  const uint32_t sectors = static_cast<uint32_t>((bytes + kSector - 1) / kSector);
  if (buffer_.size() < size_t{sectors} * kSector) buffer_.resize(size_t{sectors} * kSector);
  bufferStart_ = first;
  bufferBytes_ = 0;
  uint32_t got = 0;
  if (!source_.Read(startSector_ + first / kSector, sectors, buffer_.data(), got)) {
    // A large read fails as a whole over one bad sector: the sectors asked
    // for are tried on their own, so the file is read up to that sector.
    const uint32_t needed = static_cast<uint32_t>((offset - first + want + kSector - 1) / kSector);
    got = 0;
    if (needed >= sectors || !source_.Read(startSector_ + first / kSector, needed, buffer_.data(), got)) return false;
  }
  bufferBytes_ = got;
  return offset < bufferStart_ + bufferBytes_;
}

size_t SourceReader::Probe(uint64_t offset, uint8_t* out, size_t size) {
  // From memory as far as it goes: the borrowed bytes, then the buffer.
  size_t done = 0;
  while (done < size) {
    const uint64_t at = offset + done;
    std::span<const uint8_t> have;
    if (at < borrowed_.size()) {
      have = borrowed_.subspan(static_cast<size_t>(at), std::min<size_t>(size - done, borrowed_.size() - at));
    } else if (at >= bufferStart_ && at < bufferStart_ + bufferBytes_) {
      const size_t from = static_cast<size_t>(at - bufferStart_);
      have = {buffer_.data() + from, std::min(size - done, bufferBytes_ - from)};
    } else {
      break;
    }
    std::memcpy(out + done, have.data(), have.size());
    done += have.size();
  }
  if (done == size) return done;
  // The rest read on its own, whole sectors, so the buffer's views stay
  // valid.
  const uint64_t at = offset + done;
  const uint64_t first = at / kSector * kSector;
  const uint32_t count = static_cast<uint32_t>((at - first + (size - done) + kSector - 1) / kSector);
  uint8_t small[2 * kSector];
  std::vector<uint8_t> large(count > 2 ? size_t{count} * kSector : 0);
  uint8_t* sectors = count > 2 ? large.data() : small;
  uint32_t got = 0;
  if (!source_.Read(startSector_ + first / kSector, count, sectors, got) || got <= at - first) return done;
  const size_t n = std::min<size_t>(size - done, got - static_cast<size_t>(at - first));
  std::memcpy(out + done, sectors + (at - first), n);
  return done + n;
}

}  // namespace tarnwell::physical::carve
