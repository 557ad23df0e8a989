#pragma once
// One FAT directory as the raw scan finds it: the entries of a run of
// sectors that begins with a directory, parsed without a boot sector or a
// FAT. The run ends at the first entry that cannot belong to a directory.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/fat/dir_span.h"
#include "physical/raw_scan_records.h"

namespace tarnwell::physical::raw {

inline constexpr uint32_t kDirectoryChunkSectors = 500;

// FatKind values of an entry.
enum RawFatKind : uint8_t { kFatFloppy = 0, kFat1216 = 1, kFat32Kind = 2 };

// The cluster of a FAT entry's data: FAT32 joins the high word (offset 20)
// to the low word (26); the others use the low word only.
uint32_t EntryCluster(const engine::RawDirEntry& entry, uint8_t fatKind);

// How far a parse went: the bytes up to the last entry taken (from the
// start of the bytes given, "." and ".." included), and why it stopped.
struct DirectoryParse {
  size_t bytesUsed = 0;
  engine::SpanEnd end = engine::SpanEnd::kBytesDone;
};

// Parses the directory bytes found at `sector` and appends its entries.
// A root chunk is read from its first entry and its cluster is 2; any other
// chunk skips its "." and ".." entries and takes its cluster from ".".
DirectoryParse ParseDirectoryBytes(std::span<const uint8_t> bytes, bool isRoot, uint8_t fatKind, uint64_t sector,
                                   std::vector<std::unique_ptr<FoundFatEntry>>& out);

// The entries of one folder read cluster after cluster, each found entry
// filed under the folder's key sector and cluster; a long name split
// between two clusters is joined.
class FolderClusterParser {
 public:
  FolderClusterParser(uint64_t keySector, uint32_t folderCluster);
  // Parses one more cluster's bytes; `skipDots` skips the "." and ".."
  // entries a folder's first cluster begins with.
  DirectoryParse Add(std::span<const uint8_t> bytes, bool skipDots,
                     std::vector<std::unique_ptr<FoundFatEntry>>& out);

 private:
  engine::DirSpanDecoder decoder_;
  uint64_t keySector_;
  uint32_t folderCluster_;
};

}  // namespace tarnwell::physical::raw
