#include "platform/text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace tarnwell::platform {
namespace {

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// One iconv descriptor per direction and thread, opened on first use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts input; on an invalid sequence, skips skipUnit bytes and appends
  // replacement. Returns false only when the descriptor cannot be opened.
  bool Run(std::string_view input, std::string& out, size_t skipUnit,
           std::string_view replacement, bool failOnInvalid = false) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[1024];
    while (inLeft > 0) {
      char* outPtr = buffer;
      size_t outLeft = sizeof(buffer);
      const size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<size_t>(outPtr - buffer));
      if (rc != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (truncated sequence at the end).
      if (failOnInvalid) return false;
      const size_t skip = std::min(skipUnit, inLeft);
      in += skip;
      inLeft -= skip;
      out.append(replacement);
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    char* outPtr = buffer;
    size_t outLeft = sizeof(buffer);
    iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    return true;
  }

 private:
  iconv_t cd_;
};

Converter& Utf16ToGb() {
  thread_local Converter c("GB18030", "UTF-16LE");
  return c;
}
Converter& GbToUtf16() {
  thread_local Converter c("UTF-16LE", "GB18030");
  return c;
}
Converter& GbToUtf8() {
  thread_local Converter c("UTF-8", "GB18030");
  return c;
}
Converter& Utf8ToGb() {
  thread_local Converter c("GB18030", "UTF-8");
  return c;
}

}  // namespace

std::string Utf16LeToSystem(const uint8_t* bytes, size_t byteCount) {
  byteCount &= ~static_cast<size_t>(1);
  bool ascii = true;
  for (size_t i = 0; i < byteCount; i += 2) {
    if (bytes[i + 1] != 0 || bytes[i] >= 0x80) {
      ascii = false;
      break;
    }
  }
  std::string out;
  if (ascii) {
    // Most names are plain ASCII: each unit's low byte is its character.
    out.resize(byteCount / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(bytes[2 * i]);
    return out;
  }
  out.reserve(byteCount / 2);
  Utf16ToGb().Run(std::string_view(reinterpret_cast<const char*>(bytes), byteCount), out, 2, "?");
  return out;
}

std::string SystemToUtf16Le(std::string_view system) {
  std::string out;
  if (IsAscii(system)) {
    out.reserve(system.size() * 2);
    for (char c : system) {
      out.push_back(c);
      out.push_back('\0');
    }
    return out;
  }
  GbToUtf16().Run(system, out, 1, std::string_view("?\0", 2));
  return out;
}

std::string SystemToUtf8(std::string_view system) {
  if (IsAscii(system)) return std::string(system);
  std::string out;
  GbToUtf8().Run(system, out, 1, "\xEF\xBF\xBD");
  return out;
}

std::string Utf8ToSystem(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  if (!Utf8ToGb().Run(utf8, out, 1, "", /*failOnInvalid=*/true)) return std::string(utf8);
  return out;
}

std::string SystemText(std::string_view utf8) { return Utf8ToSystem(utf8); }

}  // namespace tarnwell::platform
