#pragma once
// One copy to an image in a fresh folder, with window interfaces that
// record what the copy said, and the map and image it left behind.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "disk/imaging/disk_imager.h"
#include "disk/imaging/map_file.h"
#include "disk/imaging/map_file_store.h"
#include "tests/disk/imaging/failing_sectors.h"
#include "tests/support/fixtures.h"
#include "tests/support/recording_window.h"

namespace tarnwell::testing {

// Small reads and skips, one cluster per read, so that a few thousand
// sectors show every pass.
inline disk::imaging::PassSettings SmallPasses(uint32_t clustersPerRead = 1) {
  disk::imaging::PassSettings settings;
  settings.clusterSectors = 128;
  settings.clustersPerRead = clustersPerRead;
  settings.firstSkipSectors = 256;
  settings.largestSkipSectors = 1024;
  return settings;
}

struct ImagingSession {
  explicit ImagingSession(const std::string& hint)
      : folder(MakeTempFolder(hint)), image(folder + "/disk.img"), map(image + ".map") {}

  disk::imaging::ImagingResult Run(disk::SectorSource& source, int retries = 1,
                                   std::chrono::milliseconds saveInterval = std::chrono::seconds(30),
                                   uint32_t clustersPerRead = 1) {
    disk::imaging::ImagingRequest request;
    request.source = &source;
    request.imagePath = image;
    request.passes = SmallPasses(clustersPerRead);
    request.retryPasses = retries;
    request.saveInterval = saveInterval;
    return imager.Run(request);
  }

  // The statuses the map file on disk gives the sectors.
  std::optional<disk::imaging::RescueMap> SavedMap(uint64_t sectors) const {
    int error = 0;
    const std::optional<std::string> text = disk::imaging::ReadMapText(map, &error);
    if (!text) return std::nullopt;
    const std::optional<disk::imaging::MapFile> file = disk::imaging::ParseMapFile(*text, nullptr);
    if (!file) return std::nullopt;
    return disk::imaging::SectorMapOf(*file, sectors, nullptr);
  }
  std::optional<disk::imaging::MapPosition> SavedPosition() const {
    int error = 0;
    const std::optional<std::string> text = disk::imaging::ReadMapText(map, &error);
    const auto file = text ? disk::imaging::ParseMapFile(*text, nullptr) : std::nullopt;
    return file ? std::optional(file->position) : std::nullopt;
  }

  // Every sector the map marks finished holds the source's bytes, every
  // other one zeros (unless only the finished ones are asked about), and
  // the image is exactly as large as the disk.
  void ExpectImageFollowsMap(const disk::imaging::RescueMap& statuses, bool unreadAreZero = true) const {
    const std::vector<uint8_t> bytes = ReadBinaryFile(image);
    ASSERT_EQ(bytes.size(), statuses.Sectors() * 512);
    std::vector<uint8_t> expected(512);
    for (uint64_t s = 0; s < statuses.Sectors(); ++s) {
      if (statuses.StatusAt(s) == disk::imaging::BlockStatus::kFinished) {
        FailingSectorSource::FillSector(s, expected.data());
      } else if (unreadAreZero) {
        std::fill(expected.begin(), expected.end(), 0);
      } else {
        continue;
      }
      ASSERT_EQ(0, std::memcmp(bytes.data() + s * 512, expected.data(), 512)) << "sector " << s;
    }
  }

  std::string folder, image, map;
  RecordingProgress progress;
  RecordingStatus status;
  RecordingLog log;
  CountingPump pump;
  disk::imaging::DiskImager imager{{progress, status, log, pump}};
};

}  // namespace tarnwell::testing
