#pragma once
// Names and paths of recovered files. Names come from the disk, so they are
// made safe before they touch the Linux file system: they never leave the
// destination folder and never replace anything that exists.
#include <optional>
#include <string>

#include "platform/unique_fd.h"

namespace tarnwell::engine {

// A disk name (system code page) as a single UTF-8 path component: "/" and
// NUL become "_", "." and ".." get a leading "_", an empty name becomes "_",
// and a name longer than 255 bytes is shortened, keeping its extension.
std::string SafeOutputName(const std::string& systemName);

// The first of folder/base.ext, folder/base_1.ext, folder/base_2.ext, ...
// for which nothing (file, folder or link) exists. A leading "?" of the
// name becomes "@". The folder is a UTF-8 Linux path; a
// trailing "/" is dropped.
std::string MakeUniquePath(const std::string& systemName, const std::string& folder);

struct CreatedFile {
  platform::UniqueFd fd;
  std::string path;
};

// Creates a new file under a unique name (O_CREAT|O_EXCL|O_NOFOLLOW, so a
// name taken between the check and the creation moves on to the next one).
std::optional<CreatedFile> CreateUniqueFile(const std::string& systemName,
                                            const std::string& folder);
// Creates a new folder under a unique name; the path, or nullopt.
std::optional<std::string> CreateUniqueFolder(const std::string& systemName,
                                              const std::string& folder);

}  // namespace tarnwell::engine
