#include "physical/carve/jpeg_gap.h"

#include <algorithm>
#include <cstring>

#include "disk/sector_source.h"
#include "physical/carve/jpeg_walk.h"

namespace tarnwell::physical::carve {
namespace {

constexpr uint64_t kSector = 512;
// Second pieces are looked for this far after the break, block by block,
// in bytes read once; found files that end within kLongestGap are tried as
// the whole gap (a camera writes whole pictures between the pieces).
constexpr uint64_t kSweptBytes = uint64_t{4} << 20;
constexpr uint64_t kLongestGap = uint64_t{64} << 20;
// Work bounds. A trial decodes this far past the junction: a wrong
// second piece of random or unrelated data breaks well within it. One
// that holds up is followed to the picture's end, at most kFollowed times
// a picture: another picture's data made with the same Huffman tables
// decodes on for as long as it lasts, and only the count of MCUs and the
// EOI at the end tell it from the right one.
constexpr uint64_t kTrialBytes = 4096;
constexpr int kFollowed = 8;
constexpr size_t kBoundariesTried = 32;
constexpr uint64_t kTrialsPerPicture = 20000;
constexpr size_t kPicturesTried = 4096;
// All pictures together: a disk of thousands of broken pictures costs
// seconds, not hours.
constexpr uint64_t kTrialsInAll = 400000;

// Whether a block can carry on entropy-coded data: no marker but a restart
// or the end of the picture (slack follows that), and dense, as compressed
// data is (text, zeros and tables are not). A block that ends the picture
// early is too short to judge and passes.
bool CouldContinueScan(const uint8_t* p, size_t n) {
  size_t end = n;
  for (size_t i = 0; i + 1 < n; ++i) {
    if (p[i] != 0xFF) continue;
    const uint8_t m = p[i + 1];
    if (m == 0x00 || (m >= 0xD0 && m <= 0xD7)) {
      ++i;
      continue;
    }
    if (m != 0xD9) return false;
    end = i;
    break;
  }
  if (end < 64) return true;
  bool seen[256] = {};
  size_t distinct = 0;
  for (size_t i = 0; i < end; ++i) distinct += seen[p[i]] ? 0 : (seen[p[i]] = true, 1);
  return distinct * 3 >= std::min<size_t>(end, 288);
}

// The first piece up to a boundary, then the second piece: from bytes held
// in memory (a trial), or from the disk (the one that passed). The first
// piece's bytes needed (from the earliest snapshot to the latest boundary)
// are held in memory; before them nothing is read.
class JoinedReader final : public CarveReader {
 public:
  JoinedReader(disk::SectorSource& source, uint64_t limit, uint32_t blockBytes, uint64_t firstBase,
               std::vector<uint8_t> firstBytes)
      : CarveReader(limit, blockBytes),
        limit_(limit),
        disk_(source, 0, 0, blockBytes),
        firstBase_(firstBase),
        first_(std::move(firstBytes)) {}

  void JoinInMemory(uint64_t boundary, std::span<const uint8_t> second) {
    boundary_ = boundary;
    memory_ = second;
    onDisk_ = false;
    SetLimit(std::min(limit_, boundary + second.size()));
  }
  void JoinOnDisk(uint64_t boundary, uint64_t secondSector) {
    boundary_ = boundary;
    onDisk_ = true;
    disk_.Restart(secondSector, limit_ > boundary ? limit_ - boundary : 0);
    SetLimit(limit_);
  }

 protected:
  std::span<const uint8_t> Fetch(uint64_t offset, size_t want) override {
    if (offset >= boundary_) return Second(offset - boundary_, want);
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
    if (onDisk_) return done + disk_.Peek(offset + done - boundary_, out + done, size - done);
    const std::span<const uint8_t> tail = Second(offset + done - boundary_, size - done);
    std::memcpy(out + done, tail.data(), tail.size());
    return done + tail.size();
  }

 private:
  std::span<const uint8_t> Second(uint64_t offset, size_t want) {
    if (onDisk_) return disk_.View(offset, want);
    if (offset >= memory_.size()) return {};
    return memory_.subspan(static_cast<size_t>(offset), std::min<size_t>(want, memory_.size() - offset));
  }

