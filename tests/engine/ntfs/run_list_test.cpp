#include <gtest/gtest.h>

#include "engine/ntfs/run_list.h"
#include "tests/support/image_builder.h"

namespace tarnwell::engine::ntfs {
namespace {

using testing::Hex;

struct RunCase {
  const char* name;
  const char* hex;
  std::vector<TRun> expected;
  bool whole = true;  // false: the list is damaged and says so
};

TEST(DecodeRunList, DecodesEveryOffsetWidthAndSign) {
  const std::vector<RunCase> cases = {
      {"one run", "21 18 34 56 00", {{0x5634, 0x18}}},
      // A sparse run between two real runs: the third run is relative to
      // the first, the sparse one does not move the running cluster.
      {"sparse middle", "11 30 60 01 10 11 08 E0 00", {{0x60, 0x30}, {0, 0x10}, {0x40, 8}}},
      {"negative 1 byte", "11 04 40 11 02 FF 00", {{0x40, 4}, {0x3F, 2}}},
      {"negative 2 bytes", "21 04 00 10 21 02 00 F0 00", {{0x1000, 4}, {0, 2}}},
      {"negative 3 bytes", "31 01 00 00 10 31 01 FF FF FF 00", {{0x100000, 1}, {0xFFFFF, 1}}},
      {"positive high bit clear 3 bytes", "31 01 00 00 7F 00", {{0x7F0000, 1}}},
      {"negative 4 bytes", "41 01 00 00 00 01 41 01 00 00 00 FF 00",
       {{0x1000000, 1}, {0x1000000 - 0x1000000, 1}}},
      {"5 byte offset", "51 01 00 00 00 00 01 00", {{0x100000000, 1}}},
      {"6 byte negative", "61 01 00 00 00 00 00 01 61 01 FF FF FF FF FF FF 00",
       {{0x10000000000, 1}, {0xFFFFFFFFFF, 1}}},
      {"8 byte offset", "81 01 01 00 00 00 00 00 00 00 00", {{1, 1}}},
      {"length of 4 bytes", "14 FF FF FF FF 02 00", {{2, 0xFFFFFFFF}}},
      {"empty", "00", {}},
      // Guards: the list ends at a field that would run past the bytes, at
      // a length field wider than 4 bytes and at an offset field wider than 8.
      {"truncated run", "21 18 34 56 21 18 34", {{0x5634, 0x18}}, false},
      {"length field too wide", "11 01 05 15 01 00 00 00 00 00 05", {{5, 1}}, false},
      {"offset field too wide", "11 01 05 91 01 01 01 01 01 01 01 01 01 01", {{5, 1}}, false},
      {"no end marker", "11 01 05", {{5, 1}}},
  };
  for (const auto& c : cases) {
    const auto bytes = Hex(c.hex);
    trunlist runs;
    EXPECT_EQ(DecodeRunList(bytes, runs), c.whole) << c.name;
    ASSERT_EQ(runs.size(), c.expected.size()) << c.name;
    for (size_t i = 0; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i].Lcn, c.expected[i].Lcn) << c.name << " run " << i;
      EXPECT_EQ(runs[i].Length, c.expected[i].Length) << c.name << " run " << i;
    }
  }
}

TEST(LimitAllocatedClusters, KeepsAtMostTheVolumesClustersSparseRunsAside) {
  // Three runs of 4 clusters around a huge sparse one; room for 6.
  trunlist runs{{10, 4}, {0, 1'000'000}, {20, 4}, {30, 4}};
  EXPECT_TRUE(LimitAllocatedClusters(runs, 6));
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[1].Length, 1'000'000);
  EXPECT_EQ(runs[2].Lcn, 20);
  EXPECT_EQ(runs[2].Length, 2);
  trunlist fits{{10, 4}, {20, 2}};
  EXPECT_FALSE(LimitAllocatedClusters(fits, 6));
  EXPECT_EQ(fits.size(), 2u);
  trunlist exact{{10, 4}, {20, 2}, {30, 1}};
  EXPECT_TRUE(LimitAllocatedClusters(exact, 6));
  EXPECT_EQ(exact.size(), 2u);
}

TEST(DecodeRunList, AppendsToTheListGiven) {
  trunlist runs{{7, 7}};
  EXPECT_TRUE(DecodeRunList(Hex("11 02 09 00"), runs));
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1].Lcn, 9);
}

TEST(RunCursor, CutsRunsIntoPiecesAcrossRunBoundaries) {
  const trunlist runs{{100, 20}, {0, 12}, {300, 3}};
  RunCursor cursor(runs);
  auto p = cursor.Next(16);
  EXPECT_EQ(p.lcn, 100);
  EXPECT_EQ(p.count, 16);
  p = cursor.Next(16);  // the rest of the first run only
  EXPECT_EQ(p.lcn, 116);
  EXPECT_EQ(p.count, 4);
  p = cursor.Next(12);
  EXPECT_TRUE(p.sparse);
  EXPECT_EQ(p.count, 12);
  EXPECT_FALSE(cursor.AtEnd());
  p = cursor.Next(16);
  EXPECT_EQ(p.lcn, 300);
  EXPECT_EQ(p.count, 3);
  EXPECT_TRUE(cursor.AtEnd());
  EXPECT_EQ(cursor.Next(16).count, 0);
}

}  // namespace
}  // namespace tarnwell::engine::ntfs
