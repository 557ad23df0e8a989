#include "physical/carve/jpeg_gap.h"

#include <algorithm>
#include <cstring>

#include "disk/sector_source.h"
#include "physical/carve/jpeg_walk.h"

namespace tarnwell::physical::carve {
namespace {

constexpr uint64_t kSector = 512;
// Second pieces are looked for this far after the break when the blocks
// are tried one by one; found files that end within kLongestGap are tried
// as the whole gap (a camera writes whole pictures between the pieces).
constexpr uint64_t kSweptBytes = uint64_t{4} << 20;
constexpr uint64_t kLongestGap = uint64_t{64} << 20;
// Work bounds: trials per picture, pictures tried.
constexpr uint64_t kTrialsPerPicture = 200000;
constexpr size_t kPicturesTried = 4096;
// A trial reads little: wrong second pieces fail within a few hundred bytes.
constexpr size_t kTrialRead = 4096;

// The first piece up to a boundary, then the second piece from another
// sector. The first piece's bytes needed (from the earliest snapshot to
// the latest boundary) are held in memory; before them nothing is read.
class JoinedReader final : public CarveReader {
 public:
  JoinedReader(disk::SectorSource& source, uint64_t limit, uint32_t blockBytes, uint64_t firstBase,
               std::vector<uint8_t> firstBytes)
      : CarveReader(limit, blockBytes),
        second_(source, 0, 0, blockBytes, kTrialRead),
        firstBase_(firstBase),
        first_(std::move(firstBytes)) {}

  void Join(uint64_t boundary, uint64_t secondSector) {
    boundary_ = boundary;
    second_.Restart(secondSector, Limit() > boundary ? Limit() - boundary : 0);
  }

 protected:
  std::span<const uint8_t> Fetch(uint64_t offset, size_t want) override {
    if (offset >= boundary_) return second_.View(offset - boundary_, want);
    if (offset < firstBase_ || offset - firstBase_ >= first_.size()) return {};
    const size_t at = static_cast<size_t>(offset - firstBase_);
    return {first_.data() + at, std::min<size_t>({want, first_.size() - at, static_cast<size_t>(boundary_ - offset)})};
  }
  size_t Probe(uint64_t offset, uint8_t* out, size_t size) override {
    size_t done = 0;
    if (offset < boundary_) {
      const std::span<const uint8_t> head = Fetch(offset, size);
      std::memcpy(out, head.data(), head.size());
      done = head.size();
      if (offset + done < boundary_) return done;
    }
    return done + second_.Peek(offset + done - boundary_, out + done, size - done);
  }

 private:
  SourceReader second_;
  uint64_t firstBase_;
  std::vector<uint8_t> first_;
  uint64_t boundary_ = 0;
};

// Found files by first sector, for "is this sector inside one".
class FoundExtents {
 public:
  explicit FoundExtents(const std::vector<CarvedFile>& files) : files_(files) {}
  bool Inside(uint64_t sector) const {
    auto it = std::upper_bound(files_.begin(), files_.end(), sector,
                               [](uint64_t s, const CarvedFile& f) { return s < f.sector; });
    // Files lie in disk order and do not overlap: only the last one that
    // begins at or before the sector can hold it.
    if (it == files_.begin()) return false;
    --it;
    return !it->damaged && sector < it->FirstPieceEndSector();
  }

 private:
  const std::vector<CarvedFile>& files_;
};

class PictureJoiner {
 public:
  PictureJoiner(disk::SectorSource& source, const CarveArea& area, const std::vector<CarvedFile>& files,
                engine::MessagePump& pump, const bool& stop)
      : source_(source), area_(area), files_(files), found_(files), pump_(pump), stop_(stop) {}

  bool Join(CarvedFile& picture);

 private:
  bool Candidate(uint64_t sector) {
    if (sector >= area_.end || found_.Inside(sector)) return false;
    return !area_.free || area_.free->IsFree(sector);
  }
  bool Try(JoinedReader& joined, const JpegWalk& walk, const JpegBreak& br, const JpegScanDecoder::Boundary& b,
           uint64_t secondSector, CarvedFile& picture);

