#pragma once
// The image-format fixtures (tests/fixtures/formats/MANIFEST): each image
// with the raw fixture it was made from.
#include <string>
#include <vector>

namespace tarnwell::testing {

struct FormatFixture {
  std::string image;  // "demo.E01", under the unpacked fixtures' formats/
  std::string raw;    // "demo/demo-disk.img"
  std::string how;
};

inline std::vector<FormatFixture> FormatFixtures(const std::string& manifestText) {
  std::vector<FormatFixture> rows;
  size_t start = 0;
  while (start < manifestText.size()) {
    size_t end = manifestText.find('\n', start);
    if (end == std::string::npos) end = manifestText.size();
    const std::string line = manifestText.substr(start, end - start);
    start = end + 1;
    const size_t a = line.find('\t'), b = line.find('\t', a + 1);
    if (line.empty() || line[0] == '#' || b == std::string::npos) continue;
    rows.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1)});
  }
  return rows;
}

}  // namespace tarnwell::testing
