// A 1024-byte FILE record from the fuzzer: fix-up, the scan's parse, the
// listed name, and the attribute walk for every type the engine asks for.
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/ntfs/file_record.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/record_attribute.h"
#include "engine/ntfs/record_name.h"
#include "engine/ntfs/run_list.h"
#include "engine/ntfs/update_sequence.h"

using namespace tarnwell::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> record(ntfs::kRecordBytes, 0);
  std::memcpy(record.data(), data, std::min(size, record.size()));
  // The resolver answers from the same bytes, as a raw-range scan does.
  const std::vector<uint8_t> original = record;
  ntfs::CallbackResolver resolver(
      [](const TAttribute& list, std::vector<uint8_t>& value) {
        value = list.Content;
        return true;
      },
      [&](uint64_t, TAttribute& attribute) {
        std::vector<uint8_t> copy = original;
        return ntfs::ParseRecordAttribute(copy, ntfs::kAttrData, attribute);
      });
  ntfs::ApplyUpdateSequence(record);
  ntfs::FileRecordInfo info;
  if (ntfs::ParseFileRecord(record, 4096, &resolver, info)) {
    volatile size_t n = ntfs::ListedName(record, info).size();
    (void)n;
  }
  for (uint32_t type : {ntfs::kAttrStandardInformation, ntfs::kAttrAttributeList,
                        ntfs::kAttrFileName, ntfs::kAttrData}) {
    TAttribute attribute;
    std::vector<uint8_t> copy = original;
    if (ntfs::ParseRecordAttribute(copy, type, attribute, type == ntfs::kAttrData)) {
      trunlist runs;
      if (attribute.IsNonResident()) ntfs::DecodeRunList(attribute.Content, runs);
    }
  }
  return 0;
}
