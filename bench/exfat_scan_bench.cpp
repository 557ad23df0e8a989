// Listing an exFAT volume of 50,000 files beside The Sleuth Kit's
// "fls -r -p" on the same image, in the same run: entries listed per
// second, wall and CPU time.
// The image is made by
//   bench/make_exfat_bench_image.sh build/bench-data/exfat-50k.img
// and named by TARNWELL_EXFAT_BENCH_IMAGE (default: that path).
#include <benchmark/benchmark.h>
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
  return bench::BenchImagePath("TARNWELL_EXFAT_BENCH_IMAGE", "build/bench-data/exfat-50k.img");
}

double ChildCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

size_t g_listed = 0;  // entries our scan lists, the unit of both rates

void BM_TarnwellExfatScan(benchmark::State& state) {
  bench::AttachedVolume volume(state, ImagePath(), "run bench/make_exfat_bench_image.sh");
  engine::TLogiDrive* drive = volume.Drive();
  if (!drive) return;
  double seconds = 0;
  double cpuSeconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    (void)volume.Engine().ScanVolume(*drive, true, volume.status, volume.progress);
    cpuSeconds += static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    g_listed = drive->FatEntries.size();
  }
  const double n = static_cast<double>(g_listed) * static_cast<double>(state.iterations());
  state.counters["entries"] = static_cast<double>(g_listed);
  state.counters["entries_per_s"] = n / seconds;
  state.counters["cpu_entries_per_s"] = n / cpuSeconds;
}
BENCHMARK(BM_TarnwellExfatScan)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

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
  const double n = static_cast<double>(g_listed) * static_cast<double>(state.iterations());
  state.counters["fls_lines"] = static_cast<double>(lines);
  state.counters["entries_per_s"] = n / seconds;
  state.counters["cpu_entries_per_s"] = n / (ChildCpuSeconds() - childCpuBefore);
}
BENCHMARK(BM_FlsRecursive)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
