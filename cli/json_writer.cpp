#include "cli/json_writer.h"

#include <charconv>

namespace tarnwell::cli {
namespace {

constexpr size_t kFlushAt = 64 * 1024;
constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// Length of the well-formed UTF-8 sequence at text[i], or 0 when the bytes
// there are not one (a stray continuation byte, an overlong form, a
// surrogate, a value past U+10FFFF, a cut-off sequence).
size_t Utf8SequenceLength(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // UTF-16 surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k)
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  return length;
}

}  // namespace

void AppendJsonEscaped(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  size_t i = 0;
  while (i < text.size()) {
    // Copy the longest run that needs no care in one go.
    size_t run = i;
    while (run < text.size()) {
      const auto c = static_cast<unsigned char>(text[run]);
      if (c < 0x20 || c == '"' || c == '\\' || c >= 0x7F) break;
      ++run;
    }
    out.append(text.data() + i, run - i);
    i = run;
    if (i == text.size()) break;

    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const size_t length = Utf8SequenceLength(text, i);
      if (length == 0) {
        out += kReplacement;
        ++i;
      } else {
        out.append(text.data() + i, length);
        i += length;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:  // other control characters and DEL, which terminals act on
        out += "\\u00";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
    ++i;
  }
}

JsonWriter::JsonWriter(std::FILE* sink) : sink_(sink) { buffer_.reserve(kFlushAt + 4096); }

JsonWriter::~JsonWriter() {
  if (!open_.empty()) EndLine();
  Flush();
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (open_.empty()) {
    // A second top-level value would make the line invalid: it starts a
    // line of its own.
    if (lineHasValue_) EndLine();
    lineHasValue_ = true;
    return;
  }
  Level& level = open_.back();
  if (level.object) {
    // A value without a key would make the object invalid: give it one.
    Key("");
    afterKey_ = false;
    return;
  }
  if (level.hasValue) buffer_ += ',';
  level.hasValue = true;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
  if (open_.empty() || !open_.back().object) return *this;  // keys live in objects only
  if (afterKey_) Null();  // the previous key never got its value
  Level& level = open_.back();
  if (level.hasValue) buffer_ += ',';
  level.hasValue = true;
  buffer_ += '"';
  AppendJsonEscaped(buffer_, key);
  buffer_ += "\":";
  afterKey_ = true;
  return *this;
}

void JsonWriter::Open(char bracket, bool object) {
  BeforeValue();
  buffer_ += bracket;
  open_.push_back({object, false});
}

void JsonWriter::Close(char bracket) {
  if (open_.empty()) return;
  if (afterKey_) Null();
  open_.pop_back();
  buffer_ += bracket;
}

JsonWriter& JsonWriter::BeginObject() {
  Open('{', true);
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  if (!open_.empty() && open_.back().object) Close('}');
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  Open('[', false);
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  if (!open_.empty() && !open_.back().object) Close(']');
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view utf8) {
  BeforeValue();
  buffer_ += '"';
  AppendJsonEscaped(buffer_, utf8);
  buffer_ += '"';
  return *this;
}

JsonWriter& JsonWriter::Unsigned(uint64_t value) {
  BeforeValue();
  char text[24];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  buffer_.append(text, end);
  return *this;
}

JsonWriter& JsonWriter::Signed(int64_t value) {
  BeforeValue();
  char text[24];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  buffer_.append(text, end);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  buffer_ += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  buffer_ += "null";
  return *this;
}

JsonWriter& JsonWriter::OptionalString(const std::optional<std::string>& utf8) {
  return utf8 ? String(*utf8) : Null();
}

void JsonWriter::EndLine() {
  while (!open_.empty()) Close(open_.back().object ? '}' : ']');
  afterKey_ = false;
  if (!lineHasValue_) return;  // an empty line is not JSON
  lineHasValue_ = false;
  buffer_ += '\n';
  if (sink_ && buffer_.size() >= kFlushAt) Flush();
}

void JsonWriter::Flush() {
  if (!sink_ || buffer_.empty()) return;
  std::fwrite(buffer_.data(), 1, buffer_.size(), sink_);
  std::fflush(sink_);
  buffer_.clear();
}

}  // namespace tarnwell::cli
