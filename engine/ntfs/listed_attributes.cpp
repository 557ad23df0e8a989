#include "engine/ntfs/listed_attributes.h"

#include <algorithm>
#include <set>
#include <vector>

#include "common/little_endian.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/run_list.h"

namespace tarnwell::engine::ntfs {
namespace {

constexpr size_t kBaseReferenceField = 0x20;
constexpr size_t kSequenceField = 0x10;
// How far below the base's sequence number a stray's reference may lie.
constexpr uint16_t kStraySequenceSlack = 2;

struct Piece {
  uint64_t firstVcn = 0;
  uint64_t lastVcn = 0;
  TAttribute attribute;
};

// Clusters of a run list, saturating rather than overflowing.
uint64_t ClustersOf(const trunlist& runs) {
  uint64_t total = 0;
  for (const TRun& r : runs) total += static_cast<uint64_t>(std::max<int64_t>(r.Length, 0));
  return total;
}

// Keeps the first `clusters` clusters of runs.
void CutRuns(trunlist& runs, uint64_t clusters) {
  uint64_t kept = 0;
  for (size_t i = 0; i < runs.size(); ++i) {
    const auto length = static_cast<uint64_t>(std::max<int64_t>(runs[i].Length, 0));
    if (kept + length >= clusters) {
      runs[i].Length = static_cast<int64_t>(clusters - kept);
      runs.resize(runs[i].Length == 0 ? i : i + 1);
      return;
    }
    kept += length;
  }
}

bool SameName(const TAttribute& attribute, std::span<const uint8_t> name) {
  return attribute.AttrName.size() == name.size() && std::equal(name.begin(), name.end(), attribute.AttrName.begin());
}

}  // namespace

uint64_t BaseReferenceOf(std::span<const uint8_t> record) {
  if (record.size() < kBaseReferenceField + 8) return 0;
  return LoadLE48(&record[kBaseReferenceField]);
}

std::span<const uint8_t> ListedRecords::Holder(uint64_t number) {
  number &= kLow48;
  if (!base_ || number == *base_) return baseRecord_;
  auto it = extensions_.find(number);
  if (it != extensions_.end()) return it->second ? std::span<const uint8_t>(*it->second) : std::span<const uint8_t>();
  if (extensions_.size() >= kMaxExtensionRecords || !read_) return {};
  auto record = std::make_unique<RecordBuffer>();
  // Only an extension of this base counts: a list naming another file's
  // record, or a record whose own list would lead on, is not followed.
  if (!read_(number, *record) || !HasRecordSignature(record->data(), false) ||
      BaseReferenceOf(*record) != *base_)
    record.reset();
  const auto& kept = extensions_.emplace(number, std::move(record)).first->second;
  return kept ? std::span<const uint8_t>(*kept) : std::span<const uint8_t>();
}

std::span<const uint8_t> ListedRecords::StrayRecord(size_t i) {
  if (i >= strays_.size() || !base_ || baseRecord_.size() < kRecordBytes) return {};
  const std::span<const uint8_t> record = Holder(strays_[i]);
  if (record.size() < kRecordBytes || record.data() == baseRecord_.data()) return {};
  const uint16_t own = LoadLE16(&baseRecord_[kSequenceField]);
  const uint16_t named = LoadLE16(&record[kBaseReferenceField + 6]);
  if (named != 0 && static_cast<uint16_t>(own - named) > kStraySequenceSlack) return {};
  return record;
}

std::optional<ListedSpot> LocateListed(const ListEntry& entry, ListedRecords& records) {
  const std::span<const uint8_t> record = records.Holder(entry.record);
  if (record.size() < kRecordBytes) return std::nullopt;
  const auto spot = FindAttributeById(record, entry.type, entry.attributeId);
  if (!spot) return std::nullopt;
  return ListedSpot{record, *spot};
}

namespace {

// The pieces of non-resident data of the given name in the stray
// extension records that the list did not name (seen), each once.
std::vector<Piece> StrayPieces(ListedRecords& records, std::span<const uint8_t> name,
                               const std::set<std::pair<uint64_t, uint16_t>>& seen) {
  std::vector<Piece> pieces;
  for (size_t i = 0; i < records.StrayCount(); ++i) {
    const std::span<const uint8_t> record = records.StrayRecord(i);
    if (record.empty()) continue;
    for (auto spot = AttributeAt(record, FirstAttributeOffset(record)); spot;
         spot = AttributeAt(record, spot->offset + spot->length)) {
      if (spot->type != kAttrData || record[spot->offset + 8] == 0) continue;
      if (seen.count({records.StrayNumbers()[i] & kLow48, LoadLE16(&record[spot->offset + 14])})) continue;
      Piece piece;
      if (!AttributeFromSpot(record, *spot, piece.attribute) || !SameName(piece.attribute, name)) continue;
      piece.firstVcn = piece.attribute.StartVcn();
      piece.lastVcn = piece.attribute.LastVcn();
      pieces.push_back(std::move(piece));
    }
  }
  return pieces;
}

}  // namespace

bool CollectListedData(std::span<const uint8_t> list, ListedRecords& records, TAttribute& first, trunlist& runs,
                       std::span<const uint8_t> name) {
  std::vector<Piece> pieces;
  std::set<std::pair<uint64_t, uint16_t>> seen;
  (void)ForEachListEntry(list, [&](const ListEntry& entry) {
    // Named data belongs to alternate streams, each its own; unnamed data
    // is the file's.
    if (entry.type != kAttrData || entry.nameLength * 2u != name.size()) return true;
    if (!seen.insert({entry.record & kLow48, entry.attributeId}).second) return true;
    const auto located = LocateListed(entry, records);
    Piece piece;
    if (!located || !AttributeFromSpot(located->record, located->spot, piece.attribute)) return true;
    if (!SameName(piece.attribute, name)) return true;
    piece.firstVcn = piece.attribute.StartVcn();
    piece.lastVcn = piece.attribute.LastVcn();
    pieces.push_back(std::move(piece));
    return true;
  });
  std::stable_sort(pieces.begin(), pieces.end(),
                   [](const Piece& a, const Piece& b) { return a.firstVcn < b.firstVcn; });
  if (pieces.empty() || pieces.front().firstVcn != 0) return false;
  first = pieces.front().attribute;
  if (!first.IsNonResident()) return true;
  uint64_t next = 0;
  size_t i = 0;
  std::optional<std::vector<Piece>> spare;  // read at the first gap only
  for (;;) {
    const Piece* p = i < pieces.size() ? &pieces[i] : nullptr;
    if (p && (!p->attribute.IsNonResident() || p->firstVcn < next)) {  // overlaps what is taken
      ++i;
      continue;
    }
    if (p && p->firstVcn == next) {
      ++i;
    } else {
      // The list names nothing at next: a stray piece that starts there
      // fills the gap; without one the data ends here.
      if (!spare) spare = StrayPieces(records, name, seen);
      p = nullptr;
      for (const Piece& s : *spare)
        if (s.firstVcn == next) p = &s;
      if (!p) break;
    }
    // A range that holds nothing (an empty attribute's last VCN is -1)
    // ends the data.
    if (p->lastVcn < p->firstVcn || p->lastVcn == UINT64_MAX) break;
    trunlist own;
    const bool whole = DecodeRunList(p->attribute.Content, own);
    const uint64_t span = p->lastVcn - p->firstVcn + 1;
    const uint64_t have = ClustersOf(own);
    if (have > span) CutRuns(own, span);
    runs.insert(runs.end(), own.begin(), own.end());
    if (!whole || have < span) break;
    next = p->lastVcn + 1;
  }
  return true;
}

}  // namespace tarnwell::engine::ntfs
