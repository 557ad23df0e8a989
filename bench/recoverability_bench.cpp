// What telling each deleted file's recoverability costs a listing: the scan
// of a volume and a walk over all its entries (name, size, stamp), beside
// the same with every entry's recoverability asked, in the same run. The
// figure that matters is the second's time over the first's.
// The images are made by
//   bench/make_exfat_bench_image.sh build/bench-data/exfat-50k.img
//   bench/make_ntfs_bench_image.sh build/bench-data/ntfs-100k.img
// and named by TARNWELL_EXFAT_BENCH_IMAGE and TARNWELL_NTFS_BENCH_IMAGE.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/attached_volume.h"

namespace {

using namespace tarnwell;
using bench::BenchImagePath;

void ScanAndWalk(benchmark::State& state, const std::string& image, const char* howToMake, bool askState) {
  bench::AttachedVolume volume(state, image, howToMake);
  engine::TLogiDrive* drive = volume.Drive();
  if (!drive) return;
  engine::TUndelete& undelete = volume.Engine();
  size_t flagged = 0;
  for (auto _ : state) {
    // A fresh scan each time: the states are worked out anew.
    (void)undelete.ScanVolume(*drive, true, volume.status, volume.progress);
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

const std::string kExfat = BenchImagePath("TARNWELL_EXFAT_BENCH_IMAGE", "build/bench-data/exfat-50k.img");
const std::string kNtfs = BenchImagePath("TARNWELL_NTFS_BENCH_IMAGE", "build/bench-data/ntfs-100k.img");

constexpr char kMakeExfat[] = "run bench/make_exfat_bench_image.sh";
constexpr char kMakeNtfs[] = "run bench/make_ntfs_bench_image.sh";

void BM_ExfatListing(benchmark::State& state) { ScanAndWalk(state, kExfat, kMakeExfat, false); }
void BM_ExfatListingWithStates(benchmark::State& state) { ScanAndWalk(state, kExfat, kMakeExfat, true); }
void BM_NtfsListing(benchmark::State& state) { ScanAndWalk(state, kNtfs, kMakeNtfs, false); }
void BM_NtfsListingWithStates(benchmark::State& state) { ScanAndWalk(state, kNtfs, kMakeNtfs, true); }

BENCHMARK(BM_ExfatListing)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ExfatListingWithStates)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_NtfsListing)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_NtfsListingWithStates)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace

BENCHMARK_MAIN();
