#pragma once
// The lines of a command's JSON-lines output, each parsed on its own (a
// line that is not valid JSON throws, failing the test).
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace tarnwell::testing {

inline std::vector<nlohmann::ordered_json> JsonLines(const std::string& out) {
  std::vector<nlohmann::ordered_json> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::ordered_json::parse(line));
  return lines;
}

}  // namespace tarnwell::testing
