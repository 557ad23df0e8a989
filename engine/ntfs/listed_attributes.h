#pragma once
// Following a base record's attribute list into its extension records.
// When a record overflows, its attributes move to extension records and the
// base record keeps a list of (type, lowest VCN, record, attribute id) for
// every attribute. Everything in the list comes from the disk: a record it
// names is used only when it is an extension of this very base, each
// record is read once and at most kMaxExtensionRecords of them, and the
// pieces of data must follow each other in VCN order.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>

#include "engine/ntfs/attribute_list.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/record_attribute.h"
#include "engine/records.h"

namespace tarnwell::engine::ntfs {

using RecordBuffer = std::array<uint8_t, kRecordBytes>;

// Reads MFT record `number` with its fix-up applied; false when unreadable.
using ReadRecordFn = std::function<bool(uint64_t number, RecordBuffer& record)>;

// A base record names itself in no field; an extension record names its
// base at 0x20 (48-bit record number, then the sequence number). The
// scan lists base records only.
uint64_t BaseReferenceOf(std::span<const uint8_t> record);
inline bool IsExtensionRecord(std::span<const uint8_t> record) { return BaseReferenceOf(record) != 0; }

// More distinct records than this for one file is damage: a real list of
// the largest files names a few hundred.
inline constexpr size_t kMaxExtensionRecords = 4096;

// The base record and the extension records its list points into.
class ListedRecords {
 public:
  // base: the number of baseRecord, or nullopt where it is not known (a
  // raw-range scan): then every entry is looked for in the base record.
  // strays: extension records of this base that the MFT scan met, whether
  // or not the list names them (see StrayRecord).
  ListedRecords(std::span<const uint8_t> baseRecord, std::optional<uint64_t> base, ReadRecordFn read,
                std::span<const uint64_t> strays = {})
      : baseRecord_(baseRecord), base_(base), read_(std::move(read)), strays_(strays) {}
  // The record an entry names: the base itself, or an extension record of
  // this base (read once). Empty when unreadable, when it is not an
  // extension of this base (a list pointing elsewhere, or back at another
  // base), or past the cap.
  std::span<const uint8_t> Holder(uint64_t number);
  // The i-th of the strays when it is an extension of this base and its
  // reference to the base carries the base's sequence number or one at
  // most two below it (the sequence may have moved on when the file was
  // unlinked or its record reused); empty otherwise.
  std::span<const uint8_t> StrayRecord(size_t i);
  size_t StrayCount() const { return strays_.size(); }
  std::span<const uint64_t> StrayNumbers() const { return strays_; }

 private:
  std::span<const uint8_t> baseRecord_;
  std::optional<uint64_t> base_;
  ReadRecordFn read_;
  std::span<const uint64_t> strays_;
  std::map<uint64_t, std::unique_ptr<RecordBuffer>> extensions_;  // null: refused
};

// The attribute an entry names, found by type and attribute id in the
// record that holds it; nullopt when that record or attribute is missing.
struct ListedSpot {
  std::span<const uint8_t> record;
  AttributeSpot spot;
};
std::optional<ListedSpot> LocateListed(const ListEntry& entry, ListedRecords& records);

// The data attribute of the given name (UTF-16LE; empty: the unnamed data,
// the file's own) named by a list: the piece at VCN 0 (sizes,
// flags, or the value of resident data) into first, and the runs of every
// piece in VCN order into runs. A piece named twice or overlapping one
// already taken is skipped. Where the list names no piece at the next VCN,
// a stray extension record holding a piece of that very name that starts
// there fills the gap; otherwise a gap or a piece whose runs fall short of
// its VCN range ends the runs there, so damaged data comes out short. False
// when there is no piece at VCN 0.
bool CollectListedData(std::span<const uint8_t> list, ListedRecords& records, TAttribute& first, trunlist& runs,
                       std::span<const uint8_t> name = {});

}  // namespace tarnwell::engine::ntfs
