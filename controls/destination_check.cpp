#include "controls/destination_check.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>

namespace tarnwell::controls {
namespace {

// The nearest folder above (or at) the path that exists: the file system
// that would hold the new folder.
std::string NearestExistingAncestor(std::string path) {
  while (path.size() > 1) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return path;
    path = ParentFolder(path);
  }
  return "/";
}

// "Ready" means the file system answers and has a size: a stale or
// unreachable mount fails statvfs, and pseudo file systems such as /proc
// and /sys report no blocks at all.
bool FileSystemReady(const std::string& path) {
  struct statvfs vfs {};
  if (::statvfs(NearestExistingAncestor(path).c_str(), &vfs) != 0) return false;
  return vfs.f_blocks > 0;
}

DestinationCheck Result(DestinationVerdict verdict, std::string message = {}) {
  return DestinationCheck{verdict, std::move(message)};
}

}  // namespace

std::string TrimPath(const std::string& path) {
  const char* blanks = " \t\r\n";
  size_t first = path.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  size_t last = path.find_last_not_of(blanks);
  return path.substr(first, last - first + 1);
}

std::string ParentFolder(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  size_t slash = p.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return p.substr(0, slash);
}

DestinationCheck CheckDestinationFolder(const std::string& rawPath) {
  std::string path = TrimPath(rawPath);
  if (path.empty()) return Result(DestinationVerdict::kWarning, "请输入或选择保存恢复文件的目录。");
  if (path.front() != '/') return Result(DestinationVerdict::kError, "不是有效的驱动器 ID");
  if (!FileSystemReady(path)) {
    return Result(DestinationVerdict::kWarning, "无法打开驱动器，驱动器可能尚未就绪。");
  }

  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return Result(DestinationVerdict::kAccept);
    return Result(DestinationVerdict::kError,
                  "文件 '" + path + "' 已存在，请选择另一个目录。");
  }
  // A dangling link or a name we may not look at is taken, not creatable.
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) == 0) {
    return Result(DestinationVerdict::kError,
                  "文件 '" + path + "' 已存在，请选择另一个目录。");
  }
  if (::mkdir(path.c_str(), 0777) == 0) return Result(DestinationVerdict::kAccept);
  // Only one level is made: a missing parent is the usual reason, and the
  // user needs to know which folder to make or pick instead.
  if (errno == ENOENT) {
    const std::string parent = ParentFolder(path);
    if (::stat(parent.c_str(), &st) != 0)
      return Result(DestinationVerdict::kError, "上级目录 '" + parent + "' 不存在，请先创建它或选择另一个目录。");
  }
  return Result(DestinationVerdict::kError, "无效目录名。");
}

}  // namespace tarnwell::controls
