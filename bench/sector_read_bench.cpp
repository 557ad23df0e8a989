// Batch reads of 1000 sectors through the device reader and the volume
// reader, against dd and cat reading the same file in the same run.
//
// The file (256 MiB by default) is made once and read once before timing,
// so every figure is a warm-cache figure: it measures the readers' own
// overhead over the kernel's copy, not the disk. To measure a cold source,
// point TARNWELL_BENCH_FILE at a file larger than memory (or at a device)
// and drop the page cache between runs.
//
//   build/bench/sector_read_bench --benchmark_counters_tabular=true
//
// Compare bytes_per_second of ReadDiskSectors/ReadVolumeSectors with the
// plain pread loop (the floor) and with the dd and cat lines (which include
// starting a process).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "disk/device_reader.h"
#include "disk/volume_reader.h"
#include "platform/device_table.h"

namespace {

constexpr uint16_t kBatch = 1000;
constexpr uint64_t kDefaultBytes = 256ull << 20;

struct BenchFile {
  std::string path;
  uint64_t bytes = 0;
  bool made = false;
};

BenchFile& File() {
  static BenchFile file = [] {
    BenchFile f;
    if (const char* given = std::getenv("TARNWELL_BENCH_FILE")) {
      f.path = given;
    } else {
      const char* tmp = std::getenv("TMPDIR");
      f.path = std::string(tmp ? tmp : "/tmp") + "/tarnwell-sector-bench.img";
      std::vector<char> chunk(1 << 20);
      for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 131 + 7);
      FILE* out = std::fopen(f.path.c_str(), "wb");
      for (uint64_t done = 0; out && done < kDefaultBytes; done += chunk.size())
        std::fwrite(chunk.data(), 1, chunk.size(), out);
      if (out) std::fclose(out);
      f.made = true;
    }
    const int fd = ::open(f.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      f.bytes = static_cast<uint64_t>(::lseek(fd, 0, SEEK_END));
      // Warm the page cache so that every contender starts alike.
      std::vector<char> buffer(1 << 20);
      ::lseek(fd, 0, SEEK_SET);
      while (::read(fd, buffer.data(), buffer.size()) > 0) {
      }
      ::close(fd);
    }
    std::string error;
    if (!tarnwell::platform::DeviceTable::Instance().AttachImage(f.path, &error))
      std::fprintf(stderr, "cannot attach %s\n", error.c_str());
    return f;
  }();
  return file;
}

void CountBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(File().bytes));
}

// One pass over the whole file per iteration, 1000 sectors per call.
void BM_ReadDiskSectors(benchmark::State& state) {
  const uint64_t sectors = File().bytes / 512;
  std::vector<uint8_t> buffer(kBatch * 512);
  tarnwell::disk::DiskDevice device(0);
  if (!device.IsOpen()) return state.SkipWithError("cannot open disk 0");
  for (auto _ : state) {
    for (uint64_t lba = 0; lba < sectors; lba += kBatch) {
      uint32_t got = 0;
      if (!device.Read(lba, kBatch, buffer.data(), got)) return state.SkipWithError("read failed");
      benchmark::DoNotOptimize(buffer.data());
    }
  }
  CountBytes(state);
}
BENCHMARK(BM_ReadDiskSectors)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadVolumeSectors(benchmark::State& state) {
  const uint64_t sectors = File().bytes / 512;
  std::vector<uint8_t> buffer(kBatch * 512);
  for (auto _ : state) {
    // The volume reader wants whole batches; the tail is left out.
    for (uint64_t lba = 0; lba + kBatch <= sectors; lba += kBatch) {
      if (!tarnwell::disk::ReadVolumeSectors("C:", static_cast<uint32_t>(lba), kBatch, buffer.data()))
        return state.SkipWithError("read failed");
      benchmark::DoNotOptimize(buffer.data());
    }
  }
  CountBytes(state);
}
BENCHMARK(BM_ReadVolumeSectors)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: plain pread of the same 512000-byte batches, no layers above.
void BM_PlainPread(benchmark::State& state) {
  const int fd = ::open(File().path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return state.SkipWithError("cannot open");
  std::vector<uint8_t> buffer(kBatch * 512);
  for (auto _ : state) {
    for (uint64_t at = 0; at < File().bytes; at += buffer.size()) {
      if (::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(at)) < 0) break;
      benchmark::DoNotOptimize(buffer.data());
    }
  }
  ::close(fd);
  CountBytes(state);
}
BENCHMARK(BM_PlainPread)->Unit(benchmark::kMillisecond)->UseRealTime();

void RunCommand(benchmark::State& state, const std::string& command) {
  File();
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) return state.SkipWithError(command.c_str());
  }
  CountBytes(state);
}

// dd with the same 512000-byte transfers as the readers.
void BM_Dd(benchmark::State& state) {
  RunCommand(state, "dd if='" + File().path + "' of=/dev/null bs=512000 status=none");
}
BENCHMARK(BM_Dd)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Cat(benchmark::State& state) { RunCommand(state, "cat '" + File().path + "' >/dev/null"); }
BENCHMARK(BM_Cat)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (File().made) ::unlink(File().path.c_str());
  return 0;
}
