#include "controls/hex_dump_layout.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace tarnwell::controls {

HexLayout CalcHexLayout(int clientWidth, int clientHeight, int lineHeight, int charWidth,
                        bool showAddress, bool showCharacters, int dataLength) {
  HexLayout layout;
  if (lineHeight <= 0 || charWidth <= 0) return layout;
  // The first 16 pixels hold the header and its rules; the last, partly
  // shown row counts as visible.
  layout.visibleLines = (clientHeight - 16) / lineHeight + 1;
  int columns = clientWidth / charWidth;
  if (showAddress) columns -= 10;
  int perLine = showCharacters ? columns / 4 : columns / 3;
  layout.bytesPerLine = std::clamp(perLine, 1, 16);
  int length = std::max(dataLength, 0);
  layout.lineCount = length / layout.bytesPerLine + (length % layout.bytesPerLine ? 1 : 0);
  return layout;
}

void ResetHexLineBuffer(char (&buffer)[kHexLineCapacity]) {
  std::fill(std::begin(buffer), std::end(buffer), '\t');
}

int FormatHexLine(const uint8_t* bytes, int n, char (&buffer)[kHexLineCapacity]) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  n = std::clamp(n, 0, 16);
  for (int i = 0; i < n; ++i) {
    buffer[i * 3] = kDigits[bytes[i] >> 4];
    buffer[i * 3 + 1] = kDigits[bytes[i] & 0x0F];
  }
  return n > 0 ? n * 3 - 1 : 0;
}

int FormatHexOffset(uint32_t offset, char (&buffer)[16]) {
  return std::snprintf(buffer, sizeof buffer, "%.4X:", offset);
}

int BytesOnLine(int line, int lineCount, int bytesPerLine, int dataLength) {
  if (line < 0 || line >= lineCount || bytesPerLine <= 0) return 0;
  int rest = dataLength % bytesPerLine;
  return (line == lineCount - 1 && rest != 0) ? rest : bytesPerLine;
}

}  // namespace tarnwell::controls
