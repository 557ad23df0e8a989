#include "cli/body_file.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>

namespace tarnwell::cli {
namespace {

constexpr uint32_t kReadOnlyAttribute = 0x01;

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

void AppendEscaped(std::string& out, std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      out += '^';
    else if (c == '|')
      out += "%7C";
    else if (c == '%' && i + 2 < text.size() && IsHexDigit(text[i + 1]) && IsHexDigit(text[i + 2]))
      out += "%25";
    else
      out += c;
  }
}

}  // namespace

std::string BodyFileName(std::string_view mountPoint, std::string_view path, bool deleted) {
  std::string name;
  name.reserve(mountPoint.size() + path.size() + 12);
  AppendEscaped(name, mountPoint);
  if (mountPoint.empty() || mountPoint.back() != '/') name += '/';
  AppendEscaped(name, path);
  if (deleted) name += " (deleted)";
  return name;
}

std::string BodyFileMode(bool folder, bool nameTypeKnown, bool readOnly) {
  const char type = folder ? 'd' : 'r';
  std::string mode{nameTypeKnown ? type : '-', '/', type};
  mode += readOnly ? "r-xr-xr-x" : "rwxrwxrwx";
  return mode;
}

std::string BodyFileLine(const FoundEntry& entry, std::string_view mountPoint) {
  const engine::TimelineFacts facts = entry.handle.Timeline();
  if (!facts.known) return {};
  const bool folder = entry.handle.IsFolder();
  const bool deleted = entry.handle.Status() == engine::EntryStatus::kDeleted;
  const bool readOnly = (entry.handle.Properties().attributes & kReadOnlyAttribute) != 0;
  std::string line = "0|" + BodyFileName(mountPoint, entry.path, deleted) + "|";
  // mactime skips a line whose inode field holds no digit.
  line += facts.address.empty() ? "0" : facts.address;
  char tail[160];
  std::snprintf(tail, sizeof tail, "|%s|0|0|%" PRIu64 "|%" PRId64 "|%" PRId64 "|%" PRId64 "|%" PRId64,
                BodyFileMode(folder, facts.nameTypeKnown, readOnly).c_str(), entry.handle.Size(), facts.accessed,
                facts.modified, facts.changed, facts.created);
  return line + tail;
}

}  // namespace tarnwell::cli
