// LZNT1 decompression speed, in MB/s of output. The input is made here:
// compression units of 16 chunks whose items mix literals and back-
// references of the lengths and distances real text gives (a third of the
// items literal, copies of 3 to 40 bytes, half of them near, half far).
// A plain memcpy of the same output size runs beside it as the baseline.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/ntfs/lznt1.h"

namespace {

using tarnwell::engine::ntfs::DecompressUnit;

constexpr size_t kUnitBytes = 65536;
constexpr size_t kChunkBytes = 4096;

unsigned LengthBits(size_t b) {
  unsigned bits = 12;
  for (size_t x = b - 1; x > 15; x >>= 1) --bits;
  return bits;
}

// One compressed chunk standing for exactly 4096 bytes.
std::vector<uint8_t> MakeChunk(std::mt19937& rng) {
  std::vector<uint8_t> body;
  size_t b = 0;
  size_t flagAt = 0;
  int item = 0;
  while (b < kChunkBytes) {
    if (item % 8 == 0) {
      flagAt = body.size();
      body.push_back(0);
    }
    const size_t left = kChunkBytes - b;
    if (b < 3 || left < 3 || rng() % 3 == 0) {
      body.push_back(static_cast<uint8_t>('a' + rng() % 26));
      ++b;
    } else {
      const unsigned bits = LengthBits(b);
      const size_t maxLength = std::min<size_t>({(size_t{1} << bits) + 2, left, 40});
      const size_t length = 3 + rng() % (maxLength - 2);
      const size_t maxDistance = std::min<size_t>(b, size_t{1} << (16 - bits));
      const size_t distance = 1 + (rng() % 2 ? rng() % std::min<size_t>(maxDistance, 64)
                                             : rng() % maxDistance);
      const uint16_t token = static_cast<uint16_t>(((distance - 1) << bits) | (length - 3));
      body[flagAt] |= static_cast<uint8_t>(1u << (item % 8));
      body.push_back(static_cast<uint8_t>(token));
      body.push_back(static_cast<uint8_t>(token >> 8));
      b += length;
    }
    ++item;
  }
  const uint16_t header = static_cast<uint16_t>(0xB000 | (body.size() - 1));
  std::vector<uint8_t> chunk{static_cast<uint8_t>(header), static_cast<uint8_t>(header >> 8)};
  chunk.insert(chunk.end(), body.begin(), body.end());
  return chunk;
}

std::vector<std::vector<uint8_t>> MakeUnits(int count) {
  std::mt19937 rng(1234);
  std::vector<std::vector<uint8_t>> units;
  for (int u = 0; u < count; ++u) {
    std::vector<uint8_t> unit;
    for (size_t c = 0; c < kUnitBytes / kChunkBytes; ++c) {
      const auto chunk = MakeChunk(rng);
      unit.insert(unit.end(), chunk.begin(), chunk.end());
    }
    unit.push_back(0);
    unit.push_back(0);
    units.push_back(std::move(unit));
  }
  return units;
}

void BM_Lznt1DecompressUnit(benchmark::State& state) {
  const auto units = MakeUnits(64);
  std::vector<uint8_t> out;
  out.reserve(kUnitBytes);
  size_t produced = 0;
  size_t compressed = 0;
  for (auto _ : state) {
    for (const auto& unit : units) {
      out.clear();
      if (!DecompressUnit(unit, kUnitBytes, kUnitBytes, out)) state.SkipWithError("corrupt unit");
      benchmark::DoNotOptimize(out.data());
      produced += out.size();
      compressed += unit.size();
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(produced));
  state.counters["ratio"] = static_cast<double>(compressed) / static_cast<double>(produced);
}
BENCHMARK(BM_Lznt1DecompressUnit);

void BM_MemcpyBaseline(benchmark::State& state) {
  std::vector<uint8_t> in(kUnitBytes, 'x');
  std::vector<uint8_t> out(kUnitBytes);
  size_t produced = 0;
  for (auto _ : state) {
    for (int u = 0; u < 64; ++u) {
      std::memcpy(out.data(), in.data(), kUnitBytes);
      benchmark::DoNotOptimize(out.data());
      benchmark::ClobberMemory();
      produced += kUnitBytes;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(produced));
}
BENCHMARK(BM_MemcpyBaseline);

}  // namespace

BENCHMARK_MAIN();
