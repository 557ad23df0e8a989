#include "engine/ntfs/record_name.h"

#include "engine/ntfs/ntfs_format.h"
#include "platform/text_codec.h"

namespace tarnwell::engine::ntfs {

std::string TrimmedSystemName(const uint8_t* utf16, size_t byteCount) {
  size_t n = 0;
  while (n + 1 < byteCount && (utf16[n] | utf16[n + 1]) != 0) n += 2;
  std::string name = platform::Utf16LeToSystem(utf16, n);
  size_t begin = 0;
  size_t end = name.size();
  while (begin < end && static_cast<unsigned char>(name[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(name[end - 1]) <= ' ') --end;
  name.erase(end);
  name.erase(0, begin);
  return name;
}

std::string ListedName(const FileRecordInfo& info) {
  if (info.fileName.size() < kFileNameHeaderBytes) return {};
  const uint8_t* value = info.fileName.data();
  const size_t length = value[64];
  if (kFileNameHeaderBytes + length * 2 > info.fileName.size()) return {};
  if (length == 0) return {};
  std::string name = TrimmedSystemName(value + kFileNameHeaderBytes, length * 2);
  if (!info.longName.empty() && info.longName.size() >= name.size())
    name = TrimmedSystemName(info.longName.data(), info.longName.size());
  return name;
}

}  // namespace tarnwell::engine::ntfs
