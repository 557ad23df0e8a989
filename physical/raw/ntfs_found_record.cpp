#include "physical/raw/ntfs_found_record.h"

#include <algorithm>

#include "engine/ntfs/file_record.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/record_attribute.h"
#include "engine/ntfs/record_name.h"
#include "engine/ntfs/run_list.h"
#include "engine/ntfs/update_sequence.h"
#include "physical/raw/found_lookup.h"

namespace tarnwell::physical::raw {
namespace {

namespace ntfs = engine::ntfs;

// Data kept in the record is at most a record long; any allocated size at
// least the real size serves the lookup and the recovery.
constexpr uint32_t kResidentAllocated = ntfs::kRecordBytes;
constexpr int64_t kVoteAbove = 4096;
constexpr int64_t kVoteBelow = 0x100000;

// A record with an attribute list has no map to the records it names: the
// base is unknown, so what the list names is looked for in the record
// itself, and no other record is read.
class SameRecordResolver final : public ntfs::ListedDataResolver {
 public:
  bool ListValue(const engine::TAttribute&, std::vector<uint8_t>&) override { return false; }
  bool ReadRecord(uint64_t, ntfs::RecordBuffer&) override { return false; }
};

void AddVote(const engine::tntfsfilerecord& r, const engine::trunlist& runs, ClusterVotes& votes) {
  if (r.DataSize <= kVoteAbove || r.DataSize >= kVoteBelow) return;
  int64_t clusters = 0;
  for (const engine::TRun& run : runs) clusters += run.Length;
  if (clusters <= 0) return;
  const int64_t sectors = r.AllocatedSize / clusters / 512;
  for (size_t i = 0; i < votes.size(); ++i)
    if (sectors == (int64_t{1} << i)) ++votes[i];
}

}  // namespace

uint32_t VotedClusterSectors(const ClusterVotes& v) {
  // Tested from the largest size down: a size wins when it beats every
  // smaller one (and, for 16, also the others).
  for (size_t i = v.size(); i-- > 1;) {
    bool wins = true;
    for (size_t j = 0; j < i; ++j) wins = wins && v[i] > v[j];
    if (wins) return 1u << i;
  }
  return 1;
}

std::unique_ptr<engine::tntfsfilerecord> ParseFoundRecord(std::span<const uint8_t> bytes, uint64_t sector,
                                                          ClusterVotes& votes) {
  if (bytes.size() < ntfs::kRecordBytes) return nullptr;
  std::array<uint8_t, ntfs::kRecordBytes> record;
  std::copy_n(bytes.begin(), record.size(), record.begin());
  if (!ntfs::ApplyUpdateSequence(record)) return nullptr;
  SameRecordResolver resolver;
  ntfs::FileRecordInfo info;
  if (!ntfs::ParseFileRecord(record, kResidentAllocated, &resolver, info)) return nullptr;
  std::string name = ntfs::ListedName(info);
  if (name.empty()) return nullptr;

  auto r = std::make_unique<engine::tntfsfilerecord>();
  r->RecordSector = static_cast<int64_t>(sector);
  r->RecordNumber = 0;
  r->AllocatedSize = info.allocatedSize;
  r->DataSize = info.dataSize;
  r->Name = std::move(name);
  std::copy_n(info.fileName.begin(), r->FileName.bytes.size(), r->FileName.bytes.begin());
  r->RecordFlags = info.flags;
  r->DataStart = -r->RecordSector;
  engine::TAttribute data;
  engine::trunlist runs;
  if (ntfs::ExtractAttribute(record, ntfs::kAttrData, data, true) && data.IsNonResident()) {
    // What survives of a damaged run list still places the data and votes.
    (void)ntfs::DecodeRunList(data.Content, runs);
    if (!runs.empty()) {
      r->DataStart = runs.front().Lcn;
      AddVote(*r, runs, votes);
    }
  }
  return r;
}

std::vector<uint64_t> ParentRefsOf(const std::vector<std::unique_ptr<engine::tntfsfilerecord>>& records) {
  std::vector<uint64_t> refs;
  for (const auto& r : records) {
    const uint64_t parent = ParentReference(*r);
    if (parent != 0 && (refs.empty() || refs.back() != parent)) refs.push_back(parent);
  }
  return refs;
}

}  // namespace tarnwell::physical::raw
