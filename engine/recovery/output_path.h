#pragma once
// Names and paths of recovered files. Names come from the disk, so they are
// made safe before they touch the Linux file system: they never leave the
// destination folder and never replace anything that exists.
#include <memory>
#include <optional>
#include <string>

#include "platform/unique_fd.h"

namespace tarnwell::engine {

// A disk name (system code page) as a single UTF-8 path component: "/" and
// NUL become "_", other control characters (C0, DEL, C1) "%XX" ("%1B" for
// ESC), "." and ".." get a leading "_", an empty name becomes "_", and a
// name longer than 255 bytes is shortened, keeping its extension.
std::string SafeOutputName(const std::string& systemName);

// The first of folder/base.ext, folder/base_1.ext, folder/base_2.ext, ...
// for which nothing (file, folder or link) exists. A leading "?" of the
// name becomes "@". The folder is a UTF-8 Linux path; a
// trailing "/" is dropped. Empty when the folder cannot be opened.
std::string MakeUniquePath(const std::string& systemName, const std::string& folder);

// A UTF-8 output name with the characters that FAT, exFAT and NTFS
// destinations refuse (: ? * < > | " \) as "_": the form a name takes when
// the destination's file system refused it as it was.
std::string PortableOutputName(const std::string& utf8Name);

struct CreatedFile {
  platform::UniqueFd fd;
  std::string path;
  // The destination refused the name as it was: it was made in its
  // portable form, which the path holds.
  bool portableName = false;
};

// A folder of the destination held open: everything made inside it is made
// relative to this descriptor, so a link planted in the destination (or a
// folder swapped for one while we work) is never followed.
class OutputFolder {
 public:
  // The destination the user chose; it may itself be reached through links.
  static std::optional<OutputFolder> Open(const std::string& path);
  int Fd() const { return fd_.get(); }
  // The folder's path, for messages; built on demand, because a deep tree
  // would otherwise hold every ancestor's full path at once.
  std::string Path() const;
  // A new folder named name inside parent, opened as fd.
  OutputFolder(platform::UniqueFd fd, const OutputFolder& parent, std::string name);

 private:
  struct PathPiece {
    std::shared_ptr<const PathPiece> parent;
    std::string name;
  };
  OutputFolder(platform::UniqueFd fd, std::shared_ptr<const PathPiece> path)
      : fd_(std::move(fd)), path_(std::move(path)) {}
  platform::UniqueFd fd_;
  std::shared_ptr<const PathPiece> path_;
};

// The name an item takes when nothing of that name is in the way: what
// the user expects, so that a renamed copy can be told.
std::string PreferredOutputName(const std::string& systemName);

// The folder of that name inside parent, made when missing and entered
// when it is a folder already (never through a link); when the name is
// taken by anything else, a new folder under the next free name. Lets
// several recovered items share the folders of their paths.
std::optional<OutputFolder> OpenOrMakeFolder(const std::string& systemName, const OutputFolder& parent);

// Creates a new file under a unique name (openat with O_CREAT|O_EXCL|
// O_NOFOLLOW, so a name taken between the check and the creation, a link
// included, moves on to the next one). A name the destination refuses
// (EINVAL) is tried once more in its portable form; folders likewise.
std::optional<CreatedFile> CreateUniqueFile(const std::string& systemName, const OutputFolder& folder);
std::optional<CreatedFile> CreateUniqueFile(const std::string& systemName,
                                            const std::string& folder);
// Creates a new folder under a unique name (mkdirat, then opened with
// O_DIRECTORY|O_NOFOLLOW); an existing file, folder or link of that name
// moves on to the next name.
std::optional<OutputFolder> CreateUniqueFolder(const std::string& systemName, const OutputFolder& folder);
std::optional<std::string> CreateUniqueFolder(const std::string& systemName,
                                              const std::string& folder);

}  // namespace tarnwell::engine
