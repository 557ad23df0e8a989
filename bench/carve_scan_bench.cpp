// The signature scan over a written image, beside `cat IMAGE > /dev/null`
// of the same file in the same run (runs alternate; target: the scan at
// 0.9 of cat's rate or better), in elapsed time and in CPU time, with the
// files it finds and the growth of the process's peak resident memory
// (bounded by the files in flight, not by the image). The images:
// TARNWELL_CARVE_BENCH_IMAGES, colon-separated
// (bench/make_disk_scale_images.sh makes ntfs-200k.img and fat32-50k.img;
// bench/make_carve_images.sh a card of photos). Read the image once with
// cat before measuring: the scan, like cat, then reads from the page cache,
// which makes it a test of the scan's own work. With
// TARNWELL_CARVE_BENCH_COLD=1 the image's pages are dropped from the cache
// before each cat and each scan instead, so that both read from the disk,
// as a scan of a real disk does.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

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

// Drops the file's pages from the page cache (written pages stay).
void DropFromCache(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) std::abort();
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
}

bool Cold() {
  const char* cold = std::getenv("TARNWELL_CARVE_BENCH_COLD");
  return cold && std::string(cold) == "1";
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
  const bool cold = Cold();
  state.SetLabel(image.substr(image.rfind('/') + 1) + (cold ? " cold" : ""));
  const std::string cat = "cat '" + image + "' > /dev/null";
  if (!cold && std::system(cat.c_str()) != 0) std::abort();  // into the page cache first
  engine::NullProgressBar progress;
  engine::NullMessagePump pump;
  const bool stop = false;
  const physical::carve::CarveArea area{0, source->SectorCount(), 1, nullptr};
  double catSeconds = 0, scanSeconds = 0, catCpu = 0, scanCpu = 0;
  size_t found = 0, damaged = 0;
  // Taken once, before the first scan: the peak of later repetitions does
  // not grow again. (With several images, an image's figure is the peak so far.)
  static const long rssBefore = PeakRssKb();
  for (auto _ : state) {
    if (cold) DropFromCache(image);
    const double children0 = CpuSeconds(RUSAGE_CHILDREN);
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(cat.c_str()) != 0) std::abort();
    const auto t1 = std::chrono::steady_clock::now();
    catCpu += CpuSeconds(RUSAGE_CHILDREN) - children0;
    if (cold) DropFromCache(image);
    const auto scanStart = std::chrono::steady_clock::now();
    const double self0 = CpuSeconds(RUSAGE_SELF);
    physical::carve::CarveCounts counts;
    const std::vector<physical::carve::CarvedFile> files =
        physical::carve::ScanArea(*source, area, physical::carve::kAllFamilies, progress, pump, stop, counts);
    const auto t2 = std::chrono::steady_clock::now();
    scanCpu += CpuSeconds(RUSAGE_SELF) - self0;
    catSeconds += Seconds(t0, t1);
    scanSeconds += Seconds(scanStart, t2);
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
// Five runs of three: on a shared machine one run of three may fall on
// others' load; the median says more.
BENCHMARK(BM_SignatureScanBesideCat)
    ->DenseRange(0, 3)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
