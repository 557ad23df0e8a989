#pragma once
// The records of the standard engine: logical drives, found FAT entries,
// found NTFS file records, run lists and attributes.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/little_endian.h"
#include "disk/sector_source.h"
#include "disk/volume_reader.h"
#include "engine/recoverability.h"

namespace tarnwell::engine {

// File-system kinds of a drive.
enum FsKindValue : uint8_t {
  kFat12 = 0,
  kFat16 = 1,
  kFat32 = 2,
  kNtfs = 3,
  kExfat = 4,
  kUnrecognised = 255
};

// A 32-byte FAT directory entry exactly as stored on disk.
struct RawDirEntry {
  std::array<uint8_t, 32> bytes{};

  uint8_t Attributes() const { return bytes[11]; }
  uint8_t CaseFlags() const { return bytes[12]; }
  uint16_t CreationTime() const { return LoadLE16(&bytes[14]); }
  uint16_t CreationDate() const { return LoadLE16(&bytes[16]); }
  uint16_t AccessDate() const { return LoadLE16(&bytes[18]); }
  uint16_t FirstClusterHigh() const { return LoadLE16(&bytes[20]); }
  uint16_t ModificationTime() const { return LoadLE16(&bytes[22]); }
  uint16_t ModificationDate() const { return LoadLE16(&bytes[24]); }
  uint16_t FirstClusterLow() const { return LoadLE16(&bytes[26]); }
  uint32_t FileSize() const { return LoadLE32(&bytes[28]); }
  uint32_t FirstCluster32() const {
    return (static_cast<uint32_t>(FirstClusterHigh()) << 16) | FirstClusterLow();
  }
  void SetFirstClusterHigh(uint16_t high) { StoreLE16(&bytes[20], high); }
  bool IsDeletedMark() const { return bytes[0] == 0xE5; }
};
static_assert(sizeof(RawDirEntry) == 32);

// FAT attribute bits.
inline constexpr uint8_t kFatAttrVolumeLabel = 0x08;
inline constexpr uint8_t kFatAttrDirectory = 0x10;
inline constexpr uint8_t kFatAttrLongName = 0x0F;

// Status of a found FAT entry.
enum FatStatus : uint8_t { kExisting = 0, kDeleted = 1, kDamagedFolder = 2 };

// What an exFAT entry set holds beyond the fields of a 32-byte FAT entry.
struct ExfatEntryFacts {
  uint64_t DataLength = 0;
  uint64_t ValidLength = 0;   // bytes past it read as zeros
  bool NoFatChain = false;    // the data lies in contiguous clusters
  // UTC offsets of the created, modified and accessed stamps as stored
  // (bit 7 set: valid; low 7 bits: signed count of 15 minutes).
  std::array<uint8_t, 3> UtcOffsets{};
  // What the FAT fields have no room for: the modification stamp's 10 ms
  // part and the access stamp's time word (FAT keeps an access date only).
  uint8_t Modified10ms = 0;
  uint16_t AccessTime = 0;
};

// One found FAT directory entry. FAT12/16 and FAT32 entries have the same
// fields; the volume kind tells them apart. An exFAT entry set is kept in
// the same shape: its attributes, stamps (date and time words, created
// 10 ms part), first cluster and size (capped at 32 bits) fill the FAT
// fields, its name the long name, and Exfat what does not fit.
struct TMidEntry {
  RawDirEntry DirEntry;
  std::string LongName;        // system code page; empty when none
  uint32_t ParentCluster = 0;  // first cluster of the holding folder
  uint8_t Status = kExisting;
  // How much of a deleted file's data is still its own (a Recoverability),
  // worked out when first asked; kUnknownRecoverability until then.
  uint8_t Recoverable = kUnknownRecoverability;
  TMidEntry* Parent = nullptr;  // not owning; nullptr for root entries
  std::optional<ExfatEntryFacts> Exfat;  // exFAT volumes only
  // Byte offset in the volume of the 32-byte short entry (exFAT: of the
  // file entry that opens the set); 0 when the walk did not say. The boot
  // sector lies at 0, so no directory entry does.
  uint64_t EntryOffset = 0;
};
using TMidEntry32 = TMidEntry;

// The first 66 bytes of an NTFS file-name attribute value as stored.
struct RawFileName {
  std::array<uint8_t, 66> bytes{};

