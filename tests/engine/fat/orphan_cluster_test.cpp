// The judge of clusters no folder's chain reaches, over crafted bytes: what
// passes for a cluster of directory entries and what does not.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/fat/orphan_cluster.h"

namespace tarnwell::engine {
namespace {

// A short entry: 11 name bytes, attributes, size; stamps of 2024-03-01
// 12:00:00 unless `stamps` is false (then all zero).
std::vector<uint8_t> Short(const char* name11, uint8_t attributes, uint32_t size, bool stamps = true) {
  std::vector<uint8_t> e(32, 0);
  std::memcpy(e.data(), name11, 11);
  e[11] = attributes;
  if (stamps) {
    const uint16_t date = ((2024 - 1980) << 9) | (3 << 5) | 1, time = 12 << 11;
    for (size_t at : {14u, 22u}) { e[at] = time & 0xFF; e[at + 1] = time >> 8; }
    for (size_t at : {16u, 18u, 24u}) { e[at] = date & 0xFF; e[at + 1] = date >> 8; }
  }
  e[26] = 9;
  for (int i = 0; i < 4; ++i) e[28 + i] = static_cast<uint8_t>(size >> (8 * i));
  return e;
}

std::vector<uint8_t> LongPiece(uint8_t order) {
  std::vector<uint8_t> e(32, 0);
  e[0] = order;
  e[1] = 'a';
  e[11] = 0x0F;
  e[13] = 0x5A;
  return e;
}

// Entries followed by zeros up to `bytes`.
std::vector<uint8_t> Cluster(const std::vector<std::vector<uint8_t>>& entries, size_t bytes = 512) {
  std::vector<uint8_t> c;
  for (const auto& e : entries) c.insert(c.end(), e.begin(), e.end());
  c.resize(std::max(bytes, c.size()), 0);
  return c;
}

std::vector<uint8_t> Deleted(std::vector<uint8_t> e) {
  e[0] = 0xE5;
  return e;
}

TEST(OrphanClusterTest, EntriesUpToAnEndMarkerWithZerosAfterItAreADirectoryThatEndsThere) {
  const auto v = JudgeOrphanCluster(Cluster({LongPiece(0x41), Short("REPORT  TXT", 0x20, 5000),
                                             Deleted(Short("OLD     DOC", 0x20, 10)), Short("SUB        ", 0x10, 0)}));
  EXPECT_TRUE(v.directory);
  EXPECT_TRUE(v.endsFolder);
  EXPECT_EQ(v.entriesBytes, 4u * 32);
  EXPECT_EQ(v.liveEntries, 2u);
  EXPECT_EQ(v.deletedEntries, 1u);
}

TEST(OrphanClusterTest, AClusterFullOfEntriesGoesOnInTheNext) {
  std::vector<std::vector<uint8_t>> entries(16, Short("A       TXT", 0x20, 1));
  const auto v = JudgeOrphanCluster(Cluster(entries));
  EXPECT_TRUE(v.directory);
  EXPECT_FALSE(v.endsFolder);
  EXPECT_EQ(v.entriesBytes, 512u);
  EXPECT_EQ(v.liveEntries, 16u);
}

TEST(OrphanClusterTest, DeletedEntriesAloneStillMakeADirectory) {
  const auto v = JudgeOrphanCluster(Cluster({Deleted(LongPiece(0x41)), Deleted(Short("GONE    TXT", 0x20, 3))}));
  EXPECT_TRUE(v.directory);
  EXPECT_EQ(v.deletedEntries, 1u);
  EXPECT_EQ(v.liveEntries, 0u);
}

TEST(OrphanClusterTest, WhatIsNoOrphanDirectoryCluster) {
  const auto text = [] {
    std::string s;
    while (s.size() < 512) s += "Minutes of the meeting, 3 March: nothing to report. ";
    return std::vector<uint8_t>(s.begin(), s.begin() + 512);
  }();
  auto badDate = Short("BAD     TXT", 0x20, 1);
  const uint16_t month15 = ((2024 - 1980) << 9) | (15 << 5) | 1;
  badDate[24] = month15 & 0xFF;
  badDate[25] = month15 >> 8;
  auto caseBits = Short("A       TXT", 0x20, 1);
  caseBits[12] = 0x73;
  auto trailing = Cluster({Short("A       TXT", 0x20, 1)});
  trailing[300] = 0x41;
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Case> cases = {
      {"zeros", std::vector<uint8_t>(512, 0)},
      {"a folder's first cluster", Cluster({Short(".          ", 0x10, 0), Short("..         ", 0x10, 0),
                                            Short("A       TXT", 0x20, 1)})},
      {"text", text},
      {"long-name pieces without their entry", Cluster({LongPiece(0x42), LongPiece(0x01)})},
      {"a long-name piece numbered 0", Cluster({LongPiece(0x40), Short("A       TXT", 0x20, 1)})},
      {"an impossible date", Cluster({badDate})},
      {"attributes 0x40", Cluster({Short("A       TXT", 0x40, 1)})},
      {"a control byte in a name", Cluster({Short("A\x01      TXT", 0x20, 1)})},
      {"a character no short name holds", Cluster({Short("A*      TXT", 0x20, 1)})},
      {"lower case, as in text", Cluster({Short("Quarterly  ", 0x20, 1)})},
      {"a blank inside the name", Cluster({Short("1 QUARTERLY", 0x20, 1)})},
      {"case bits beyond the two there are", Cluster({caseBits})},
      {"a folder entry with a size", Cluster({Short("SUB        ", 0x10, 4096)})},
      {"a '.' entry inside", Cluster({Short("A       TXT", 0x20, 1), Short("..         ", 0x10, 0)})},
      {"bytes after the end marker", trailing},
      {"a volume label alone", Cluster({Short("LABEL      ", 0x08, 0)})},
      {"a text's last bytes before the slack's zeros", Cluster({Short("0123456789 ", 0x00, 0, false)})},
      {"no modification date", Cluster({Short("A       TXT", 0x20, 1, false)})},
      {"less than one entry", std::vector<uint8_t>(31, 0x41)},
  };
  for (const Case& c : cases) {
    const auto v = JudgeOrphanCluster(c.bytes);
    EXPECT_FALSE(v.directory) << c.what;
    EXPECT_EQ(v.entriesBytes, 0u) << c.what;
  }
}

}  // namespace
}  // namespace tarnwell::engine
