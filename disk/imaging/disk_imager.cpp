#include "disk/imaging/disk_imager.h"

#include <sys/stat.h>

#include <cerrno>
#include <ctime>

#include "disk/imaging/image_file.h"
#include "disk/imaging/imaging_report.h"
#include "disk/imaging/map_file_store.h"
#include "engine/event_log_line.h"
#include "engine/scoped_flag.h"
#include "platform/text_codec.h"
#include "platform/version_info.h"

namespace tarnwell::disk::imaging {
namespace {

using Clock = std::chrono::steady_clock;

// The status line is redrawn at most this often.
constexpr auto kProgressInterval = std::chrono::milliseconds(200);

std::string LocalTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local {};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat x {}, y {};
  if (::stat(a.c_str(), &x) != 0 || ::stat(b.c_str(), &y) != 0) return a == b;
  return x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

// One run of the copy: the checks, the map, the image and the passes.
class ImagingJob {
 public:
  ImagingJob(const ImagingRequest& request, const ImagingWindow& window, const bool& stopRequested)
      : request_(request),
        window_(window),
        stopRequested_(stopRequested),
        mapPath_(request.mapPath.empty() ? DefaultMapPath(request.imagePath) : request.mapPath) {}

  ImagingResult Run();

 private:
  bool Fail(ImagingFault fault, const std::string& path, int errorNumber = 0) {
    if (result_.Failed()) return false;  // the first fault is the one to tell
    result_.fault = fault;
    result_.path = path;
    result_.errorNumber = errorNumber;
    return false;
  }
  bool CheckDestinations();
  std::optional<RescueMap> OpenMap(uint64_t sectors, MapPosition& resume);
  bool CheckSpace(const RescueMap& map);
  bool OpenImage(uint64_t sectors);
  bool RunPasses(const MapPosition& resume);
  SectorsRead Read(uint64_t lba, uint32_t count, uint8_t* buffer);
  bool Checkpoint(const MapPosition& position, bool newPhase);
  bool SaveMap();
  ImagingFigures Figures() const;
  void ShowProgress(bool now);
  void Log(const std::string& systemText, int icon) { engine::AddLogLine(window_.log, systemText, icon); }

