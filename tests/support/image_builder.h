#pragma once
// Crafted disk bytes for decoder and edge-case tests.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tarnwell::testing {

class ImageBuilder {
 public:
  explicit ImageBuilder(size_t sizeBytes) : bytes_(sizeBytes, 0) {}
  ImageBuilder& Put8(size_t offset, uint8_t v);
  ImageBuilder& Put16(size_t offset, uint16_t v);
  ImageBuilder& Put32(size_t offset, uint32_t v);
  ImageBuilder& Put64(size_t offset, uint64_t v);
  ImageBuilder& PutText(size_t offset, const std::string& text);
  ImageBuilder& PutBytes(size_t offset, const std::vector<uint8_t>& data);
  std::vector<uint8_t>& Bytes() { return bytes_; }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

// Parses "05 FF 7E" style hex text into bytes (blanks and newlines ignored).
std::vector<uint8_t> Hex(const std::string& text);

}  // namespace tarnwell::testing
