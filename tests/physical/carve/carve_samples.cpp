#include "tests/physical/carve/carve_samples.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/fixtures.h"

namespace tarnwell::testing {

const std::vector<uint8_t>& CarveSamplesImage() {
  static const std::vector<uint8_t> image = ReadBinaryFile(FixturePath("carve/samples.img"));
  return image;
}

std::vector<CarveSample> CarveSamples() {
  std::vector<CarveSample> samples;
  const std::vector<uint8_t>& image = CarveSamplesImage();
  for (const ManifestRow& row : ManifestRows("carve/MANIFEST")) {
    if (row.image != "samples.img") continue;
    CarveSample s{row.path, std::stoull(row.startSector), row.size, row.sha256, row.state, {}};
    const uint64_t at = s.sector * 512;
    if (s.state == "whole" && at + s.size <= image.size())
      s.bytes.assign(image.begin() + static_cast<long>(at), image.begin() + static_cast<long>(at + s.size));
    samples.push_back(std::move(s));
  }
  return samples;
}

const CarveSample& CarveSampleNamed(const std::string& name) {
  static const std::vector<CarveSample> samples = CarveSamples();
  for (const CarveSample& s : samples)
    if (s.name == name && s.state == "whole") return s;
  ADD_FAILURE() << "no sample " << name;
  static const CarveSample none;
  return none;
}

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> bytes(n);
  for (auto& b : bytes) b = static_cast<uint8_t>(rng());
  return bytes;
}

}  // namespace tarnwell::testing
