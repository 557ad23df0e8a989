// The landmark pass of the raw-range scan over a 2 GiB sparse image, beside
// a plain `cat IMAGE > /dev/null` of the same file in the same run (target:
// the pass at 70% of cat or better); and the folder lookup by bisection
// among 500,000 found FAT items (target: well under a millisecond).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "engine/throttled_pump.h"
#include "physical/physical_drive.h"
#include "physical/raw/found_lookup.h"
#include "physical/raw/raw_scan.h"
#include "platform/device_table.h"

namespace {

using namespace tarnwell;

constexpr uint64_t kImageBytes = uint64_t{2} << 30;

class IdlePump final : public engine::ThrottledPump {
 protected:
  void ProcessEvents() override {}
};

// A sparse image with a directory start and a FILE record every 16 MiB.
std::string MakeImage() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = std::string(dir ? dir : "/tmp") + "/tarnwell-raw-bench.img";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(kImageBytes)) != 0) std::abort();
  for (uint64_t at = 1 << 20; at < kImageBytes; at += uint64_t{16} << 20) {
    uint8_t sector[1024] = {};
    std::memcpy(sector, ".          ", 11);
    std::memcpy(sector + 32, "..         ", 11);
    std::memcpy(sector + 512, "FILE", 4);
    sector[512 + 20] = 56;
    sector[512 + 56] = 0x10;
    if (::pwrite(fd, sector, sizeof sector, static_cast<off_t>(at)) != 1024) std::abort();
  }
  ::close(fd);
  return path;
}

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

void BM_LandmarksBesideCat(benchmark::State& state) {
  const std::string image = MakeImage();
  auto& table = platform::DeviceTable::Instance();
  table.Reset();
  if (!table.AttachImage(image)) std::abort();
  engine::NullEventLog log;
  engine::NullMessageBoxes boxes;
  IdlePump pump;
  engine::NullProgressBar progress;
  physical::TPhysicalDrive drive(*physical::QueryPhysicalDriveRecord(0), {log, boxes, pump});
  const std::string cat = "cat '" + image + "' > /dev/null";
  double catSeconds = 0, scanSeconds = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(cat.c_str()) != 0) std::abort();
    const auto t1 = std::chrono::steady_clock::now();
    physical::raw::ScanRange(drive, drive.WholeDisk(), progress);
    const auto t2 = std::chrono::steady_clock::now();
    catSeconds += Seconds(t0, t1);
    scanSeconds += Seconds(t1, t2);
  }
  const double mb = static_cast<double>(kImageBytes) / 1e6 * static_cast<double>(state.iterations());
  state.counters["cat_MB_s"] = mb / catSeconds;
  state.counters["scan_MB_s"] = mb / scanSeconds;
  state.counters["scan_vs_cat"] = catSeconds / scanSeconds;
  state.counters["dir_starts"] = static_cast<double>(drive.WholeDisk().DirSectors.size());
  state.counters["file_records"] = static_cast<double>(drive.FileRecordSectors.size());
  table.Reset();
  ::unlink(image.c_str());
}
BENCHMARK(BM_LandmarksBesideCat)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// 500,000 items in 50,000 folders of 10; one lookup per iteration.
void BM_FolderLookupAmong500000(benchmark::State& state) {
  auto& table = platform::DeviceTable::Instance();
  table.Reset();
  table.AttachMemoryImage("lookup", std::make_shared<const std::vector<uint8_t>>(512 * 16));
  engine::NullEventLog log;
  engine::NullMessageBoxes boxes;
  IdlePump pump;
  physical::TPhysicalDrive drive(*physical::QueryPhysicalDriveRecord(0), {log, boxes, pump});
  physical::TPartiEntry& entry = drive.WholeDisk();
  drive.CurrentPartition = &entry;
  for (uint32_t i = 0; i < 500000; ++i) {
    auto e = std::make_unique<physical::TMidEntry>();
    e->DirSector = 1000 + (i / 10) * 8;
    entry.FatEntries.push_back(std::move(e));
  }
  uint32_t folder = 0;
  int first = -1, last = -1;
  for (auto _ : state) {
    physical::raw::FindFatFolderRange(drive, 1000 + (folder * 7919 % 50000) * 8, first, last);
    benchmark::DoNotOptimize(last);
    ++folder;
  }
  if (last - first != 9) std::abort();
  table.Reset();
}
BENCHMARK(BM_FolderLookupAmong500000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
