#include "tests/support/image_builder.h"

#include <cctype>
#include <stdexcept>

namespace tarnwell::testing {

ImageBuilder& ImageBuilder::Put8(size_t offset, uint8_t v) {
  bytes_.at(offset) = v;
  return *this;
}
ImageBuilder& ImageBuilder::Put16(size_t offset, uint16_t v) {
  for (int i = 0; i < 2; ++i) bytes_.at(offset + i) = static_cast<uint8_t>(v >> (8 * i));
  return *this;
}
ImageBuilder& ImageBuilder::Put32(size_t offset, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes_.at(offset + i) = static_cast<uint8_t>(v >> (8 * i));
  return *this;
}
ImageBuilder& ImageBuilder::Put64(size_t offset, uint64_t v) {
  for (int i = 0; i < 8; ++i) bytes_.at(offset + i) = static_cast<uint8_t>(v >> (8 * i));
  return *this;
}
ImageBuilder& ImageBuilder::PutText(size_t offset, const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) bytes_.at(offset + i) = static_cast<uint8_t>(text[i]);
  return *this;
}
ImageBuilder& ImageBuilder::PutBytes(size_t offset, const std::vector<uint8_t>& data) {
  for (size_t i = 0; i < data.size(); ++i) bytes_.at(offset + i) = data[i];
  return *this;
}

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> out;
  int high = -1;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) throw std::invalid_argument("bad hex");
    const int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10);
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<uint8_t>(high * 16 + v));
      high = -1;
    }
  }
  return out;
}

}  // namespace tarnwell::testing
