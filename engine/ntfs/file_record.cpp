#include "engine/ntfs/file_record.h"

#include <algorithm>

#include "common/little_endian.h"
#include "engine/ntfs/attribute_list.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/record_attribute.h"

namespace tarnwell::engine::ntfs {
namespace {

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

// The first file name and a second, longer one (a short DOS name may come
// first), each from the record that holds it.
void TakeFileNames(std::span<const uint8_t> first, const ValueSpot& a, std::span<const uint8_t> second,
                   std::optional<ValueSpot> b, FileRecordInfo& info) {
  const size_t firstBytes = static_cast<size_t>(first[a.offset + 64]) * 2;
  info.fileName.assign(&first[a.offset], &first[a.offset] + kFileNameHeaderBytes + firstBytes);
  if (!b || second[b->offset + 64] <= first[a.offset + 64]) return;
  const uint8_t* p = &second[b->offset + kFileNameHeaderBytes];
  info.longName.assign(p, p + second[b->offset + 64] * 2);
  info.longName.push_back(0);
  info.longName.push_back(0);
}

void CopyStandardInformation(std::span<const uint8_t> record, const AttributeSpot& spot, FileRecordInfo& info) {
  if (spot.type != kAttrStandardInformation) return;
  const auto si = ResidentValue(record, spot);
  if (!si || si->length < kStandardInformationBytes || info.fileName.size() < kFileNameHeaderBytes) return;
  std::copy_n(&record[si->offset], 32, &info.fileName[8]);
  info.fileName[56] = record[si->offset + 32];
  info.fileName[57] = record[si->offset + 33];
}

constexpr uint8_t kI30[8] = {'$', 0, 'I', 0, '3', 0, '0', 0};

bool IsI30IndexRoot(std::span<const uint8_t> record, const AttributeSpot& spot) {
  if (spot.type != kAttrIndexRoot) return false;
  const uint8_t* a = &record[spot.offset];
  const size_t nameAt = LoadLE16(a + 10);
  return a[9] == 4 && nameAt + sizeof kI30 <= spot.length && std::equal(kI30, kI30 + 8, a + nameAt);
}

// A folder's contents are its "$I30" index root, found within a few
// attributes after the file names; other index roots ($SDH, $O...) index
// something else.
void FolderIndexRoot(std::span<const uint8_t> record, std::optional<AttributeSpot> spot, FileRecordInfo& info) {
  for (int stepped = 0; spot && stepped < 8; ++stepped, spot = AttributeAt(record, spot->offset + spot->length)) {
    if (!IsI30IndexRoot(record, *spot)) continue;
    info.contentType = static_cast<uint16_t>(kAttrIndexRoot);
    info.contentId = LoadLE16(&record[spot->offset + 14]);
    return;
  }
}

// Sizes straight from a data attribute in place, without copying it out:
// this runs for every record of the volume.
void TakeDataAttribute(std::span<const uint8_t> record, const AttributeSpot& data, uint32_t residentAllocated,
                       FileRecordInfo& info) {
  const uint8_t* a = &record[data.offset];
  if (a[9] == 0 && !(info.flags & kRecordFlagFolder)) {
    info.contentType = static_cast<uint16_t>(kAttrData);
    info.contentId = LoadLE16(a + 14);
  }
  if (a[8] != 0) {
    if (data.length >= kNonResidentHeaderBytes) {
      info.allocatedSize = static_cast<int64_t>(LoadLE48(a + 40));
      info.dataSize = static_cast<int64_t>(LoadLE48(a + 48));
    }
  } else if (const auto value = ResidentValue(record, data)) {
    info.dataSize = static_cast<int64_t>(value->length);
    info.allocatedSize = residentAllocated;
  }
}

// What the attribute list adds to what the base record held: the file
// names and the standard information when the base record has no file
// name, the folder's index root, the data's first piece (VCN 0). Each is
// taken from the first entry that names one which can be found.
void FollowList(std::span<uint8_t> record, uint32_t residentAllocated, ListedDataResolver& resolver,
                bool wantData, FileRecordInfo& info) {
  TAttribute list;
  if (!ExtractAttribute(record, kAttrAttributeList, list)) return;
  std::vector<uint8_t> value;
  if (list.IsNonResident()) {
    if (!resolver.ListValue(list, value)) return;
  } else {
    value = std::move(list.Content);
  }
  ListedRecords records(record, resolver.base,
                        [&resolver](uint64_t n, RecordBuffer& r) { return resolver.ReadRecord(n, r); });
  const bool wantNames = info.fileName.empty();
  std::optional<ListedSpot> names[2];
  std::optional<ListedSpot> si;
  const bool folder = info.flags & kRecordFlagFolder;
  (void)ForEachListEntry(value, [&](const ListEntry& entry) {
    const bool name = wantNames && entry.type == kAttrFileName && !names[1];
    const bool standard = wantNames && entry.type == kAttrStandardInformation && !si;
    const bool index = folder && entry.type == kAttrIndexRoot && info.contentType == 0;
    const bool data = wantData && entry.type == kAttrData && entry.nameLength == 0 && entry.startVcn == 0;
    if (!name && !standard && !index && !data) return true;
    const auto found = LocateListed(entry, records);
    if (!found) return true;
    if (name && FileNameValue(found->record, found->spot)) {
      names[names[0] ? 1 : 0] = found;
    } else if (standard) {
      si = found;
    } else if (index && IsI30IndexRoot(found->record, found->spot)) {
      info.contentType = static_cast<uint16_t>(kAttrIndexRoot);
      info.contentId = entry.attributeId;
    } else if (data && found->record[found->spot.offset + 9] == 0) {
      TakeDataAttribute(found->record, found->spot, residentAllocated, info);
      wantData = false;
    }
    return true;
  });
  if (!wantNames || !names[0]) return;
  const auto first = FileNameValue(names[0]->record, names[0]->spot);
  std::optional<ValueSpot> second;
  if (names[1]) second = FileNameValue(names[1]->record, names[1]->spot);
  TakeFileNames(names[0]->record, *first, names[1] ? names[1]->record : names[0]->record, second, info);
  if (si) CopyStandardInformation(si->record, si->spot, info);
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
  // An extension record holds attributes of its base record, which is the
  // file; listed on its own it would be a second, wrong entry.
  if (IsExtensionRecord(record)) return false;

  // The first file name is among the first three attributes, unless it
  // moved to an extension record.
  const auto firstSpot = AttributeAt(record, FirstAttributeOffset(record));
  auto spot = firstSpot;
  for (int skipped = 0; spot && spot->type != kAttrFileName && skipped < 2 && spot->offset < 512; ++skipped)
    spot = AttributeAt(record, spot->offset + spot->length);
  if (!spot || spot->type != kAttrFileName) {
    const bool file = !(info.flags & kRecordFlagFolder);
    if (resolver) FollowList(record, residentAllocated, *resolver, file, info);
    // A deleted file can lose every name while its data stays: unlinking
    // removes the file-name attributes of a record spread over extension
    // records (and the list, once all that is left fits the base). It is
    // kept without a name (and without a folder).
    if (info.fileName.empty()) {
      if ((info.flags & kRecordFlagInUse) || !file) return false;
      if (info.contentType == 0) {
        auto data = firstSpot;
        for (int stepped = 0; data && !(data->type == kAttrData && record[data->offset + 9] == 0) && stepped < 8;
             ++stepped)
          data = AttributeAt(record, data->offset + data->length);
        if (data && data->type == kAttrData) TakeDataAttribute(record, *data, residentAllocated, info);
      }
      if (info.contentType != kAttrData) return false;
      info.fileName.assign(kFileNameHeaderBytes, 0);
    }
    if (firstSpot) CopyStandardInformation(record, *firstSpot, info);
    return true;
  }
  const auto name = FileNameValue(record, *spot);
  if (!name) return false;
  auto next = AttributeAt(record, spot->offset + spot->length);
  std::optional<ValueSpot> second;
  if (next) second = FileNameValue(record, *next);
  TakeFileNames(record, *name, record, second, info);
  if (firstSpot) CopyStandardInformation(record, *firstSpot, info);
  if (info.flags & kRecordFlagFolder) FolderIndexRoot(record, spot, info);

  // The unnamed data follows the file names within a few attributes; named
  // data (a stream, which a folder may have too) is not the file's.
  auto data = spot;
  const auto unnamedData = [&](const AttributeSpot& a) { return a.type == kAttrData && record[a.offset + 9] == 0; };
  for (int stepped = 0; data && !unnamedData(*data) && stepped < 7; ++stepped)
    data = AttributeAt(record, data->offset + data->length);
  const bool dataHere = data && unnamedData(*data);
  if (dataHere) TakeDataAttribute(record, *data, residentAllocated, info);
  const bool indexMissing = (info.flags & kRecordFlagFolder) && info.contentType == 0;
  if (resolver && (!dataHere || indexMissing)) FollowList(record, residentAllocated, *resolver, !dataHere, info);
  return true;
}

}  // namespace tarnwell::engine::ntfs
