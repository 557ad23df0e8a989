// The signature scan over a written image, beside `cat IMAGE > /dev/null`
// of the same file in the same run (runs alternate; target: the scan at
// 0.9 of cat's rate or better), in elapsed time and in CPU time, with the
// files it finds and the growth of the process's peak resident memory
// (bounded by the files in flight, not by the image). The images:
// TARNWELL_CARVE_BENCH_IMAGES, colon-separated
// (bench/make_disk_scale_images.sh makes ntfs-200k.img and fat32-50k.img;
// bench/make_carve_images.sh a card of photos). Read the image once with
// cat before measuring: the scan, like cat, then reads from the page cache.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "disk/file_sector_source.h"
#include "engine/window_interfaces.h"
#include "physical/carve/carve_scan.h"

namespace {

using namespace tarnwell;

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// CPU seconds (user and system) of this process, or of its finished
// children (the cat runs).
double CpuSeconds(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long PeakRssKb() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::vector<std::string> Images() {
  std::vector<std::string> images;
  const char* list = std::getenv("TARNWELL_CARVE_BENCH_IMAGES");
  std::stringstream in(list ? list : "");
  for (std::string path; std::getline(in, path, ':');)
    if (!path.empty()) images.push_back(path);
  return images;
}

void BM_SignatureScanBesideCat(benchmark::State& state) {
  const std::vector<std::string> images = Images();
  const size_t which = static_cast<size_t>(state.range(0));
  if (which >= images.size()) return state.SkipWithError("set TARNWELL_CARVE_BENCH_IMAGES to image paths");
  const std::string& image = images[which];
  std::error_code error;
  const uint64_t bytes = std::filesystem::file_size(image, error);
  std::unique_ptr<disk::FileSectorSource> source = disk::FileSectorSource::Open(image, 0, error ? 0 : bytes);
  if (!source) return state.SkipWithError("cannot open the image");
  state.SetLabel(image.substr(image.rfind('/') + 1));
  const std::string cat = "cat '" + image + "' > /dev/null";
  if (std::system(cat.c_str()) != 0) std::abort();  // into the page cache first
  engine::NullProgressBar progress;
  engine::NullMessagePump pump;
  const bool stop = false;
  const physical::carve::CarveArea area{0, source->SectorCount(), 1, nullptr};
  double catSeconds = 0, scanSeconds = 0, catCpu = 0, scanCpu = 0;
  size_t found = 0, damaged = 0;
  const long rssBefore = PeakRssKb();
  for (auto _ : state) {
    const double children0 = CpuSeconds(RUSAGE_CHILDREN);
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(cat.c_str()) != 0) std::abort();
    const auto t1 = std::chrono::steady_clock::now();
    catCpu += CpuSeconds(RUSAGE_CHILDREN) - children0;
    const double self0 = CpuSeconds(RUSAGE_SELF);
    physical::carve::CarveCounts counts;
    const std::vector<physical::carve::CarvedFile> files =
        physical::carve::ScanArea(*source, area, physical::carve::kAllFamilies, progress, pump, stop, counts);
    const auto t2 = std::chrono::steady_clock::now();
    scanCpu += CpuSeconds(RUSAGE_SELF) - self0;
    catSeconds += Seconds(t0, t1);
    scanSeconds += Seconds(t1, t2);
    found = files.size();
    damaged = 0;
    for (const auto& f : files) damaged += f.damaged ? 1 : 0;
  }
  const double mb = static_cast<double>(source->SectorCount()) * 512 / 1e6 * static_cast<double>(state.iterations());
  state.counters["cat_MB_s"] = mb / catSeconds;
  state.counters["scan_MB_s"] = mb / scanSeconds;
  state.counters["scan_vs_cat"] = catSeconds / scanSeconds;
  // On a machine others share, elapsed time follows their load: the CPU
  // time each took is the steadier comparison.
  state.counters["scan_vs_cat_cpu"] = catCpu / scanCpu;
  state.counters["files"] = static_cast<double>(found);
  state.counters["damaged"] = static_cast<double>(damaged);
  state.counters["peak_rss_growth_MB"] = static_cast<double>(PeakRssKb() - rssBefore) / 1024.0;
}
BENCHMARK(BM_SignatureScanBesideCat)->DenseRange(0, 3)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
