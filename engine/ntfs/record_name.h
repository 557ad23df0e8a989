#pragma once
#include <span>
#include <string>

#include "engine/ntfs/file_record.h"

namespace tarnwell::engine::ntfs {

// The name a parsed record is listed under, in the system code page: its
// first file name (up to a zero character, trimmed), replaced by the longer
// second name when the record has one. Empty when the record is not to be
// listed. Any length from 1 to 255 characters is accepted: volumes made
// without short names give a long name as the only one.
std::string ListedName(const FileRecordInfo& info);

// UTF-16LE up to the first zero character, in the system code page, with
// blanks and control characters trimmed at both ends.
std::string TrimmedSystemName(const uint8_t* utf16, size_t byteCount);

}  // namespace tarnwell::engine::ntfs