  uint64_t ParentRecord() const { return LoadLE48(&bytes[0]); }
  uint16_t ParentSequence() const { return LoadLE16(&bytes[6]); }
  uint64_t CreationTime() const { return LoadLE64(&bytes[8]); }
  uint64_t ModificationTime() const { return LoadLE64(&bytes[16]); }
  uint64_t MftChangeTime() const { return LoadLE64(&bytes[24]); }
  uint64_t AccessTime() const { return LoadLE64(&bytes[32]); }
  uint64_t AllocatedSize() const { return LoadLE64(&bytes[40]); }
  uint64_t RealSize() const { return LoadLE64(&bytes[48]); }
  uint32_t Attributes() const { return LoadLE32(&bytes[56]); }
  uint8_t NameLength() const { return bytes[64]; }
  uint8_t NameSpace() const { return bytes[65]; }

  void SetParentRecord(uint64_t record) {
    for (int i = 0; i < 6; ++i) bytes[i] = static_cast<uint8_t>(record >> (8 * i));
  }
  void SetParentSequence(uint16_t seq) { StoreLE16(&bytes[6], seq); }
  void SetCreationTime(uint64_t t) { StoreLE64(&bytes[8], t); }
  void SetModificationTime(uint64_t t) { StoreLE64(&bytes[16], t); }
  void SetMftChangeTime(uint64_t t) { StoreLE64(&bytes[24], t); }
  void SetAccessTime(uint64_t t) { StoreLE64(&bytes[32], t); }
  void SetAttributes(uint32_t a) { StoreLE32(&bytes[56], a); }
};
static_assert(sizeof(RawFileName) == 66);

// NTFS file attribute bits.
inline constexpr uint32_t kNtfsAttrCompressed = 0x800;
inline constexpr uint32_t kNtfsAttrDirectory = 0x10000000;
// Record number of the NTFS root folder.
inline constexpr uint32_t kNtfsRootRecord = 5;

// One found NTFS file record.
struct tntfsfilerecord {
  int64_t RecordSector = 0;  // volume sector of the record's 1024 bytes
  int64_t RecordNumber = 0;
  int64_t AllocatedSize = 0;
  int64_t DataSize = 0;
  std::string Name;  // system code page
  RawFileName FileName;
  uint16_t RecordFlags = 0;  // bit 0: in use
  // Type and id of the attribute that holds the contents: the unnamed
  // data of a file, the $I30 index root of a folder; type 0 when the
  // record has neither (or is one the scan made up, a lost folder).
  uint16_t ContentAttributeType = 0;
  uint16_t ContentAttributeId = 0;
  // As TMidEntry::Recoverable: a Recoverability, kUnknownRecoverability
  // until first asked.
  uint8_t Recoverable = kUnknownRecoverability;
  // A named data stream of the record (UTF-16LE), listed as an entry of its
  // own ("file:stream") with the stream's sizes; empty for the file itself.
  std::vector<uint8_t> StreamName;
  tntfsfilerecord* Parent = nullptr;  // not owning
  // Raw-range scan only (records found on their own, never linked): the
  // first cluster of the data, or minus RecordSector when the data is kept
  // in the record or has no runs.
  int64_t DataStart = 0;
};

// One data run: Lcn 0 is a sparse run.
struct TRun {
  int64_t Lcn = 0;
  int64_t Length = 0;
};
using trunlist = std::vector<TRun>;

// One extent of the MFT.
struct TMftExtent {
  int64_t StartSector = 0;
  uint32_t RecordCount = 0;
};
using TRunTable = std::vector<TMftExtent>;

// One attribute taken out of a FILE record.
struct TAttribute {
  std::array<uint8_t, 16> Header{};
  std::optional<std::array<uint8_t, 8>> Resident;
  std::optional<std::array<uint8_t, 48>> NonResident;
  std::vector<uint8_t> AttrName;  // UTF-16LE
  std::vector<uint8_t> Content;   // value bytes, or the encoded run list