  const uint64_t limit_;
  SourceReader disk_;
  std::span<const uint8_t> memory_;
  bool onDisk_ = false;
  uint64_t firstBase_;
  std::vector<uint8_t> first_;
  uint64_t boundary_ = 0;
};

// Found files by first sector, for "is this sector inside one": whole
// files, and the parts of damaged ones that validated (another picture's
// first piece is no second piece of this one), all but the picture being
// joined, whose own blocks are ruled out by the boundary tried.
class FoundExtents {
 public:
  FoundExtents(const std::vector<CarvedFile>& files, uint64_t joining) : files_(files), joining_(joining) {}
  bool Inside(uint64_t sector) const {
    auto it = std::upper_bound(files_.begin(), files_.end(), sector,
                               [](uint64_t s, const CarvedFile& f) { return s < f.sector; });
    // Files lie in disk order and do not overlap: only the last one that
    // begins at or before the sector can hold it.
    if (it == files_.begin()) return false;
    --it;
    return it->sector != joining_ && sector < it->FirstPieceEndSector();
  }

 private:
  const std::vector<CarvedFile>& files_;
  uint64_t joining_;
};

class PictureJoiner {
 public:
  PictureJoiner(disk::SectorSource& source, const CarveArea& area, const std::vector<CarvedFile>& files,
                uint64_t joining, engine::MessagePump& pump, const bool& stop, uint64_t& trialsLeft)
      : source_(source),
        area_(area),
        files_(files),
        found_(files, joining),
        pump_(pump),
        stop_(stop),
        trialsLeft_(trialsLeft) {}

  bool Join(CarvedFile& picture);

 private:
  // Blocks that may begin the second piece: outside found files, free on
  // a volume, and looking like entropy-coded data.
  bool Candidate(uint64_t sector, const uint8_t* block) {
    if (sector >= area_.end || found_.Inside(sector) || (area_.free && !area_.free->IsFree(sector))) return false;
    return CouldContinueScan(block, kSector);
  }
  // The sectors right after found files (the gap is whole files), then
  // every block near the break.
  std::vector<uint64_t> SecondPieces(uint64_t earliest);
  bool Try(const JpegScanDecoder::Boundary& end, uint64_t secondSector, CarvedFile& picture);
  bool Finish(const JpegScanDecoder::Boundary& end, uint64_t secondSector, CarvedFile& picture);

