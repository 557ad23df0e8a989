// Reading NTFS records, attribute values and clusters of the current drive.
#include <algorithm>

#include "common/little_endian.h"
#include "engine/boot_sector.h"
#include "engine/ntfs/listed_attributes.h"
#include "engine/ntfs/mft_map.h"
#include "engine/ntfs/named_streams.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/record_attribute.h"
#include "engine/ntfs/run_list.h"
#include "engine/ntfs/update_sequence.h"
#include "engine/undelete.h"

namespace tarnwell::engine {
namespace {

// Attribute lists are small (a few hundred entries at most); anything
// claiming more is corrupt and is not read beyond this.
constexpr uint64_t kMaxListValueBytes = 1 << 20;
// Sectors per request when clusters are read in bulk.
constexpr uint32_t kMaxSectorsPerRead = 128;

}  // namespace

uint32_t TUndelete::NtfsClusterBytes() const {
  if (!CurrentDrive) return 0;
  return BootSectorView(CurrentDrive->BootSector).SectorsPerCluster() * ntfs::kSectorBytes;
}

uint64_t TUndelete::NtfsVolumeSectors() const {
  if (!CurrentDrive) return 0;
  // NTFS keeps its 64-bit sector count at 0x28; the sector after it holds
  // the backup boot sector.
  return LoadLE64(&CurrentDrive->BootSector[0x28]) + 1;
}

bool TUndelete::ReadClusters(int64_t lcn, int64_t count, uint8_t* buffer) {
  if (!CurrentDrive || lcn <= 0 || count <= 0) return false;
  const uint64_t spc = BootSectorView(CurrentDrive->BootSector).SectorsPerCluster();
  const uint64_t limit = NtfsVolumeSectors();
  if (spc == 0 || static_cast<uint64_t>(lcn) > limit / spc || static_cast<uint64_t>(count) > limit / spc)
    return false;
  const uint64_t sector = static_cast<uint64_t>(lcn) * spc;
  const uint64_t sectors = static_cast<uint64_t>(count) * spc;
  if (sector + sectors > limit) return false;
  const disk::VolumeReader volume = Volume();
  for (uint64_t done = 0; done < sectors;) {
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(sectors - done, kMaxSectorsPerRead));
    if (!volume.Read(sector + done, n, buffer + done * ntfs::kSectorBytes)) return false;
    done += n;
  }
  return true;
}

bool TUndelete::ReadRecord(int64_t recordNumber, int64_t sector, RecordBytes& record) {
  if (!CurrentDrive) return false;
  if (sector == 0) {
    if (recordNumber < 0) return false;
    sector = static_cast<int64_t>(BootSectorView(CurrentDrive->BootSector).MftStartSector() +
                                  ntfs::kSectorsPerRecord * static_cast<uint64_t>(recordNumber));
  }
  if (sector <= 0 || static_cast<uint64_t>(sector) + ntfs::kSectorsPerRecord > NtfsVolumeSectors()) return false;
  return Volume().Read(static_cast<uint64_t>(sector), ntfs::kSectorsPerRecord, record.data()) &&
         ntfs::ApplyUpdateSequence(record);
}

bool TUndelete::ReadRecordAttribute(int64_t recordNumber, uint32_t type, TAttribute& attribute,
                                    int64_t sector, bool unnamedOnly) {
  RecordBytes record;
  return ReadRecord(recordNumber, sector, record) && ntfs::ExtractAttribute(record, type, attribute, unnamedOnly);
}

int64_t TUndelete::RecordToSector(int64_t recordNumber) const {
  return ntfs::RecordToSector(MftRuns, recordNumber);
}

bool TUndelete::ReadAttributeValue(const TAttribute& attribute, std::vector<uint8_t>& value) {
  value.clear();
  if (!attribute.IsNonResident()) {
    value = attribute.Content;
    return true;
  }
  const uint64_t size = attribute.DataSize();
  const uint32_t cluster = NtfsClusterBytes();
  if (size > kMaxListValueBytes || cluster == 0) return false;
  trunlist runs;
  // A damaged run list keeps the runs before the damage: the list's value
  // comes out short and names fewer records, which are still read.
  (void)ntfs::DecodeRunList(attribute.Content, runs);
  std::vector<uint8_t> buffer;
  for (const TRun& run : runs) {
    if (value.size() >= size) break;
    const uint64_t need = (size - value.size() + cluster - 1) / cluster;
    const int64_t count = static_cast<int64_t>(std::min<uint64_t>(need, run.Length));
    buffer.assign(static_cast<size_t>(count) * cluster, 0);
    if (run.Lcn != 0 && !ReadClusters(run.Lcn, count, buffer.data())) return false;
    value.insert(value.end(), buffer.begin(), buffer.end());
  }
  if (value.size() > size) value.resize(size);
  return true;
}

bool TUndelete::DataRunsOf(const RecordBytes& record, int64_t number, bool direct, TAttribute& data,
                           trunlist& runs, std::span<const uint8_t> stream) {
  runs.clear();
  TAttribute list;
  if (ntfs::ExtractAttribute(record, ntfs::kAttrAttributeList, list)) {
    std::vector<uint8_t> value;
    if (number < 0 || !ReadAttributeValue(list, value)) return false;
    ntfs::ListedRecords records(record, static_cast<uint64_t>(number),
                                [this, direct](uint64_t n, ntfs::RecordBuffer& extension) {
                                  const auto at = static_cast<int64_t>(n);
                                  const int64_t sector = direct ? 0 : RecordToSector(at);
                                  return (direct || sector > 0) && ReadRecord(at, sector, extension);
                                },
                                ExtensionRecords.Of(static_cast<uint64_t>(number)));
    data = TAttribute{};
    return ntfs::CollectListedData(value, records, data, runs, stream);
  }
  if (!ntfs::ExtractDataAttribute(record, stream, data)) return false;
  // The runs before a damaged one are kept: the copy then comes out short
  // of the file's size, which it reports.
  if (data.IsNonResident()) (void)ntfs::DecodeRunList(data.Content, runs);
  return true;
}

bool TUndelete::ReadDataRuns(const tntfsfilerecord& record, TAttribute& data, trunlist& runs) {
  RecordBytes bytes;
  return ReadRecord(record.RecordNumber, record.RecordSector, bytes) && DataRunsOf(bytes, record.RecordNumber, false, data, runs, record.StreamName);
}

}  // namespace tarnwell::engine
