#include "engine/recovery/output_path.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string_view>
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
// bare name and sets error to the errno of a creation that failed. A name
// taken after all moves on to the next number; a name the destination's
// file system refuses (a FAT or exFAT card refuses : ? * < > | " \) is
// tried once more in its portable form, and *portable says it was.
template <typename TryCreate>
auto CreateUnique(const std::string& systemName, int dirFd, TryCreate tryCreate, bool* portable = nullptr)
    -> std::invoke_result_t<TryCreate, const std::string&, int&> {
  std::string base, ext;
  OutputBaseAndExtension(systemName, base, ext);
  bool swapped = false;
  for (int n = 0; n < kMaxUniqueAttempts; ++n) {
    const std::string name = Candidate(base, ext, n);
    if (PathTaken(dirFd, name)) continue;
    int error = 0;
    auto result = tryCreate(name, error);
    if (result) {
      if (portable) *portable = swapped;
      return result;
    }
    if (error == EEXIST) continue;
    if (error != EINVAL || swapped || PortableOutputName(base + ext) == base + ext) return result;
    base = PortableOutputName(base);
    ext = PortableOutputName(ext);
    swapped = true;
    n = -1;
  }
  return {};
}

// "%1B" for a control character: an escape, a bell or a line break in a
// file name makes a shell or a file manager show it wrongly (or run it),
// and each keeps a form of its own so that two names stay two.
void AppendEscapedControl(std::string& out, unsigned value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[(value >> 4) & 0xF];
  out += kHex[value & 0xF];
}

std::string WithoutControls(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0u;
    if (c == '/' || c == '\0') {
      out += '_';
    } else if (c < 0x20 || c == 0x7F) {
      AppendEscapedControl(out, c);
    } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {  // C1 controls, U+0080 to U+009F
      AppendEscapedControl(out, next);
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace

std::string PortableOutputName(const std::string& utf8Name) {
  std::string name = utf8Name;
  for (char& c : name)
    if (std::string_view(":?*<>|\"\\").find(c) != std::string_view::npos) c = '_';
  return name;
}

std::string SafeOutputName(const std::string& systemName) {
  std::string name = WithoutControls(platform::SystemToUtf8(systemName));
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
  CreateUnique(systemName, dir->Fd(), [&](const std::string& name, int&) -> bool {
    result = dir->Path() + "/" + name;
    return true;
  });
  return result;
}

std::optional<CreatedFile> CreateUniqueFile(const std::string& systemName, const OutputFolder& folder) {
  bool portable = false;
  std::optional<CreatedFile> created = CreateUnique(
      systemName, folder.Fd(),
      [&](const std::string& name, int& error) -> std::optional<CreatedFile> {
        platform::UniqueFd fd(
            ::openat(folder.Fd(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (fd.valid()) return CreatedFile{std::move(fd), folder.Path() + "/" + name};
        error = errno;
        return std::nullopt;
      },
      &portable);
  if (created) created->portableName = portable;
  return created;
}

std::optional<CreatedFile> CreateUniqueFile(const std::string& systemName, const std::string& folder) {
  const std::optional<OutputFolder> dir = OutputFolder::Open(folder);
  if (!dir) return std::nullopt;
  return CreateUniqueFile(systemName, *dir);
}

std::optional<OutputFolder> CreateUniqueFolder(const std::string& systemName, const OutputFolder& folder) {
  return CreateUnique(systemName, folder.Fd(),
                      [&](const std::string& name, int& error) -> std::optional<OutputFolder> {
                        if (::mkdirat(folder.Fd(), name.c_str(), 0755) != 0) {
                          error = errno;
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