  disk::SectorSource& source_;
  const CarveArea& area_;
  const std::vector<CarvedFile>& files_;
  FoundExtents found_;
  engine::MessagePump& pump_;
  const bool& stop_;
  uint64_t trials_ = 0;
};

bool PictureJoiner::Try(JoinedReader& joined, const JpegWalk& walk, const JpegBreak& br,
                        const JpegScanDecoder::Boundary& b, uint64_t secondSector, CarvedFile& picture) {
  ++trials_;
  joined.Join(b.offset, secondSector);
  JpegScanDecoder decoder(joined, walk.Tables(), br.scan);
  if (decoder.Run(b.snapshot) != JpegScanDecoder::Outcome::kEnded) return false;
  JpegWalk rest(joined, walk);
  const WalkResult result = rest.From(decoder.End());
  if (result.verdict != Verdict::kComplete) return false;
  picture.length = result.length;
  picture.damaged = false;
  picture.firstPieceBytes = b.offset;
  picture.secondSector = secondSector;
  return true;
}

bool PictureJoiner::Join(CarvedFile& picture) {
  const uint64_t blockBytes = uint64_t{area_.blockSectors} * kSector;
  const uint64_t limit = std::min(InfoOf(Family::kJpeg).largestBytes, (area_.end - picture.sector) * kSector);
  SourceReader first(source_, picture.sector, limit, static_cast<uint32_t>(blockBytes));
  JpegWalk walk(first);
  if (walk.Run().verdict != Verdict::kDamaged || !walk.Break() || walk.Break()->boundaries.empty()) return false;
  const JpegBreak& br = *walk.Break();
  // The boundaries to try, latest first: where another file begins is the
  // end of the first piece for certain; otherwise it lies somewhere before
  // the place where decoding noticed.
  std::vector<JpegScanDecoder::Boundary> ends;
  for (auto it = br.boundaries.rbegin(); it != br.boundaries.rend(); ++it)
    if (!br.foreign || it->offset == br.foreignAt) ends.push_back(*it);
  if (ends.empty()) return false;
  uint64_t base = ends.front().offset, top = 0;
  for (const auto& e : ends) {
    base = std::min(base, e.snapshot.byteOffset);
    top = std::max(top, e.offset);
  }
  std::vector<uint8_t> firstBytes(static_cast<size_t>(top - base));
  if (!first.Read(base, firstBytes.data(), firstBytes.size())) return false;
  JoinedReader joined(source_, limit, static_cast<uint32_t>(blockBytes), base, std::move(firstBytes));

  const uint64_t step = area_.blockSectors;
  const uint64_t earliest = picture.sector + (ends.back().offset / kSector);
  // First the sectors right after found files (the gap is whole files),
  // then every block near the break.
  std::vector<uint64_t> seconds;
  const uint64_t gapEnd = std::min(area_.end, earliest + kLongestGap / kSector);
  for (auto it = std::upper_bound(files_.begin(), files_.end(), earliest,
                                  [](uint64_t s, const CarvedFile& f) { return s < f.sector; });
       it != files_.end() && it->sector < gapEnd; ++it) {
    if (it->damaged) continue;
    const uint64_t after = area_.first + (it->FirstPieceEndSector() - area_.first + step - 1) / step * step;
    if (Candidate(after)) seconds.push_back(after);
  }
  const uint64_t sweepEnd = std::min(area_.end, earliest + kSweptBytes / kSector);
  for (uint64_t s = area_.first + (earliest - area_.first) / step * step + step; s < sweepEnd; s += step)
    if (Candidate(s)) seconds.push_back(s);

  for (const uint64_t second : seconds) {
    pump_.Pump();
    if (stop_ || trials_ >= kTrialsPerPicture) return false;
    for (const auto& e : ends) {
      if (second <= picture.sector + e.offset / kSector) continue;
      if (Try(joined, walk, br, e, second, picture)) return true;
    }
  }
  return false;
}

}  // namespace

void JoinDamagedPictures(disk::SectorSource& source, const CarveArea& area, std::vector<CarvedFile>& files,
                         engine::MessagePump& pump, const bool& stop) {
  size_t tried = 0;
  for (CarvedFile& file : files) {
    if (stop || tried >= kPicturesTried) return;
    if (file.family != Family::kJpeg || !file.damaged || file.Joined()) continue;
    ++tried;
    PictureJoiner joiner(source, area, files, pump, stop);
    joiner.Join(file);
  }
}

}  // namespace tarnwell::physical::carve
