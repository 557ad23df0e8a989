#include "engine/ntfs/file_record.h"

#include <algorithm>

#include "common/little_endian.h"
#include "engine/ntfs/attribute_list.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/record_attribute.h"

namespace tarnwell::engine::ntfs {
namespace {

constexpr uint64_t kLow48 = 0xFFFFFFFFFFFFULL;

// The file-name value of an attribute when it is resident and holds its
// 66-byte header and the whole name it announces.
std::optional<ValueSpot> FileNameValue(std::span<const uint8_t> record, const AttributeSpot& a) {
  if (a.type != kAttrFileName) return std::nullopt;
  const auto value = ResidentValue(record, a);
  if (!value || value->length < kFileNameHeaderBytes) return std::nullopt;
  const size_t nameBytes = static_cast<size_t>(record[value->offset + 64]) * 2;
  if (kFileNameHeaderBytes + nameBytes > value->length) return std::nullopt;
  return value;
}

void CopyStandardInformation(std::span<uint8_t> record, size_t fileNameValue) {
  const auto first = AttributeAt(record, FirstAttributeOffset(record));
  if (!first || first->type != kAttrStandardInformation) return;
  const auto si = ResidentValue(record, *first);
  if (!si || si->length < kStandardInformationBytes) return;
  std::copy_n(&record[si->offset], 32, &record[fileNameValue + 8]);
  record[fileNameValue + 56] = record[si->offset + 32];
  record[fileNameValue + 57] = record[si->offset + 33];
}

// Sizes from the first data attribute an attribute list names.
bool SizesFromList(std::span<uint8_t> record, uint32_t residentAllocated,
                   ListedDataResolver* resolver, FileRecordInfo& info) {
  TAttribute list;
  if (!ExtractAttribute(record, kAttrAttributeList, list)) return true;
  std::vector<uint8_t> value;
  if (list.IsNonResident()) {
    if (!resolver || !resolver->ListValue(list, value)) return true;
  } else {
    value = std::move(list.Content);
  }
  return ForEachListEntry(value, [&](const ListEntry& entry) {
    if (entry.type != kAttrData) return true;
    TAttribute data;
    if (resolver && resolver->DataAttributeOf(entry.record, data))
      DataSizesOf(data, residentAllocated, info.allocatedSize, info.dataSize);
    return false;
  });
}

}  // namespace

void DataSizesOf(const TAttribute& data, uint32_t residentAllocated, int64_t& allocated,
                 int64_t& size) {
  if (data.IsNonResident()) {
    allocated = static_cast<int64_t>(data.AllocatedSize() & kLow48);
    size = static_cast<int64_t>(data.DataSize() & kLow48);
  } else {
    size = data.ValueLength();
    allocated = residentAllocated;
  }
}

bool ParseFileRecord(std::span<uint8_t> record, uint32_t residentAllocated,
                     ListedDataResolver* resolver, FileRecordInfo& info) {
  info = FileRecordInfo{};
  if (record.size() < kRecordBytes) return false;
  info.flags = LoadLE16(&record[kRecordFlagsField]);
  if (!HasRecordSignature(record.data(), false)) return false;

  // The first file name must be among the first three attributes.
  auto spot = AttributeAt(record, FirstAttributeOffset(record));
  for (int skipped = 0; spot && spot->type != kAttrFileName && skipped < 2 && spot->offset < 512;
       ++skipped)
    spot = AttributeAt(record, spot->offset + spot->length);
  if (!spot) return false;
  const auto name = FileNameValue(record, *spot);
  if (!name) return false;
  info.fileNameValue = name->offset;

  // A second file name right after it, when longer, is the long name (a
  // short DOS name may come first).
  auto next = AttributeAt(record, spot->offset + spot->length);
  if (next) {
    const auto second = FileNameValue(record, *next);
    if (second && record[second->offset + 64] > record[name->offset + 64]) {
      const uint8_t* p = &record[second->offset + kFileNameHeaderBytes];
      info.longName.assign(p, p + record[second->offset + 64] * 2);
      info.longName.push_back(0);
      info.longName.push_back(0);
    }
  }

  CopyStandardInformation(record, name->offset);

  // The unnamed data follows the file names within a few attributes.
  auto data = spot;
  for (int stepped = 0; data && data->type != kAttrData && stepped < 7; ++stepped)
    data = AttributeAt(record, data->offset + data->length);
  if (data && data->type == kAttrData) {
    // Sizes straight from the attribute the walk reached, without copying
    // it out: this runs for every record of the volume.
    const uint8_t* a = &record[data->offset];
    if (a[8] != 0) {
      if (data->length >= kNonResidentHeaderBytes) {
        info.allocatedSize = static_cast<int64_t>(LoadLE48(a + 40));
        info.dataSize = static_cast<int64_t>(LoadLE48(a + 48));
      }
    } else if (const auto value = ResidentValue(record, *data)) {
      info.dataSize = static_cast<int64_t>(value->length);
      info.allocatedSize = residentAllocated;
    }
    return true;
  }
  return SizesFromList(record, residentAllocated, resolver, info);
}

}  // namespace tarnwell::engine::ntfs
