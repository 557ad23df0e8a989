#pragma once
// Conversions between the encodings the system meets: UTF-16LE names on
// disk, the system code page GB18030 (a superset of code page 936 that can
// encode every Unicode character), and UTF-8 at the edges (Qt, the terminal,
// the Linux file system).
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwell::platform {

// UTF-16LE bytes (odd trailing byte ignored) to GB18030. Unpaired
// surrogates become '?'; nothing else is lost.
std::string Utf16LeToSystem(const uint8_t* bytes, size_t byteCount);
// GB18030 to UTF-16LE bytes, without a terminator.
std::string SystemToUtf16Le(std::string_view system);
// GB18030 to UTF-8. Bytes that are not valid GB18030 become U+FFFD.
std::string SystemToUtf8(std::string_view system);
// UTF-8 to GB18030. Input that is not valid UTF-8 is returned unchanged
// (it is taken to be in the system code page already).
std::string Utf8ToSystem(std::string_view utf8);

// A caption or message written in UTF-8 source, in the system code page.
// Use for the engine's fixed texts: SystemText("恢复失败").
std::string SystemText(std::string_view utf8);

}  // namespace tarnwell::platform
