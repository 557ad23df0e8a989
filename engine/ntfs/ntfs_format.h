#pragma once
// Facts of the NTFS on-disk layout that the record parser, the scan and the
// recovery share. Every volume the engine accepts has 512-byte sectors and
// 1024-byte FILE records, so a record is always two sectors.
#include <cstddef>
#include <cstdint>

namespace tarnwell::engine::ntfs {

inline constexpr size_t kRecordBytes = 1024;
inline constexpr size_t kSectorBytes = 512;
inline constexpr uint32_t kSectorsPerRecord = 2;

// Attribute types the engine reads.
inline constexpr uint32_t kAttrStandardInformation = 0x10;
inline constexpr uint32_t kAttrAttributeList = 0x20;
inline constexpr uint32_t kAttrFileName = 0x30;
inline constexpr uint32_t kAttrData = 0x80;
inline constexpr uint32_t kAttrIndexRoot = 0x90;
inline constexpr uint32_t kAttrEnd = 0xFFFFFFFF;

// FILE record header offsets.
inline constexpr size_t kUpdateSequenceOffsetField = 4;
inline constexpr size_t kFirstAttributeField = 20;
inline constexpr size_t kRecordFlagsField = 22;
// Record flags: bit 0 in use, bit 1 the record is a folder's.
inline constexpr uint16_t kRecordFlagInUse = 0x0001;
inline constexpr uint16_t kRecordFlagFolder = 0x0002;

// Sizes of the fixed attribute headers.
inline constexpr size_t kCommonHeaderBytes = 16;
inline constexpr size_t kResidentHeaderBytes = 24;
inline constexpr size_t kNonResidentHeaderBytes = 64;

// The fixed part of a file-name value before the UTF-16 name.
inline constexpr size_t kFileNameHeaderBytes = 66;
// The part of a standard-information value the scan copies: four times and
// the file attributes.
inline constexpr size_t kStandardInformationBytes = 36;
// The part of an attribute-list entry the engine reads.
inline constexpr size_t kListEntryBytes = 26;

// Compressed data comes in units of 16 clusters made of 4096-byte chunks.
inline constexpr uint32_t kCompressionUnitClusters = 16;
inline constexpr size_t kChunkBytes = 4096;

// Attribute header flag of compressed data.
inline constexpr uint16_t kAttrFlagCompressed = 0x0001;

// A file reference keeps the record number in its low 48 bits (the
// sequence number above); sizes are bounded to the same width so that a
// hostile value cannot pass for a 64-bit size.
inline constexpr uint64_t kLow48 = 0xFFFFFFFFFFFFULL;

// True when the record begins with "FILE" (or "BAAD" when badToo).
inline bool HasRecordSignature(const uint8_t* p, bool badToo) {
  if (p[0] == 'F' && p[1] == 'I' && p[2] == 'L' && p[3] == 'E') return true;
  return badToo && p[0] == 'B' && p[1] == 'A' && p[2] == 'A' && p[3] == 'D';
}

}  // namespace tarnwell::engine::ntfs