  const ImagingRequest& request_;
  ImagingWindow window_;
  const bool& stopRequested_;
  std::string mapPath_;
  bool resuming_ = false;
  ImagingResult result_;
  std::optional<RescueMap> map_;
  std::optional<ImageFile> image_;
  MapPosition position_;
  MapFileHeading heading_;
  Clock::time_point started_ = Clock::now();
  Clock::time_point lastSave_ = Clock::now();
  Clock::time_point lastShown_{};
  uint64_t settledAtStart_ = 0;
  uint64_t copiedBytes_ = 0;
  uint64_t reads_ = 0;
  uint64_t failedReads_ = 0;
};

bool ImagingJob::CheckDestinations() {
  if (SameFile(request_.imagePath, mapPath_)) return Fail(ImagingFault::kCannotCreateMap, mapPath_, EEXIST);
  if (!request_.sourceSpot) return true;
  for (const std::string* path : {&request_.imagePath, static_cast<const std::string*>(&mapPath_)}) {
    switch (platform::DestinationOverlap(*request_.sourceSpot, *path)) {
      case platform::Overlap::kNone: break;
      case platform::Overlap::kSameFile: return Fail(ImagingFault::kDestinationIsSource, *path);
      case platform::Overlap::kSameDisk: return Fail(ImagingFault::kDestinationOnSource, *path);
    }
  }
  return true;
}

std::optional<RescueMap> ImagingJob::OpenMap(uint64_t sectors, MapPosition& resume) {
  const bool haveImage = Exists(request_.imagePath);
  const bool haveMap = Exists(mapPath_);
  if (haveImage != haveMap) {
    if (haveImage) Fail(ImagingFault::kImageExists, request_.imagePath);
    else Fail(ImagingFault::kMapWithoutImage, mapPath_);
    return std::nullopt;
  }
  resuming_ = haveMap;
  if (!haveMap) {
    resume = {};
    return RescueMap(sectors);
  }
  int error = 0;
  const std::optional<std::string> text = ReadMapText(mapPath_, &error);
  if (!text) {
    Fail(ImagingFault::kMapUnreadable, mapPath_, error);
    return std::nullopt;
  }
  std::optional<MapFile> file = ParseMapFile(*text, &result_.mapError);
  std::optional<RescueMap> map;
  if (file) map = SectorMapOf(*file, sectors, &result_.mapError);
  if (!map) {
    Fail(ImagingFault::kMapDamaged, mapPath_);
    return std::nullopt;
  }
  // Maps that other tools left filling or generating start over; what
  // their blocks say stays.
  const Phase phase = file->position.phase;
  resume = phase == Phase::kFilling || phase == Phase::kGenerating ? MapPosition{} : file->position;
  return map;
}

bool ImagingJob::CheckSpace(const RescueMap& map) {
  // Every sector still to copy may need its room; what is copied has it.
  const uint64_t needed = (map.Sectors() - map.SectorsWith(BlockStatus::kFinished)) * kSectorSize;
  const std::optional<uint64_t> free = platform::FreeBytesIn(platform::FolderOf(request_.imagePath));
  if (!free || *free >= needed) return true;
  result_.neededBytes = needed;
  result_.freeBytes = *free;
  return Fail(ImagingFault::kNotEnoughSpace, platform::FolderOf(request_.imagePath));
}

bool ImagingJob::OpenImage(uint64_t sectors) {
  int error = 0;
  const uint64_t bytes = sectors * kSectorSize;
  image_ = resuming_ ? ImageFile::Resume(request_.imagePath, bytes, &error)
                     : ImageFile::Create(request_.imagePath, bytes, &error);
  if (image_) return true;
  if (resuming_ && error == EINVAL) return Fail(ImagingFault::kImageNotRegular, request_.imagePath);
  if (resuming_ && error == EFBIG) return Fail(ImagingFault::kImageLargerThanSource, request_.imagePath);
  return Fail(ImagingFault::kCannotCreateImage, request_.imagePath, error);
}

SectorsRead ImagingJob::Read(uint64_t lba, uint32_t count, uint8_t* buffer) {
  uint32_t bytes = 0;
  const bool ok = request_.source->Read(lba, count, buffer, bytes);
  const uint32_t whole = bytes / kSectorSize;
  ++reads_;
  if (!ok || whole < count) ++failedReads_;
  copiedBytes_ += uint64_t{whole} * kSectorSize;
  return {ok, whole};
}

bool ImagingJob::SaveMap() {
  lastSave_ = Clock::now();
  // The image first: the map must never claim sectors the image may lose.
  if (!image_->Sync()) return Fail(ImagingFault::kWriteFailed, request_.imagePath, errno);
  heading_.currentTime = LocalTimeText();
  int error = 0;
  if (!SaveMapFile(mapPath_, FormatMapFile(*map_, position_, heading_), &error))
    return Fail(ImagingFault::kMapSaveFailed, mapPath_, error);
  return true;
}

bool ImagingJob::Checkpoint(const MapPosition& position, bool newPhase) {
  position_ = position;
  window_.pump.Pump();
  if (newPhase) Log(PhaseLogText(position), engine::kLogInformation);
  // Saved now and then and at the end, never more often than asked: each
  // save makes the image durable first, which costs a flush of all that
  // was written since the last one.
  if (Clock::now() - lastSave_ >= request_.saveInterval && !SaveMap()) return false;
  ShowProgress(newPhase);
  return !stopRequested_;
}

ImagingFigures ImagingJob::Figures() const {
  ImagingFigures f;
  const RescueMap& map = *map_;
  f.diskBytes = map.Sectors() * kSectorSize;
  f.finishedBytes = map.SectorsWith(BlockStatus::kFinished) * kSectorSize;
  f.nonTriedBytes = map.SectorsWith(BlockStatus::kNonTried) * kSectorSize;
  f.nonTrimmedBytes = map.SectorsWith(BlockStatus::kNonTrimmed) * kSectorSize;
  f.nonScrapedBytes = map.SectorsWith(BlockStatus::kNonScraped) * kSectorSize;
  f.badSectorBytes = map.SectorsWith(BlockStatus::kBadSector) * kSectorSize;
  f.badAreas = map.BadAreas();
  f.copiedBytes = copiedBytes_;
  f.reads = reads_;
  f.failedReads = failedReads_;
  f.seconds = std::chrono::duration<double>(Clock::now() - started_).count();
  f.position = position_;
  // What is settled (copied or known bad) this run, extrapolated.
  const uint64_t settled = f.finishedBytes + f.badSectorBytes;
  if (f.seconds >= 1 && settled > settledAtStart_) {
    const double rate = static_cast<double>(settled - settledAtStart_) / f.seconds;
    f.secondsLeft = static_cast<double>(f.diskBytes - settled) / rate;
  }
  return f;
}

void ImagingJob::ShowProgress(bool now) {
  const Clock::time_point t = Clock::now();
  if (!now && t - lastShown_ < kProgressInterval) return;
  lastShown_ = t;
  const ImagingFigures f = Figures();
  window_.progress.SetPosition(f.Percent());
  window_.status.SetText(ImagingStatusText(f));
}

bool ImagingJob::RunPasses(const MapPosition& resume) {
  PassSettings settings = request_.passes.value_or(DefaultPassSettings(map_->Sectors(), request_.retryPasses));
  settings.retryPasses = request_.retryPasses;
  PassIo io;
  io.read = [this](uint64_t lba, uint32_t count, uint8_t* buffer) { return Read(lba, count, buffer); };
  io.write = [this](uint64_t lba, uint32_t count, const uint8_t* data) {
    return image_->Write(lba, count, data) || Fail(ImagingFault::kWriteFailed, request_.imagePath, errno);
  };
  io.checkpoint = [this](const MapPosition& position, bool newPhase) { return Checkpoint(position, newPhase); };
  RescuePasses passes(*map_, settings, std::move(io));
  const bool ran = passes.Run(resume);
  position_ = passes.Position();
  return ran;
}

ImagingResult ImagingJob::Run() {
  const uint64_t sectors = request_.source ? request_.source->SectorCount() : 0;
  if (sectors == 0) {
    Fail(ImagingFault::kEmptySource, std::string());
    return result_;
  }
  MapPosition resume;
  if (!CheckDestinations() || !(map_ = OpenMap(sectors, resume)) || !CheckSpace(*map_)) return result_;
  if (!OpenImage(sectors)) return result_;
  heading_ = {"Tarnwell " + platform::GetVersionInfoString("productversion"), LocalTimeText(), LocalTimeText()};
  position_ = resume;
  int error = 0;
  if (!resuming_ && !CreateMapFile(mapPath_, FormatMapFile(*map_, position_, heading_), &error)) {
    // Nothing was copied into the image yet; without its map it could
    // only stand in the way of the next attempt.
    ::unlink(request_.imagePath.c_str());
    Fail(ImagingFault::kCannotCreateMap, mapPath_, error);
    return result_;
  }
  settledAtStart_ = (map_->SectorsWith(BlockStatus::kFinished) + map_->SectorsWith(BlockStatus::kBadSector)) * kSectorSize;
  window_.progress.SetVisible(true);
  const std::string target = platform::SystemText(request_.imagePath);
  if (resuming_) {
    Log(platform::SystemText("按映射文件继续复制到 ") + target + platform::SystemText("：已复制 ") +
            platform::SystemText(SizeText(settledAtStart_) + " / " + SizeText(sectors * kSectorSize)),
        engine::kLogInformation);
  } else {
    Log(platform::SystemText("开始复制到 ") + target, engine::kLogInformation);
  }
  ShowProgress(true);

  const bool ran = RunPasses(resume);
  result_.stopped = !ran && !result_.Failed();
  // Whatever ended the passes, the map keeps what was copied. After a
  // failed save the one on disk is the last good one.
  if (result_.fault != ImagingFault::kMapSaveFailed) (void)SaveMap();
  result_.figures = Figures();
  ShowProgress(true);
  const std::string closing = result_.Failed() ? ImagingFaultText(result_) : ImagingSummaryText(result_);
  Log(closing, result_.Failed() ? engine::kLogError : result_.stopped ? engine::kLogStopped : engine::kLogInformation);
  window_.status.SetText(closing);
  window_.progress.SetVisible(false);
  return result_;
}

}  // namespace

std::string DefaultMapPath(const std::string& imagePath) { return imagePath + ".map"; }

ImagingResult DiskImager::Run(const ImagingRequest& request) {
  if (busy_) {
    ImagingResult busy;
    busy.fault = ImagingFault::kBusy;
    return busy;
  }
  engine::ScopedFlag flag(busy_);
  stopRequested_ = false;
  ImagingJob job(request, window_, stopRequested_);
  ImagingResult result = job.Run();
  stopRequested_ = false;
  return result;
}

}  // namespace tarnwell::disk::imaging
