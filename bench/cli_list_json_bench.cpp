// `tarnwell-cli list --json` beside the plain listing and The Sleuth Kit's
// "fls -r -p" on the same NTFS image, in the same run, each run as a child
// process writing to /dev/null. The figure that matters is json_vs_fls:
// the JSON listing's time over fls's (CPU time of the child, which a shared
// machine disturbs less than wall time; wall time is shown beside it).
// The image is made by
//   bench/make_ntfs_bench_image.sh build/bench-data/ntfs-100k.img
// and named by TARNWELL_NTFS_BENCH_IMAGE (default: that path).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string ImagePath() {
  const char* env = std::getenv("TARNWELL_NTFS_BENCH_IMAGE");
  return env ? env : "build/bench-data/ntfs-100k.img";
}

double ChildCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing {
  double cpu = 0;   // per run
  double wall = 0;  // per run
};

Timing g_fls, g_plain;

// Runs the command once per iteration; false (after marking the state)
// when it cannot run.
bool TimeCommand(benchmark::State& state, const std::string& command, Timing* timing) {
  if (!std::filesystem::exists(ImagePath())) {
    state.SkipWithError(("no image " + ImagePath() + "; run bench/make_ntfs_bench_image.sh").c_str());
    return false;
  }
  const double cpuBefore = ChildCpuSeconds();
  double wall = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system((command + " > /dev/null").c_str()) != 0) {
      state.SkipWithError(("failed: " + command).c_str());
      return false;
    }
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const auto runs = static_cast<double>(state.iterations());
  timing->cpu = (ChildCpuSeconds() - cpuBefore) / runs;
  timing->wall = wall / runs;
  state.counters["cpu_s"] = timing->cpu;
  return true;
}

std::string Cli() { return std::string("'") + TARNWELL_CLI_PATH + "' --no-devices list '" + ImagePath() + "'"; }

void BM_FlsRecursive(benchmark::State& state) {
  TimeCommand(state, "fls -r -p '" + ImagePath() + "'", &g_fls);
}
BENCHMARK(BM_FlsRecursive)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

void BM_CliListPlain(benchmark::State& state) {
  if (!TimeCommand(state, Cli(), &g_plain) || g_fls.cpu <= 0) return;
  state.counters["plain_vs_fls"] = g_plain.cpu / g_fls.cpu;
  state.counters["plain_vs_fls_wall"] = g_plain.wall / g_fls.wall;
}
BENCHMARK(BM_CliListPlain)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

void BM_CliListJson(benchmark::State& state) {
  Timing json;
  if (!TimeCommand(state, Cli() + " --json", &json) || g_fls.cpu <= 0 || g_plain.cpu <= 0) return;
  state.counters["json_vs_fls"] = json.cpu / g_fls.cpu;
  state.counters["json_vs_fls_wall"] = json.wall / g_fls.wall;
  state.counters["json_vs_plain"] = json.cpu / g_plain.cpu;
}
BENCHMARK(BM_CliListJson)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
