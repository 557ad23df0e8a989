#pragma once
// Settings files in the classic profile format: "[Section]" lines open
// sections, "key=value" lines hold values; integers in decimal, booleans as
// 1 and 0. Sections and keys match without regard to ASCII case, as the
// profile functions of the original platform did. Lines we do not
// understand (comments, blank lines) are kept as they are when we rewrite.
#include <optional>
#include <string>
#include <vector>

namespace tarnwell::platform {

// The parsed text of one profile file.
class ProfileDocument {
 public:
  static ProfileDocument Parse(const std::string& text);
  std::string Serialize() const;

  std::optional<std::string> Find(const std::string& section, const std::string& key) const;
  // Replaces the value of an existing key, or appends the key at the end of
  // its section (appending the section when it is missing).
  void Set(const std::string& section, const std::string& key, const std::string& value);

 private:
  struct Line {
    std::string text;     // the line as read (or as written by Set)
    std::string section;  // set on "[Section]" lines
    std::string key;      // set on "key=value" lines
    std::string value;
    bool isSection = false;
    bool isValue = false;
  };
  std::vector<Line> lines_;
};

// GetPrivateProfileString-like access to a file: every read parses the file
// as it is now; every write rewrites it (through a temporary file and a
// rename, so a crash never leaves half a settings file behind).
class ProfileFile {
 public:
  explicit ProfileFile(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const;
  // A value that is not a decimal integer (optional sign, surrounding blanks
  // allowed) or does not fit in 32 bits reads as the fallback.
  int ReadInteger(const std::string& section, const std::string& key, int fallback) const;
  // True for any integer other than 0.
  bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;

  // Returns false when the file cannot be written; callers may ignore it.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  bool WriteInteger(const std::string& section, const std::string& key, int value);
  bool WriteBool(const std::string& section, const std::string& key, bool value);

 private:
  ProfileDocument Load() const;
  std::string path_;
};

// Parses a decimal 32-bit integer the way the settings reader accepts it.
std::optional<int> ParseProfileInteger(const std::string& text);

}  // namespace tarnwell::platform
