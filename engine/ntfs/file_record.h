#pragma once
// The scan's reading of one FILE record: its first file name (and a longer
// second one), the times of its standard information, the sizes of its
// unnamed data.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "engine/ntfs/listed_attributes.h"
#include "engine/records.h"

namespace tarnwell::engine::ntfs {

// What the parse needs to follow an attribute list: the list's value when
// it is not kept in the record, and the records it names. The scan reads
// them from the MFT; a raw-range scan, which has no MFT map, reads none
// and finds only what the base record holds.
class ListedDataResolver {
 public:
  virtual ~ListedDataResolver() = default;
  // The value of a non-resident attribute list; false when unreadable.
  virtual bool ListValue(const TAttribute& list, std::vector<uint8_t>& value) = 0;
  // MFT record `number`, fix-up applied; false when unreadable.
  virtual bool ReadRecord(uint64_t number, RecordBuffer& record) = 0;
  // The number of the record being parsed, which its extension records
  // name as their base; nullopt when unknown.
  std::optional<uint64_t> base;
};

// A resolver made of two callables.
class CallbackResolver final : public ListedDataResolver {
 public:
  using ListValueFn = std::function<bool(const TAttribute&, std::vector<uint8_t>&)>;
  CallbackResolver(ListValueFn listValue, ReadRecordFn read)
      : listValue_(std::move(listValue)), read_(std::move(read)) {}
  bool ListValue(const TAttribute& list, std::vector<uint8_t>& value) override {
    return listValue_ && listValue_(list, value);
  }
  bool ReadRecord(uint64_t number, RecordBuffer& record) override { return read_ && read_(number, record); }

 private:
  ListValueFn listValue_;
  ReadRecordFn read_;
};

struct FileRecordInfo {
  // The first file-name value: its 66-byte header (times and attributes
  // of the standard information copied over it), then the UTF-16 name.
  std::vector<uint8_t> fileName;
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
// first file-name value. residentAllocated is the allocated size given to
// data kept inside the record (one cluster). What the record does not hold
// itself (file names, standard information, the folder's index root, the
// data's first piece) is looked up through its attribute list with the
// resolver; resolver may be null: then nothing is.
// False when the record is not a "FILE" record, is an extension record,
// has no file name (among its first three attributes or through its list),
// or its first file name does not fit; true (sizes 0) for a record without
// data, such as a folder. A deleted file whose list names its data but no
// file name is true with a file name of length 0 and parent 0.
bool ParseFileRecord(std::span<uint8_t> record, uint32_t residentAllocated,
                     ListedDataResolver* resolver, FileRecordInfo& info);

// Sizes of a data attribute as the scan lists them: allocated and real
// size from a non-resident one (48 bits significant), or the value length
// and residentAllocated from a resident one.
void DataSizesOf(const TAttribute& data, uint32_t residentAllocated, int64_t& allocated,
                 int64_t& size);

}  // namespace tarnwell::engine::ntfs
