#pragma once
// The signature-scan fixtures: samples.img with its manifest rows, and the
// bytes of each sample cut out of the image where the manifest puts it.
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell::testing {

struct CarveSample {
  std::string name;   // as made: "canon.jpg"
  uint64_t sector = 0;
  uint64_t size = 0;
  std::string sha256;
  std::string state;  // "whole", "fragmented:N", "damaged:N"
  std::vector<uint8_t> bytes;  // the whole file (empty for fragmented and damaged rows)
};

const std::vector<uint8_t>& CarveSamplesImage();
std::vector<CarveSample> CarveSamples();
// The sample named so (whole ones only); fails the test when missing.
const CarveSample& CarveSampleNamed(const std::string& name);
// What follows a file on a disk: random bytes, the same in every test.
std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed = 7);

}  // namespace tarnwell::testing
