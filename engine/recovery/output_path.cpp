#include "engine/recovery/output_path.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <type_traits>
#include <vector>

#include "platform/text_codec.h"

namespace tarnwell::engine {
namespace {

constexpr size_t kMaxComponentBytes = 255;
// Attempts before giving up on a unique name; only a folder holding
// thousands of clashing names gets near it.
constexpr int kMaxUniqueAttempts = 100000;

bool PathTaken(int dirFd, const std::string& name) {
  struct stat st {};
  return ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
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

std::string Candidate(const std::string& base, const std::string& ext, int n) {
  std::string name = base;
  if (n > 0) name += "_" + std::to_string(n);
  return name + ext;
}

std::string NormaliseFolder(const std::string& folder) {
  std::string f = folder;
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  return f;
}

void OutputBaseAndExtension(const std::string& systemName, std::string& base, std::string& ext) {
  std::string name = systemName;
  // A display name's "?" for a deleted short name's first byte. The byte
  // 0xE5 itself is left alone here: callers pass output forms, in which a
  // short name's mark is already "@", and in GB18030 0xE5 opens many
  // Chinese characters of long names.
  if (!name.empty() && name[0] == '?') name[0] = '@';
  SplitExtension(SafeOutputName(name), base, ext);
  if (base.size() + ext.size() + kSuffixRoom > kMaxComponentBytes)
    base = CutUtf8(base, kMaxComponentBytes - kSuffixRoom - ext.size());
}

// Tries base.ext, base_1.ext, ... in the folder dirFd; tryCreate gets the
// bare name and sets retry when the name was taken after all.
template <typename TryCreate>
auto CreateUnique(const std::string& systemName, int dirFd, TryCreate tryCreate)
    -> std::invoke_result_t<TryCreate, const std::string&, bool&> {
  std::string base, ext;
  OutputBaseAndExtension(systemName, base, ext);
  for (int n = 0; n < kMaxUniqueAttempts; ++n) {
    const std::string name = Candidate(base, ext, n);
    if (PathTaken(dirFd, name)) continue;
    bool retry = false;
    auto result = tryCreate(name, retry);
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

std::optional<OutputFolder> OutputFolder::Open(const std::string& path) {
  platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid()) return std::nullopt;
  return OutputFolder(std::move(fd), std::make_shared<const PathPiece>(PathPiece{nullptr, NormaliseFolder(path)}));
}

OutputFolder::OutputFolder(platform::UniqueFd fd, const OutputFolder& parent, std::string name)
    : fd_(std::move(fd)), path_(std::make_shared<const PathPiece>(PathPiece{parent.path_, std::move(name)})) {}

std::string OutputFolder::Path() const {
  std::vector<const std::string*> names;
  size_t bytes = 0;
  for (const PathPiece* p = path_.get(); p; p = p->parent.get()) {
    names.push_back(&p->name);
    bytes += p->name.size() + 1;
  }
  std::string path;
  path.reserve(bytes);
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (!path.empty() && path != "/") path += '/';
    path += **it;
  }
  return path;
}

std::string PreferredOutputName(const std::string& systemName) {
  std::string base, ext;
  OutputBaseAndExtension(systemName, base, ext);
  return Candidate(base, ext, 0);
}

std::optional<OutputFolder> OpenOrMakeFolder(const std::string& systemName, const OutputFolder& parent) {
  const std::string name = PreferredOutputName(systemName);
  if (::mkdirat(parent.Fd(), name.c_str(), 0777) == 0 || errno == EEXIST) {
    platform::UniqueFd fd(::openat(parent.Fd(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() >= 0) return OutputFolder(std::move(fd), parent, name);
  }
  return CreateUniqueFolder(systemName, parent);
}

std::string MakeUniquePath(const std::string& systemName, const std::string& folder) {
  const std::optional<OutputFolder> dir = OutputFolder::Open(folder);
  if (!dir) return {};
  std::string result;
  CreateUnique(systemName, dir->Fd(), [&](const std::string& name, bool&) -> bool {
    result = dir->Path() + "/" + name;
    return true;
  });
  return result;
}

std::optional<CreatedFile> CreateUniqueFile(const std::string& systemName, const OutputFolder& folder) {
  return CreateUnique(systemName, folder.Fd(),
                      [&](const std::string& name, bool& retry) -> std::optional<CreatedFile> {
                        platform::UniqueFd fd(::openat(folder.Fd(), name.c_str(),
                                                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                                       0644));
                        if (fd.valid()) return CreatedFile{std::move(fd), folder.Path() + "/" + name};
                        retry = errno == EEXIST;
                        return std::nullopt;
                      });
}

std::optional<CreatedFile> CreateUniqueFile(const std::string& systemName, const std::string& folder) {
  const std::optional<OutputFolder> dir = OutputFolder::Open(folder);
  if (!dir) return std::nullopt;
  return CreateUniqueFile(systemName, *dir);
}

std::optional<OutputFolder> CreateUniqueFolder(const std::string& systemName, const OutputFolder& folder) {
  return CreateUnique(systemName, folder.Fd(),
                      [&](const std::string& name, bool& retry) -> std::optional<OutputFolder> {
                        if (::mkdirat(folder.Fd(), name.c_str(), 0755) != 0) {
                          retry = errno == EEXIST;
                          return std::nullopt;
                        }
                        // The folder just made could be swapped for a link
                        // before it is opened: O_NOFOLLOW refuses that.
                        platform::UniqueFd fd(::openat(folder.Fd(), name.c_str(),
                                                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
                        if (!fd.valid()) return std::nullopt;
                        return OutputFolder(std::move(fd), folder, name);
                      });
}

std::optional<std::string> CreateUniqueFolder(const std::string& systemName, const std::string& folder) {
  const std::optional<OutputFolder> dir = OutputFolder::Open(folder);
  if (!dir) return std::nullopt;
  std::optional<OutputFolder> made = CreateUniqueFolder(systemName, *dir);
  if (!made) return std::nullopt;
  return made->Path();
}

}  // namespace tarnwell::engine
