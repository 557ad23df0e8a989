#pragma once
#include <string>

#include "disk/imaging/rescue_map.h"

namespace tarnwell::testing {

// "?10 +5 ?85": each run of a map as its status and length in sectors.
inline std::string Runs(const disk::imaging::RescueMap& map) {
  std::string text;
  for (const disk::imaging::MapBlock& b : map.Blocks()) {
    if (!text.empty()) text += ' ';
    text += static_cast<char>(b.status) + std::to_string(b.count);
  }
  return text;
}

}  // namespace tarnwell::testing
