#include "platform/profile_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/unique_fd.h"

namespace tarnwell::platform {
namespace {

std::string Trim(const std::string& s) {
  const char* blanks = " \t\r";
  size_t first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  size_t last = s.find_last_not_of(blanks);
  return s.substr(first, last - first + 1);
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
  std::string temp = path + ".tmp";
  {
    UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!fd.valid()) return false;
    size_t done = 0;
    while (done < text.size()) {
      ssize_t n = ::write(fd.get(), text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ::unlink(temp.c_str());
        return false;
      }
      done += static_cast<size_t>(n);
    }
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

ProfileDocument ProfileDocument::Parse(const std::string& text) {
  ProfileDocument doc;
  std::string current;
  std::istringstream in(text);
  std::string raw;
  while (std::getline(in, raw)) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    Line line;
    line.text = raw;
    std::string t = Trim(raw);
    if (t.size() >= 2 && t.front() == '[') {
      size_t close = t.find(']');
      if (close != std::string::npos) {
        current = Trim(t.substr(1, close - 1));
        line.isSection = true;
      }
    } else if (!t.empty() && t.front() != ';') {
      size_t eq = t.find('=');
      if (eq != std::string::npos) {
        line.isValue = true;
        line.key = Trim(t.substr(0, eq));
        line.value = Trim(t.substr(eq + 1));
      }
    }
    line.section = current;
    doc.lines_.push_back(std::move(line));
  }
  return doc;
}

std::string ProfileDocument::Serialize() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += '\n';
  }
  return out;
}

std::optional<std::string> ProfileDocument::Find(const std::string& section,
                                                 const std::string& key) const {
  for (const Line& line : lines_) {
    if (line.isValue && SameText(line.section, section) && SameText(line.key, key)) {
      return line.value;
    }
  }
  return std::nullopt;
}

void ProfileDocument::Set(const std::string& section, const std::string& key,
                          const std::string& value) {
  // A line break inside a value would split it into lines of its own.
  std::string flat = value;
  for (char& c : flat) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  Line entry;
  entry.text = key + "=" + flat;
  entry.section = section;
  entry.key = key;
  entry.value = Trim(flat);
  entry.isValue = true;

  size_t insertAt = lines_.size();
  bool sectionSeen = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    Line& line = lines_[i];
    if (!SameText(line.section, section)) continue;
    if (line.isValue && SameText(line.key, key)) {
      entry.section = line.section;
      line = entry;
      return;
    }
    if (line.isSection || line.isValue) {
      sectionSeen = true;
      insertAt = i + 1;  // just after the last header or value of the section
    }
  }
  if (!sectionSeen) {
    if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back(Line{});
    Line header;
    header.text = "[" + section + "]";
    header.section = section;
    header.isSection = true;
    lines_.push_back(header);
    insertAt = lines_.size();
  }
  lines_.insert(lines_.begin() + static_cast<long>(insertAt), entry);
}

std::optional<int> ParseProfileInteger(const std::string& text) {
  std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  const char* begin = t.data();
  const char* end = t.data() + t.size();
  if (*begin == '+') ++begin;
  int value = 0;
  auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

ProfileDocument ProfileFile::Load() const {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return ProfileDocument{};
  std::ostringstream text;
  text << in.rdbuf();
  return ProfileDocument::Parse(text.str());
}

std::string ProfileFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& fallback) const {
  return Load().Find(section, key).value_or(fallback);
}

int ProfileFile::ReadInteger(const std::string& section, const std::string& key,
                             int fallback) const {
  std::optional<std::string> text = Load().Find(section, key);
  if (!text) return fallback;
  return ParseProfileInteger(*text).value_or(fallback);
}

bool ProfileFile::ReadBool(const std::string& section, const std::string& key,
                           bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

bool ProfileFile::WriteString(const std::string& section, const std::string& key,
                              const std::string& value) {
  ProfileDocument doc = Load();
  doc.Set(section, key, value);
  return WriteWholeFile(path_, doc.Serialize());
}

bool ProfileFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool ProfileFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

}  // namespace tarnwell::platform