  uint32_t Type() const { return LoadLE32(&Header[0]); }
  uint32_t Length() const { return LoadLE32(&Header[4]); }
  bool IsNonResident() const { return Header[8] != 0; }
  uint8_t NameLength() const { return Header[9]; }
  uint16_t NameOffset() const { return LoadLE16(&Header[10]); }
  uint16_t Flags() const { return LoadLE16(&Header[12]); }
  uint16_t AttributeId() const { return LoadLE16(&Header[14]); }
  // Resident part.
  uint32_t ValueLength() const { return Resident ? LoadLE32(&(*Resident)[0]) : 0; }
  uint16_t ValueOffset() const { return Resident ? LoadLE16(&(*Resident)[4]) : 0; }
  // Non-resident part.
  uint64_t StartVcn() const { return NonResident ? LoadLE64(&(*NonResident)[0]) : 0; }
  uint64_t LastVcn() const { return NonResident ? LoadLE64(&(*NonResident)[8]) : 0; }
  uint16_t RunListOffset() const { return NonResident ? LoadLE16(&(*NonResident)[16]) : 0; }
  uint16_t CompressionUnit() const { return NonResident ? LoadLE16(&(*NonResident)[18]) : 0; }
  uint64_t AllocatedSize() const { return NonResident ? LoadLE64(&(*NonResident)[24]) : 0; }
  uint64_t DataSize() const { return NonResident ? LoadLE64(&(*NonResident)[32]) : 0; }
  uint64_t InitializedSize() const { return NonResident ? LoadLE64(&(*NonResident)[40]) : 0; }
};

using TLongFileName = std::vector<uint8_t>;  // UTF-16 name, then a 16-bit zero
using TByteBuf = std::vector<uint8_t>;

using FatEntryList = std::vector<std::unique_ptr<TMidEntry>>;
using NtfsEntryList = std::vector<std::unique_ptr<tntfsfilerecord>>;

// One logical drive. Its found entries live in FatEntries (FAT12/16/32 and
// exFAT) or NtfsEntries (NTFS); together they are the drive's entry list.
struct TLogiDrive {
  std::string DriveName;  // "C:"
  uint8_t DriveType = 0;  // 2 removable, 3 fixed
  int64_t TotalBytes = 0;
  std::string SizeText;
  std::string VolumeLabel;  // system code page
  FatEntryList FatEntries;
  NtfsEntryList NtfsEntries;
  uint8_t FsKind = kUnrecognised;
  std::array<uint8_t, 512> BootSector{};
  bool Identified = false;
  // The volume's sectors, handed over once when the drive is listed (or by
  // whoever builds the drive); every read of the drive goes through
  // Reader(). Null when the volume could not be opened: reads then fail.
  std::unique_ptr<disk::SectorSource> Source;

  disk::VolumeReader Reader() const {
    return disk::VolumeReader(Source.get(), DriveName.empty() ? '\0' : DriveName[0]);
  }

  // The entries live in FatEntries: FAT12/16/32 and exFAT.
  bool IsFat() const { return FsKind <= kFat32 || FsKind == kExfat; }
  bool IsExfat() const { return FsKind == kExfat; }
  size_t EntryCount() const { return IsFat() ? FatEntries.size() : NtfsEntries.size(); }
  void ClearEntries() {
    FatEntries.clear();
    NtfsEntries.clear();
  }
};

}  // namespace tarnwell::engine
