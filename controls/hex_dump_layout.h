#pragma once
// The arithmetic of the hex dump, apart from the widget so that it can be
// checked with any font metrics.
#include <cstddef>
#include <cstdint>

namespace tarnwell::controls {

struct HexLayout {
  int visibleLines = 0;
  int bytesPerLine = 1;
  int lineCount = 0;
};

// clientWidth/clientHeight: the drawing area; lineHeight > 0, charWidth > 0.
HexLayout CalcHexLayout(int clientWidth, int clientHeight, int lineHeight, int charWidth,
                        bool showAddress, bool showCharacters, int dataLength);

// The header naming the sixteen byte positions (47 characters).
inline constexpr const char kHexHeader[] = "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F";

// Capacity of a hex line buffer: two digits and a tab for each of 16 bytes.
inline constexpr size_t kHexLineCapacity = 48;

// Writes n (1..16) bytes as upper-case hex pairs separated by tabs into a
// buffer that holds tabs everywhere else; returns the text length n*3-1.
int FormatHexLine(const uint8_t* bytes, int n, char (&buffer)[kHexLineCapacity]);
void ResetHexLineBuffer(char (&buffer)[kHexLineCapacity]);

// "%.4x:" in upper case: at least four digits and a colon. Returns the
// length; the dump draws only the first four characters.
int FormatHexOffset(uint32_t offset, char (&buffer)[16]);

// Number of bytes on a line: bytesPerLine, or the remainder on the last line.
int BytesOnLine(int line, int lineCount, int bytesPerLine, int dataLength);

}  // namespace tarnwell::controls
