// What telling each deleted file's recoverability costs a listing: the scan
// of a volume and a walk over all its entries (name, size, stamp), beside
// the same with every entry's recoverability asked, in the same run. The
// figure that matters is the second's time over the first's.
// The images are made by
//   bench/make_exfat_bench_image.sh build/bench-data/exfat-50k.img
//   bench/make_ntfs_bench_image.sh build/bench-data/ntfs-100k.img
// and named by TARNWELL_EXFAT_BENCH_IMAGE and TARNWELL_NTFS_BENCH_IMAGE.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/undelete.h"
#include "platform/device_table.h"

namespace {

using namespace tarnwell;

std::string ImagePath(const char* variable, const char* fallback) {
  const char* env = std::getenv(variable);
  return env ? env : fallback;
}

void ScanAndWalk(benchmark::State& state, const std::string& image, bool askState) {
  auto& table = platform::DeviceTable::Instance();
  table.Reset();
  std::string error;
  if (!std::filesystem::exists(image) || !table.AttachImage(image, &error)) {
    state.SkipWithError(("no image " + image).c_str());
    return;
  }
  engine::NullMessageBoxes boxes;
  engine::NullMessagePump pump;
  engine::NullStatusPanel status;
  engine::NullProgressBar progress;
  engine::TUndelete undelete(boxes, pump);
  engine::TLogiDrive* drive = undelete.FindDrive('C');
  if (!drive) {
    state.SkipWithError("no volume C:");
    return;
  }
  size_t flagged = 0;
  for (auto _ : state) {
    // A fresh scan each time: the states are worked out anew.
    (void)undelete.ScanVolume(*drive, true, status, progress);
    size_t bytes = 0;
    const auto walk = [&](const engine::EntryHandle& entry) {
      bytes += entry.Name().size() + entry.Size() + (entry.Stamp(engine::kDateModified) > 0);
      if (askState) flagged += entry.Recoverable() != engine::Recoverability::kNone;
    };
    for (const auto& e : drive->FatEntries) walk(undelete.EntryOf(*e));
    for (const auto& r : drive->NtfsEntries) walk(undelete.EntryOf(*r));
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["entries"] = static_cast<double>(drive->EntryCount());
  state.counters["with_state"] = static_cast<double>(flagged) / static_cast<double>(state.iterations());
}

const std::string kExfat = ImagePath("TARNWELL_EXFAT_BENCH_IMAGE", "build/bench-data/exfat-50k.img");
const std::string kNtfs = ImagePath("TARNWELL_NTFS_BENCH_IMAGE", "build/bench-data/ntfs-100k.img");

void BM_ExfatListing(benchmark::State& state) { ScanAndWalk(state, kExfat, false); }
void BM_ExfatListingWithStates(benchmark::State& state) { ScanAndWalk(state, kExfat, true); }
void BM_NtfsListing(benchmark::State& state) { ScanAndWalk(state, kNtfs, false); }
void BM_NtfsListingWithStates(benchmark::State& state) { ScanAndWalk(state, kNtfs, true); }

BENCHMARK(BM_ExfatListing)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ExfatListingWithStates)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_NtfsListing)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_NtfsListingWithStates)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace

BENCHMARK_MAIN();