  disk::SectorSource& source_;
  const CarveArea& area_;
  const std::vector<CarvedFile>& files_;
  FoundExtents found_;
  engine::MessagePump& pump_;
  const bool& stop_;
  uint64_t& trialsLeft_;
  uint64_t trials_ = 0;
  int followed_ = 0;
  // The blocks after the break, read once for the trials.
  std::vector<uint8_t> window_;
  uint64_t windowSector_ = 0;
  // Set while a picture is tried.
  JoinedReader* joined_ = nullptr;
  const JpegWalk* walk_ = nullptr;
  const JpegBreak* break_ = nullptr;
};

std::vector<uint64_t> PictureJoiner::SecondPieces(uint64_t earliest) {
  const uint64_t step = area_.blockSectors;
  const uint64_t first = area_.first + (earliest - area_.first) / step * step + step;
  windowSector_ = first;
  const uint64_t sectors = std::min(area_.end > first ? area_.end - first : 0, kSweptBytes / kSector);
  window_.assign(static_cast<size_t>(sectors * kSector), 0);
  uint32_t got = 0;
  if (sectors == 0 || !source_.Read(first, static_cast<uint32_t>(sectors), window_.data(), got)) got = 0;
  window_.resize(got / kSector * kSector);
  std::vector<uint64_t> seconds;
  const uint64_t gapEnd = std::min(area_.end, earliest + kLongestGap / kSector);
  uint8_t block[kSector];
  for (auto it = std::upper_bound(files_.begin(), files_.end(), earliest,
                                  [](uint64_t s, const CarvedFile& f) { return s < f.sector; });
       it != files_.end() && it->sector < gapEnd; ++it) {
    if (it->damaged) continue;
    const uint64_t after = area_.first + (it->FirstPieceEndSector() - area_.first + step - 1) / step * step;
    uint32_t n = 0;
    if (after < area_.end && source_.Read(after, 1, block, n) && n == kSector && Candidate(after, block))
      seconds.push_back(after);
  }
  for (uint64_t s = first; (s - first) * kSector < window_.size(); s += step)
    if (Candidate(s, window_.data() + (s - first) * kSector)) seconds.push_back(s);
  return seconds;
}

bool PictureJoiner::Finish(const JpegScanDecoder::Boundary& end, uint64_t secondSector, CarvedFile& picture) {
  joined_->JoinOnDisk(end.offset, secondSector);
  JpegScanDecoder decoder(*joined_, walk_->Tables(), break_->scan);
  if (decoder.Run(end.snapshot) != JpegScanDecoder::Outcome::kEnded) return false;
  JpegWalk rest(*joined_, *walk_);
  const WalkResult result = rest.From(decoder.End());
  if (result.verdict != Verdict::kComplete) return false;
  picture.length = result.length;
  picture.damaged = false;
  picture.firstPieceBytes = end.offset;
  picture.secondSector = secondSector;
  return true;
}

bool PictureJoiner::Try(const JpegScanDecoder::Boundary& end, uint64_t secondSector, CarvedFile& picture) {
  ++trials_;
  --trialsLeft_;
  // The first few kilobytes past the junction, decoded from the bytes in
  // memory (or on the disk past them); the rest only for one that holds.
  const bool inWindow = secondSector >= windowSector_ && (secondSector - windowSector_) * kSector < window_.size();
  if (inWindow) {
    joined_->JoinInMemory(end.offset, std::span<const uint8_t>(window_).subspan(
                                          static_cast<size_t>((secondSector - windowSector_) * kSector)));
  } else {
    joined_->JoinOnDisk(end.offset, secondSector);
  }
  JpegScanDecoder decoder(*joined_, walk_->Tables(), break_->scan);
  const uint64_t budget = end.offset + kTrialBytes;
  const JpegScanDecoder::Outcome outcome = decoder.Run(end.snapshot, budget);
  const bool held = outcome == JpegScanDecoder::Outcome::kEnded ||
                    decoder.GoodEnd() + kSector >= std::min(budget, joined_->Limit());
  if (!held || followed_ >= kFollowed) return false;
  ++followed_;
  return Finish(end, secondSector, picture);
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
  for (auto it = br.boundaries.rbegin(); it != br.boundaries.rend() && ends.size() < kBoundariesTried; ++it)
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
  joined_ = &joined;
  walk_ = &walk;
  break_ = &br;
  const std::vector<uint64_t> seconds = SecondPieces(picture.sector + ends.back().offset / kSector);
  // The likeliest end of the first piece first (the latest boundary before
  // the break), each with every second piece in turn: those right after
  // found files, then the blocks near the break.
  for (const auto& e : ends) {
    const uint64_t firstEnd = picture.sector + e.offset / kSector;
    for (size_t i = 0; i < seconds.size(); ++i) {
      pump_.Pump();
      if (stop_ || trials_ >= kTrialsPerPicture || trialsLeft_ == 0 || followed_ >= kFollowed) return false;
      if (seconds[i] > firstEnd && Try(e, seconds[i], picture)) return true;
    }
  }
  return false;
}

}  // namespace

void JoinDamagedPictures(disk::SectorSource& source, const CarveArea& area, std::vector<CarvedFile>& files,
                         engine::MessagePump& pump, const bool& stop) {
  size_t tried = 0;
  uint64_t trialsLeft = kTrialsInAll;
  for (CarvedFile& file : files) {
    if (stop || tried >= kPicturesTried || trialsLeft == 0) return;
    if (file.family != Family::kJpeg || !file.damaged || file.Joined()) continue;
    ++tried;
    PictureJoiner joiner(source, area, files, file.sector, pump, stop, trialsLeft);
    joiner.Join(file);
  }
}

}  // namespace tarnwell::physical::carve
