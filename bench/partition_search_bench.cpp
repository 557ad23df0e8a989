// The search for lost partitions over a 2 GiB sparse image, beside a plain
// `cat IMAGE > /dev/null` of the same file in the same run. Reports both
// rates and their ratio (target: the search at 70% of cat or better).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <cstdlib>
#include <string>

#include "engine/throttled_pump.h"
#include "physical/partition_search.h"
#include "physical/physical_drive.h"
#include "platform/device_table.h"

namespace {

using namespace tarnwell;

constexpr uint64_t kImageBytes = uint64_t{2} << 30;

using QuietLog = engine::NullEventLog;
using QuietBoxes = engine::NullMessageBoxes;
class IdlePump final : public engine::ThrottledPump {
 protected:
  void ProcessEvents() override {}
};

// A sparse image with a FAT16 boot sector every 256 MiB, so the search has
// something to recognise besides holes.
std::string MakeImage() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = std::string(dir ? dir : "/tmp") + "/tarnwell-search-bench.img";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(kImageBytes)) != 0) std::abort();
  for (uint64_t at = 1 << 20; at < kImageBytes; at += uint64_t{256} << 20) {
    uint8_t boot[512] = {0xEB, 0x3C, 0x90};
    const uint32_t serial = static_cast<uint32_t>(at >> 20);
    for (int i = 0; i < 4; ++i) boot[39 + i] = static_cast<uint8_t>(serial >> (8 * i));
    boot[19] = 0x00;
    boot[20] = 0x80;  // 32768 sectors
    std::memcpy(boot + 54, "FAT16   ", 8);
    boot[510] = 0x55;
    boot[511] = 0xAA;
    if (::pwrite(fd, boot, sizeof boot, static_cast<off_t>(at)) != 512) std::abort();
  }
  ::close(fd);
  return path;
}

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

void BM_SearchBesideCat(benchmark::State& state) {
  const std::string image = MakeImage();
  auto& table = platform::DeviceTable::Instance();
  table.Reset();
  if (!table.AttachImage(image)) std::abort();
  QuietLog log;
  QuietBoxes boxes;
  IdlePump pump;
  engine::NullProgressBar progress;
  physical::TPhysicalDrive drive(*physical::QueryPhysicalDriveRecord(0), {log, boxes, pump});
  const std::string cat = "cat '" + image + "' > /dev/null";
  double catSeconds = 0, searchSeconds = 0;
  size_t found = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(cat.c_str()) != 0) std::abort();
    const auto t1 = std::chrono::steady_clock::now();
    drive.FoundPartitions.clear();
    physical::SearchPartitions(drive, drive.WholeDisk(), progress,
                               static_cast<int64_t>(drive.TotalSectors()), 0);
    const auto t2 = std::chrono::steady_clock::now();
    found = drive.FoundPartitions.size();
    catSeconds += Seconds(t0, t1);
    searchSeconds += Seconds(t1, t2);
  }
  const double mb = static_cast<double>(kImageBytes) / 1e6 * static_cast<double>(state.iterations());
  state.counters["cat_MB_s"] = mb / catSeconds;
  state.counters["search_MB_s"] = mb / searchSeconds;
  state.counters["search_vs_cat"] = catSeconds / searchSeconds;
  state.counters["found"] = static_cast<double>(found);
  table.Reset();
  ::unlink(image.c_str());
}
BENCHMARK(BM_SearchBesideCat)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
