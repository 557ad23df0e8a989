// The landmark pass of the raw-range scan over a 2 GiB sparse image, beside
// a plain `cat IMAGE > /dev/null` of the same file in the same run (target:
// the pass at 70% of cat or better); and the folder lookup by bisection
// among 500,000 found FAT items (target: well under a millisecond).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
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

double ThreadCpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
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
    (void)physical::raw::ScanRange(drive, drive.WholeDisk(), progress);
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

// The three passes over a written image of one's own (bench/
// make_disk_scale_images.sh makes ntfs-200k.img and fat32-50k.img), each
// timed, beside `cat` of the same image in the same run. Skipped unless
// TARNWELL_RAW_BENCH_IMAGE names the image.
void BM_AllPassesBesideCat(benchmark::State& state) {
  const char* image = std::getenv("TARNWELL_RAW_BENCH_IMAGE");
  if (!image) return state.SkipWithError("set TARNWELL_RAW_BENCH_IMAGE to a written disk or volume image");
  auto& table = platform::DeviceTable::Instance();
  table.Reset();
  if (!table.AttachImage(image)) return state.SkipWithError("cannot attach the image");
  engine::NullEventLog log;
  engine::NullMessageBoxes boxes;
  IdlePump pump;
  engine::NullProgressBar progress;
  physical::TPhysicalDrive drive(*physical::QueryPhysicalDriveRecord(0), {log, boxes, pump});
  const std::string cat = std::string("cat '") + image + "' > /dev/null";
  double catSeconds = 0, landmarkSeconds = 0, fatSeconds = 0, ntfsSeconds = 0, mainCpuSeconds = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(cat.c_str()) != 0) std::abort();
    const auto t1 = std::chrono::steady_clock::now();
    const double cpu0 = ThreadCpuSeconds();
    (void)physical::raw::ScanRange(drive, drive.WholeDisk(), progress);
    mainCpuSeconds += ThreadCpuSeconds() - cpu0;
    const auto t2 = std::chrono::steady_clock::now();
    physical::raw::ReadFatDirectories(drive, progress);
    const auto t3 = std::chrono::steady_clock::now();
    physical::raw::ReadNtfsRecords(drive, progress);
    const auto t4 = std::chrono::steady_clock::now();
    catSeconds += Seconds(t0, t1);
    landmarkSeconds += Seconds(t1, t2);
    fatSeconds += Seconds(t2, t3);
    ntfsSeconds += Seconds(t3, t4);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["cat_s"] = catSeconds / n;
  state.counters["landmark_s"] = landmarkSeconds / n;
  // The CPU time of the landmark pass, kernel copies included: well below
  // landmark_s when the disk, not the copying and testing, is the limit.
  state.counters["landmark_main_cpu_s"] = mainCpuSeconds / n;
  state.counters["fat_pass_s"] = fatSeconds / n;
  state.counters["ntfs_pass_s"] = ntfsSeconds / n;
  state.counters["scan_vs_cat"] = catSeconds / (landmarkSeconds + fatSeconds + ntfsSeconds);
  state.counters["fat_entries"] = static_cast<double>(drive.WholeDisk().FatEntries.size());
  state.counters["ntfs_records"] = static_cast<double>(drive.WholeDisk().NtfsRecords.size());
  table.Reset();
}
BENCHMARK(BM_AllPassesBesideCat)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

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
    auto e = std::make_unique<physical::FoundFatEntry>();
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
