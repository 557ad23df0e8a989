#pragma once
// Builds 1024-byte FILE records from explicit parts, for parser tests.
#include <cstdint>
#include <string>
#include <vector>

#include "common/little_endian.h"

namespace tarnwell::engine::ntfs::testing {

class RecordBuilder {
 public:
  // A record with its update sequence array at 0x30 (sequence number
  // 0x0001 stored at the end of each sector) and attributes from 0x38.
  explicit RecordBuilder(uint16_t flags = 1);
  RecordBuilder& StandardInformation(uint64_t time, uint32_t attributes);
  RecordBuilder& FileName(uint64_t parent, const std::u16string& name, uint8_t nameSpace = 1,
                          uint32_t attributes = 0);
  RecordBuilder& ResidentData(const std::vector<uint8_t>& value);
  RecordBuilder& NonResident(uint32_t type, const std::vector<uint8_t>& runList,
                             uint64_t allocated, uint64_t size, uint16_t flags = 0,
                             const std::u16string& name = u"");
  RecordBuilder& Resident(uint32_t type, const std::vector<uint8_t>& value, const std::u16string& name = u"");
  // The VCN range of the non-resident attribute added last (a piece of an
  // attribute spread over records).
  RecordBuilder& Vcns(uint64_t first, uint64_t last);
  // Makes the record an extension record of base.
  RecordBuilder& Base(uint64_t base);
  // Writes the end marker and the sector-end bytes the fix-up restores;
  // returns the record as it lies on disk.
  std::vector<uint8_t> Build();
  size_t NextOffset() const { return offset_; }

 private:
  std::vector<uint8_t> r_;
  size_t offset_ = 0x38;
  size_t last_ = 0x38;
  uint16_t nextId_ = 0;
};



inline RecordBuilder::RecordBuilder(uint16_t flags) : r_(1024, 0) {
  r_[0] = 'F', r_[1] = 'I', r_[2] = 'L', r_[3] = 'E';
  StoreLE16(&r_[4], 0x30);
  StoreLE16(&r_[6], 3);
  StoreLE16(&r_[20], 0x38);
  StoreLE16(&r_[22], flags);
  StoreLE16(&r_[0x30], 0x0001);
}

inline RecordBuilder& RecordBuilder::Resident(uint32_t type, const std::vector<uint8_t>& value,
                                              const std::u16string& name) {
  // The name follows the 24-byte header; the value starts at the next 8 bytes.
  const size_t valueAt = (24 + name.size() * 2 + 7) / 8 * 8;
  const size_t length = (valueAt + value.size() + 7) / 8 * 8;
  uint8_t* a = &r_[offset_];
  StoreLE32(a, type);
  StoreLE32(a + 4, static_cast<uint32_t>(length));
  a[9] = static_cast<uint8_t>(name.size());
  StoreLE16(a + 10, 24);
  for (size_t i = 0; i < name.size(); ++i) StoreLE16(a + 24 + 2 * i, static_cast<uint16_t>(name[i]));
  StoreLE16(a + 14, nextId_++);
  StoreLE32(a + 16, static_cast<uint32_t>(value.size()));
  StoreLE16(a + 20, static_cast<uint16_t>(valueAt));
  std::copy(value.begin(), value.end(), a + valueAt);
  offset_ += length;
  return *this;
}

inline RecordBuilder& RecordBuilder::StandardInformation(uint64_t time, uint32_t attributes) {
  std::vector<uint8_t> v(72, 0);
  for (int i = 0; i < 4; ++i) StoreLE64(&v[8 * i], time + i);
  StoreLE32(&v[32], attributes);
  return Resident(0x10, v);
}

inline RecordBuilder& RecordBuilder::FileName(uint64_t parent, const std::u16string& name,
                                       uint8_t nameSpace, uint32_t attributes) {
  std::vector<uint8_t> v(66 + 2 * name.size(), 0);
  StoreLE64(&v[0], parent | (uint64_t{1} << 48));
  StoreLE32(&v[56], attributes);
  v[64] = static_cast<uint8_t>(name.size());
  v[65] = nameSpace;
  for (size_t i = 0; i < name.size(); ++i) StoreLE16(&v[66 + 2 * i], name[i]);
  return Resident(0x30, v);
}

inline RecordBuilder& RecordBuilder::ResidentData(const std::vector<uint8_t>& value) {
  return Resident(0x80, value);
}

inline RecordBuilder& RecordBuilder::NonResident(uint32_t type, const std::vector<uint8_t>& runList,
                                          uint64_t allocated, uint64_t size, uint16_t flags,
                                          const std::u16string& name) {
  const size_t header = (flags & 1) ? 72 : 64;
  const size_t nameEnd = header + 2 * name.size();
  const size_t runs = (nameEnd + 7) / 8 * 8;
  const size_t length = (runs + runList.size() + 7) / 8 * 8;
  uint8_t* a = &r_[offset_];
  last_ = offset_;
  StoreLE32(a, type);
  StoreLE32(a + 4, static_cast<uint32_t>(length));
  a[8] = 1;
  a[9] = static_cast<uint8_t>(name.size());
  StoreLE16(a + 10, static_cast<uint16_t>(header));
  StoreLE16(a + 12, flags);
  StoreLE16(a + 14, nextId_++);
  StoreLE16(a + 32, static_cast<uint16_t>(runs));
  if (flags & 1) StoreLE16(a + 34, 4);
  StoreLE64(a + 40, allocated);
  StoreLE64(a + 48, size);
  StoreLE64(a + 56, size);
  for (size_t i = 0; i < name.size(); ++i) StoreLE16(a + header + 2 * i, name[i]);
  std::copy(runList.begin(), runList.end(), a + runs);
  offset_ += length;
  return *this;
}

inline RecordBuilder& RecordBuilder::Vcns(uint64_t first, uint64_t last) {
  StoreLE64(&r_[last_ + 16], first);
  StoreLE64(&r_[last_ + 24], last);
  return *this;
}

inline RecordBuilder& RecordBuilder::Base(uint64_t base) {
  StoreLE64(&r_[0x20], base | (uint64_t{1} << 48));
  return *this;
}

inline std::vector<uint8_t> RecordBuilder::Build() {
  StoreLE32(&r_[offset_], 0xFFFFFFFF);
  // The fix-up: the real last bytes of each sector go to the array, the
  // sequence number takes their place.
  r_[0x32] = r_[510], r_[0x33] = r_[511];
  r_[0x34] = r_[1022], r_[0x35] = r_[1023];
  StoreLE16(&r_[510], 0x0001);
  StoreLE16(&r_[1022], 0x0001);
  return r_;
}

}  // namespace tarnwell::engine::ntfs::testing
