// The MFT scan beside The Sleuth Kit's "fls -r -p" on the same NTFS image,
// in the same run: records listed per second, peak RSS, and heap bytes held
// per listed record once the scan is done.
// The image (over 100,000 MFT records) is made by
//   bench/make_ntfs_bench_image.sh build/bench-data/ntfs-100k.img
// and named by TARNWELL_NTFS_BENCH_IMAGE (default: that path).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "bench/attached_volume.h"

namespace {

using namespace tarnwell;

std::string ImagePath() {
  return bench::BenchImagePath("TARNWELL_NTFS_BENCH_IMAGE", "build/bench-data/ntfs-100k.img");
}


double ChildCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

size_t g_listed = 0;  // records our scan lists, the unit of both rates

void BM_TarnwellNtfsScan(benchmark::State& state) {
  bench::AttachedVolume volume(state, ImagePath(), "run bench/make_ntfs_bench_image.sh");
  engine::TLogiDrive* drive = volume.Drive();
  if (!drive) return;
  double bytesPerRecord = 0;
  double seconds = 0;
  double cpuSeconds = 0;
  for (auto _ : state) {
    drive->ClearEntries();
    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    (void)volume.Engine().ScanVolume(*drive, true, volume.status, volume.progress);
    cpuSeconds += static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    g_listed = drive->NtfsEntries.size();
    bytesPerRecord = static_cast<double>(mallinfo2().uordblks - before) /
                     static_cast<double>(std::max<size_t>(g_listed, 1));
  }
  state.counters["records"] = static_cast<double>(g_listed);
  state.counters["records_per_s"] =
      static_cast<double>(g_listed) * static_cast<double>(state.iterations()) / seconds;
  state.counters["cpu_records_per_s"] =
      static_cast<double>(g_listed) * static_cast<double>(state.iterations()) / cpuSeconds;
  state.counters["bytes_per_record"] = bytesPerRecord;
  state.counters["peak_rss_mb"] = PeakRssMb();
}
BENCHMARK(BM_TarnwellNtfsScan)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_FlsRecursive(benchmark::State& state) {
  const std::string image = ImagePath();
  if (!std::filesystem::exists(image)) {
    state.SkipWithError("no image");
    return;
  }
  size_t lines = 0;
  double seconds = 0;
  // On a shared machine wall time drifts with the load; the CPU time fls
  // itself used (a child process) is compared as well.
  const double childCpuBefore = ChildCpuSeconds();
  for (auto _ : state) {
    lines = 0;
    const auto start = std::chrono::steady_clock::now();
    FILE* p = ::popen(("fls -r -p '" + image + "'").c_str(), "r");
    if (!p) {
      state.SkipWithError("fls did not start");
      return;
    }
    char buf[4096];
    while (std::fgets(buf, sizeof buf, p)) ++lines;
    ::pclose(p);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  // Same unit as ours: the records our scan lists, per second.
  state.counters["fls_lines"] = static_cast<double>(lines);
  state.counters["cpu_records_per_s"] = static_cast<double>(g_listed) *
                                        static_cast<double>(state.iterations()) /
                                        (ChildCpuSeconds() - childCpuBefore);
  state.counters["records_per_s"] =
      static_cast<double>(g_listed) * static_cast<double>(state.iterations()) / seconds;
}
BENCHMARK(BM_FlsRecursive)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
