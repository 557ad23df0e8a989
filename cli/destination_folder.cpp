#include "cli/destination_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tarnwell::cli {

std::optional<engine::OutputFolder> OpenDestination(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "tarnwell-cli: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
    return std::nullopt;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "tarnwell-cli: %s is not a folder\n", path.c_str());
    return std::nullopt;
  }
  if (::access(path.c_str(), W_OK | X_OK) != 0) {
    std::fprintf(stderr, "tarnwell-cli: cannot write into %s\n", path.c_str());
    return std::nullopt;
  }
  std::optional<engine::OutputFolder> out = engine::OutputFolder::Open(path);
  if (!out) std::fprintf(stderr, "tarnwell-cli: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
  return out;
}

}  // namespace tarnwell::cli
