// FILE records from the fuzzer: the first 1024 bytes are a base record
// (number 16), each further 1024 bytes the record after it, which its
// attribute list may name as extension records. Fix-up, the scan's parse
// through the list, the listed name, the names of its hard links, the
// named streams and the pieces of each that the recovery joins, the data
// pieces of the file (gaps filled from the other records as strays), and the attribute walk for every type the engine
// asks for.
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/ntfs/file_record.h"
#include "engine/ntfs/hard_links.h"
#include "engine/ntfs/listed_attributes.h"
#include "engine/ntfs/named_streams.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/record_attribute.h"
#include "engine/ntfs/record_name.h"
#include "engine/ntfs/run_list.h"
#include "engine/ntfs/update_sequence.h"

using namespace tarnwell::engine;

namespace {

constexpr uint64_t kBase = 16;
constexpr size_t kMaxRecords = 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> record(ntfs::kRecordBytes, 0);
  std::memcpy(record.data(), data, std::min(size, record.size()));
  const std::vector<uint8_t> original = record;
  const size_t records = std::min(kMaxRecords, (size + ntfs::kRecordBytes - 1) / ntfs::kRecordBytes);
  const auto read = [&](uint64_t number, ntfs::RecordBuffer& out) {
    if (number < kBase || number - kBase >= records) return false;
    const size_t at = static_cast<size_t>(number - kBase) * ntfs::kRecordBytes;
    out.fill(0);
    std::memcpy(out.data(), data + at, std::min(size - at, out.size()));
    ntfs::ApplyUpdateSequence(out);
    return true;
  };
  ntfs::CallbackResolver resolver(
      [](const TAttribute& list, std::vector<uint8_t>& value) {
        value = list.Content;
        return true;
      },
      read);
  resolver.base = kBase;
  ntfs::ApplyUpdateSequence(record);
  ntfs::FileRecordInfo info;
  if (ntfs::ParseFileRecord(record, 4096, &resolver, info)) {
    volatile size_t n = ntfs::ListedName(info).size();
    (void)n;
  }
  // Every name taken is whole: a header and at least one character.
  for (const ntfs::LinkName& link : ntfs::LinkNamesOf(record, &resolver))
    if (link.name.empty() || link.name.size() % 2 != 0 || link.name.size() > 510) __builtin_trap();
  const std::vector<ntfs::NamedStream> streams = ntfs::NamedStreamsOf(record, 4096, &resolver);
  TAttribute list;
  if (ntfs::ExtractAttribute(record, ntfs::kAttrAttributeList, list)) {
    // Every record after the base may also be a stray extension record the
    // scan met, which fills a gap the list leaves.
    std::vector<uint64_t> strays;
    for (uint64_t n = kBase + 1; n < kBase + records; ++n) strays.push_back(n);
    ntfs::ListedRecords listed(record, kBase, read, strays);
    TAttribute first;
    trunlist runs;
    if (ntfs::CollectListedData(list.Content, listed, first, runs)) {
      volatile size_t n = runs.size();
      (void)n;
    }
    for (const ntfs::NamedStream& s : streams) {
      if (ntfs::CollectListedData(list.Content, listed, first, runs, s.name)) {
        volatile size_t n = runs.size();
        (void)n;
      }
    }
  } else {
    for (const ntfs::NamedStream& s : streams) {
      TAttribute stream;
      (void)ntfs::ExtractDataAttribute(record, s.name, stream);
    }
  }
  for (uint32_t type : {ntfs::kAttrStandardInformation, ntfs::kAttrAttributeList,
                        ntfs::kAttrFileName, ntfs::kAttrData}) {
    TAttribute attribute;
    std::vector<uint8_t> copy = original;
    if (ntfs::ParseRecordAttribute(copy, type, attribute, type == ntfs::kAttrData)) {
      trunlist runs;
      if (attribute.IsNonResident()) (void)ntfs::DecodeRunList(attribute.Content, runs);
    }
  }
  return 0;
}
