#pragma once
// Copies a disk, a partition or an image to a new image file, with its
// ddrescue map beside it, in the order of rescue_passes.h. The windows and
// the command-line front end drive it as they drive a scan: through the
// progress bar, status panel, event log and message pump, with a stop
// command that is heard between two reads and leaves the map saved, so
// that running it again continues where it stopped.
#include <chrono>
#include <optional>
#include <string>

#include "disk/imaging/imaging_result.h"
#include "disk/imaging/rescue_passes.h"
#include "disk/sector_source.h"
#include "engine/window_interfaces.h"
#include "platform/storage_overlap.h"

namespace tarnwell::disk::imaging {

struct ImagingWindow {
  engine::ProgressBar& progress;
  engine::StatusPanel& status;
  engine::EventLog& log;
  engine::MessagePump& pump;
};

struct ImagingRequest {
  SectorSource* source = nullptr;  // opened read-only
  // Where the source lives, so that no destination lands on it; nullopt
  // only for a source held in memory.
  std::optional<platform::StorageSpot> sourceSpot;
  std::string imagePath;
  std::string mapPath;  // empty: the image's path with ".map" added
  int retryPasses = 1;
  // Read sizes and skips; nullopt: DefaultPassSettings for the source.
  std::optional<PassSettings> passes;
  // How often the map is saved before the end (or a stop).
  std::chrono::milliseconds saveInterval = std::chrono::seconds(30);
};

// The map beside an image when none is named.
std::string DefaultMapPath(const std::string& imagePath);

class DiskImager {
 public:
  explicit DiskImager(ImagingWindow window) : window_(window) {}

  // Refuses (and writes nothing) when the image exists without its map or
  // the map without its image, when either would land on the source, or
  // when the destination has less room than the sectors still to copy;
  // with both there, continues from the map.
  ImagingResult Run(const ImagingRequest& request);

  // The stop command: heard only while Run is busy.
  void RequestStop() {
    if (busy_) stopRequested_ = true;
  }
  bool Busy() const { return busy_; }

 private:
  ImagingWindow window_;
  bool busy_ = false;
  bool stopRequested_ = false;
};

}  // namespace tarnwell::disk::imaging
