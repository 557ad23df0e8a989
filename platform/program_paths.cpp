#include "platform/program_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tarnwell::platform {
namespace {

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool IsSystemFolder(const std::string& directory) {
  // Where packages install programs: root may write there, but a settings
  // file beside an installed program would be shared by every user and
  // left behind by the package manager.
  static constexpr const char* kSystemPrefixes[] = {"/usr/", "/bin/", "/sbin/", "/lib/", "/lib32/",
                                                    "/lib64/", "/libx32/", "/opt/", "/etc/", "/snap/"};
  const std::string dir = WithSlash(directory);
  for (const char* prefix : kSystemPrefixes)
    if (dir.rfind(prefix, 0) == 0) return true;
  return false;
}

std::string ProgramDirectory() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) {
    std::filesystem::path cwd = std::filesystem::current_path(ec);
    return WithSlash(ec ? std::string("/") : cwd.string());
  }
  return WithSlash(exe.parent_path().string());
}

std::string SettingsFilePathFor(const std::string& programDirectory, const std::string& fileName,
                                const std::string& xdgConfigHome, const std::string& home) {
  std::string dir = WithSlash(programDirectory);
  if (!IsSystemFolder(dir) && ::access(dir.c_str(), W_OK) == 0) return dir + fileName;

  // The XDG rules ignore a relative $XDG_CONFIG_HOME.
  std::string base;
  if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/') {
    base = xdgConfigHome;
  } else if (!home.empty()) {
    base = WithSlash(home) + ".config";
  } else {
    base = "/tmp";
  }
  std::string configDir = WithSlash(base) + "tarnwell/";
  std::error_code ec;
  std::filesystem::create_directories(configDir, ec);  // a failure shows when writing
  return configDir + fileName;
}

std::string SettingsFilePath(const std::string& fileName) {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  return SettingsFilePathFor(ProgramDirectory(), fileName, xdg ? xdg : "", home ? home : "");
}

std::string HelpPagePath(const std::string& page) {
  std::string dir = ProgramDirectory();
  std::string besideProgram = dir + "help/" + page;
  if (IsFile(besideProgram)) return besideProgram;
  std::string installed = dir + "../share/tarnwell/help/" + page;
  if (IsFile(installed)) {
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(installed, ec);
    return ec ? installed : canonical.string();
  }
  return besideProgram;
}

}  // namespace tarnwell::platform
