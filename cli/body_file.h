#pragma once
// Found entries as lines of a body file, the text The Sleuth Kit's fls -m
// writes and its mactime (and other timeline tools) read:
//   MD5|name|inode|mode_as_string|UID|GID|size|atime|mtime|ctime|crtime
// with the times in seconds since 1970 (UTC), 0 where unknown.
#include <string>
#include <string_view>

#include "cli/entry_walk.h"

namespace tarnwell::cli {

// The name field: the mount point, a '/' unless it ends in one, the path,
// and " (deleted)" for a deleted entry. Control characters become '^' as
// fls writes them; a '|' (which would split the line) becomes "%7C" and a
// '%' that two hex digits follow becomes "%25", since mactime decodes %XX
// in every field and gives the name back as it was.
std::string BodyFileName(std::string_view mountPoint, std::string_view path, bool deleted);

// The mode as fls writes it: the type the directory entry gives ('-' when
// it gives none), '/', the type of the metadata, then permissions: all
// for everyone, without write for a read-only entry.
std::string BodyFileMode(bool folder, bool nameTypeKnown, bool readOnly);

// The whole line without its newline; empty for an entry the scan made
// up (a lost folder), which has no metadata to put on a timeline.
std::string BodyFileLine(const FoundEntry& entry, std::string_view mountPoint);

}  // namespace tarnwell::cli
