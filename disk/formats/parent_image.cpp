#include "disk/formats/parent_image.h"

#include <filesystem>

namespace tarnwell::disk::formats {
namespace fs = std::filesystem;
namespace {

bool IsFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// The last component of a recorded name, whichever separator its system used.
std::string LastComponent(const std::string& recorded) {
  const size_t cut = recorded.find_last_of("/\\");
  return cut == std::string::npos ? recorded : recorded.substr(cut + 1);
}

}  // namespace

std::optional<std::string> FindParent(const std::string& child, const std::string& recorded) {
  if (recorded.empty()) return std::nullopt;
  const fs::path folder = fs::path(child).parent_path();
  const fs::path asRecorded(recorded);
  // qemu keeps a relative name relative to the child; an absolute one as is.
  const fs::path where = asRecorded.is_absolute() ? asRecorded : folder / asRecorded;
  if (recorded.find('\\') == std::string::npos && IsFile(where)) return where.string();
  const std::string name = LastComponent(recorded);
  if (!name.empty() && IsFile(folder / name)) return (folder / name).string();
  return std::nullopt;
}

std::string MissingParentText(const std::string& kind, const std::string& child, const std::string& recorded) {
  const std::string name = LastComponent(recorded);
  const std::string beside = "beside " + fs::path(child).filename().string();
  return "differencing " + kind + " image whose parent " + name + " is missing (looked " +
         (name == recorded ? beside : "for " + recorded + " and " + beside) + ")";
}

}  // namespace tarnwell::disk::formats
