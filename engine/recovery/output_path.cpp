#include "engine/recovery/output_path.h"

#include <sys/stat.h>

#include <cerrno>
#include <type_traits>

#include "platform/text_codec.h"

namespace tarnwell::engine {
namespace {

constexpr size_t kMaxComponentBytes = 255;
// Attempts before giving up on a unique name; only a folder holding
// thousands of clashing names gets near it.
constexpr int kMaxUniqueAttempts = 100000;

bool PathTaken(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

// Cuts a UTF-8 string to at most max bytes without splitting a character.
std::string CutUtf8(const std::string& s, size_t max) {
  if (s.size() <= max) return s;
  size_t n = max;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}

void SplitExtension(const std::string& name, std::string& base, std::string& ext) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) {
    base = name;
    ext.clear();
  } else {
    base = name.substr(0, dot);
    ext = name.substr(dot);
  }
}

// Room for "_NNNNNN" so that numbered candidates still fit.
constexpr size_t kSuffixRoom = 8;

std::string Candidate(const std::string& folder, const std::string& base, const std::string& ext,
                      int n) {
  std::string name = base;
  if (n > 0) name += "_" + std::to_string(n);
  return folder + "/" + name + ext;
}

std::string NormaliseFolder(const std::string& folder) {
  std::string f = folder;
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  return f;
}

template <typename TryCreate>
auto CreateUnique(const std::string& systemName, const std::string& folder, TryCreate tryCreate)
    -> std::invoke_result_t<TryCreate, const std::string&, bool&> {
  std::string name = systemName;
  // A display name's "?" for a deleted short name's first byte. The byte
  // 0xE5 itself is left alone here: callers pass output forms, in which a
  // short name's mark is already "@", and in GB18030 0xE5 opens many
  // Chinese characters of long names.
  if (!name.empty() && name[0] == '?') name[0] = '@';
  std::string base, ext;
  SplitExtension(SafeOutputName(name), base, ext);
  if (base.size() + ext.size() + kSuffixRoom > kMaxComponentBytes)
    base = CutUtf8(base, kMaxComponentBytes - kSuffixRoom - ext.size());
  const std::string dir = NormaliseFolder(folder);
  for (int n = 0; n < kMaxUniqueAttempts; ++n) {
    const std::string path = Candidate(dir, base, ext, n);
    if (PathTaken(path)) continue;
    bool retry = false;
    auto result = tryCreate(path, retry);
    if (result || !retry) return result;
  }
  return {};
}

}  // namespace

std::string SafeOutputName(const std::string& systemName) {
  std::string name = platform::SystemToUtf8(systemName);
  for (char& c : name)
    if (c == '/' || c == '\0') c = '_';
  if (name.empty()) name = "_";
  if (name == "." || name == "..") name = "_" + name;
  if (name.size() > kMaxComponentBytes) {
    std::string base, ext;
    SplitExtension(name, base, ext);
    if (ext.size() > kMaxComponentBytes / 2) ext.clear();
    name = CutUtf8(base, kMaxComponentBytes - ext.size()) + ext;
  }
  return name;
}

std::string MakeUniquePath(const std::string& systemName, const std::string& folder) {
  std::string result;
  CreateUnique(systemName, folder, [&](const std::string& path, bool&) -> bool {
    result = path;
    return true;
  });
  return result;
}

std::optional<CreatedFile> CreateUniqueFile(const std::string& systemName,
                                            const std::string& folder) {
  return CreateUnique(systemName, folder,
                      [](const std::string& path, bool& retry) -> std::optional<CreatedFile> {
                        platform::UniqueFd fd(::open(
                            path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            0644));
                        if (fd.valid()) return CreatedFile{std::move(fd), path};
                        retry = errno == EEXIST;
                        return std::nullopt;
                      });
}

std::optional<std::string> CreateUniqueFolder(const std::string& systemName,
                                              const std::string& folder) {
  return CreateUnique(systemName, folder,
                      [](const std::string& path, bool& retry) -> std::optional<std::string> {
                        if (::mkdir(path.c_str(), 0755) == 0) return path;
                        retry = errno == EEXIST;
                        return std::nullopt;
                      });
}

}  // namespace tarnwell::engine
