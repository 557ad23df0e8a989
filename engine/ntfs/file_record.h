#pragma once
// The scan's reading of one FILE record: its first file name (and a longer
// second one), the times of its standard information, the sizes of its
// unnamed data.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "engine/records.h"

namespace tarnwell::engine::ntfs {

// What a record offers when its data attribute lives in another record
// (the record has an attribute list). The scan reads other records of the
// MFT; a raw-range scan, which has no MFT map, may look in the same record.
class ListedDataResolver {
 public:
  virtual ~ListedDataResolver() = default;
  // The value of a non-resident attribute list; false when unreadable.
  virtual bool ListValue(const TAttribute& list, std::vector<uint8_t>& value) = 0;
  // The unnamed data attribute held by the given record; false when absent.
  virtual bool DataAttributeOf(uint64_t recordNumber, TAttribute& data) = 0;
};

// A resolver made of two callables.
class CallbackResolver final : public ListedDataResolver {
 public:
  using ListValueFn = std::function<bool(const TAttribute&, std::vector<uint8_t>&)>;
  using DataFn = std::function<bool(uint64_t, TAttribute&)>;
  CallbackResolver(ListValueFn listValue, DataFn data)
      : listValue_(std::move(listValue)), data_(std::move(data)) {}
  bool ListValue(const TAttribute& list, std::vector<uint8_t>& value) override {
    return listValue_ && listValue_(list, value);
  }
  bool DataAttributeOf(uint64_t recordNumber, TAttribute& data) override {
    return data_ && data_(recordNumber, data);
  }

 private:
  ListValueFn listValue_;
  DataFn data_;
};

struct FileRecordInfo {
  // Offset in the record of the first file-name value: its 66-byte header,
  // then the UTF-16 name, both checked to lie inside the record.
  size_t fileNameValue = 0;
  // A second, longer file name (UTF-16 then a 16-bit zero); empty when none.
  TLongFileName longName;
  int64_t allocatedSize = 0;
  int64_t dataSize = 0;
  uint16_t flags = 0;
  // The attribute that holds the contents (a file's unnamed data, a
  // folder's $I30 index root): type and id, type 0 when there is none.
  uint16_t contentType = 0;
  uint16_t contentId = 0;
};

// Parses a fixed-up 1024-byte record. Copies the four times and the low 16
// bits of the attributes of the standard information over those of the
// first file-name value, in place. residentAllocated is the allocated size
// given to data kept inside the record (one cluster). resolver may be null:
// then a data attribute named only by an attribute list gives sizes 0.
// False when the record is not a "FILE" record, has no file name among its
// first three attributes, or its first file name does not fit; true (sizes
// 0) for a record without data, such as a folder.
bool ParseFileRecord(std::span<uint8_t> record, uint32_t residentAllocated,
                     ListedDataResolver* resolver, FileRecordInfo& info);

// Sizes of a data attribute as the scan lists them: allocated and real
// size from a non-resident one (48 bits significant), or the value length
// and residentAllocated from a resident one.
void DataSizesOf(const TAttribute& data, uint32_t residentAllocated, int64_t& allocated,
                 int64_t& size);

}  // namespace tarnwell::engine::ntfs
