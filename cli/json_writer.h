#pragma once
// A streaming writer of JSON lines: values go straight into a text buffer
// that is handed to the output in large pieces, without building a JSON
// document per line. Every line it writes is valid JSON whatever bytes a
// string holds: control characters are escaped and bytes that are not
// UTF-8 become U+FFFD, so a damaged name on disk cannot break a script
// that reads the output.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell::cli {

class JsonWriter {
 public:
  // Lines go to sink (flushed every few kilobytes and at the end); with no
  // sink they stay in Text().
  explicit JsonWriter(std::FILE* sink = nullptr);
  ~JsonWriter();
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // Inside an object, the key of the next value.
  JsonWriter& Key(std::string_view key);

  JsonWriter& String(std::string_view utf8);
  JsonWriter& Unsigned(uint64_t value);
  JsonWriter& Signed(int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  // The text, or null when there is none.
  JsonWriter& OptionalString(const std::optional<std::string>& utf8);

  // Ends the current top-level value's line. Containers left open are closed
  // first, so a line is whole even when a caller stops early. A line with
  // no value is not written; a second top-level value without EndLine
  // starts a new line by itself.
  void EndLine();
  void Flush();

  // What has been written and not yet flushed (all of it without a sink).
  const std::string& Text() const { return buffer_; }

 private:
  void BeforeValue();
  void Open(char bracket, bool object);
  void Close(char bracket);

  std::FILE* sink_;
  std::string buffer_;
  // One entry per open container: true for an object; whether it already
  // holds a value.
  struct Level {
    bool object;
    bool hasValue;
  };
  std::vector<Level> open_;
  bool afterKey_ = false;
  bool lineHasValue_ = false;
};

// Appends text as the body of a JSON string (no quotes): '"', '\\' and
// control characters escaped, invalid UTF-8 replaced by U+FFFD.
void AppendJsonEscaped(std::string& out, std::string_view text);

}  // namespace tarnwell::cli
