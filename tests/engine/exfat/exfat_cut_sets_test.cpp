// Entry sets cut in two by a cluster boundary: the pieces are joined only
// when the whole set's checksum says they belong together.
#include "engine/exfat/exfat_cut_sets.h"

#include <gtest/gtest.h>

#include "tests/engine/exfat/exfat_entry_bytes.h"

namespace tarnwell::engine {
namespace {

using Bytes = std::vector<uint8_t>;

const std::string kLongName = "A rather long file name number 022 of grown.txt";  // 4 name entries

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
Bytes Zeros(size_t entries) { return Bytes(entries * 32, 0); }
// The set as a deleted one: every type byte without its in-use bit.
Bytes Deleted(Bytes set) {
  for (size_t at = 0; at < set.size(); at += 32) set[at] &= 0x7F;
  return set;
}
Bytes Head(const Bytes& b, size_t entries) { return Bytes(b.begin(), b.begin() + entries * 32); }
Bytes Tail(const Bytes& b, size_t entries) { return Bytes(b.begin() + entries * 32, b.end()); }

TEST(ExfatCutSets, APieceJoinsOnlyTheRestOfItsOwnSet) {
  for (const bool deleted : {false, true}) {
    SCOPED_TRACE(deleted ? "deleted set" : "set in use");
    Bytes set = testing::EntrySet(kLongName, 5000, 77);
    Bytes other = testing::EntrySet("A rather long file name number 023 of grown.txt", 5100, 90);
    if (deleted) {
      set = Deleted(set);
      other = Deleted(other);
    }
    ASSERT_EQ(set.size(), 6u * 32);
    const Bytes whole = testing::EntrySet("whole.txt", 10, 5);
    // The cluster ends three entries into the set.
    const Bytes end = Cat({whole, Head(set, 3)});
    const std::optional<size_t> cut = CutSetStart(end);
    ASSERT_TRUE(cut);
    EXPECT_EQ(*cut, whole.size());
    const std::span<const uint8_t> piece = std::span<const uint8_t>(end).subspan(*cut);

    const Bytes next = Cat({Tail(set, 3), testing::EntrySet("after.txt", 1, 6), Zeros(2)});
    EXPECT_EQ(LeadingSecondaries(next), 3u);
    const std::optional<ExfatEntrySet> joined = JoinCutSet(piece, next);
    ASSERT_TRUE(joined.has_value());
    EXPECT_EQ(joined->firstCluster, 77u);
    EXPECT_EQ(joined->nameUtf16.size(), kLongName.size() * 2);
    // The same shape of rest from another set: its checksum tells.
    EXPECT_FALSE(JoinCutSet(piece, Cat({Tail(other, 3), Zeros(1)})).has_value());
    // One changed character of the name.
    Bytes tampered = next;
    tampered[2 + 32] ^= 1;
    EXPECT_FALSE(JoinCutSet(piece, tampered).has_value());
    // Too few entries to finish it.
    EXPECT_FALSE(JoinCutSet(piece, Cat({Tail(set, 4), Zeros(1)})).has_value());
  }
}

TEST(ExfatCutSets, BytesThatEndOnWholeSetsHaveNoCut) {
  const Bytes set = testing::EntrySet(kLongName, 5000, 77);
  EXPECT_FALSE(CutSetStart(set));
  EXPECT_FALSE(CutSetStart(Cat({set, Zeros(3)})));
  EXPECT_FALSE(CutSetStart(Bytes{}));
  EXPECT_EQ(LeadingSecondaries(set), 0u) << "a file entry opens it";
}

TEST(ExfatCutSets, StretchesAreChainedWhereTheirSetsContinue) {
  const Bytes x = testing::EntrySet(kLongName, 5000, 77);
  const Bytes y = testing::EntrySet("A rather long file name number 090 of grown.txt", 300, 80);
  const Bytes a = Cat({testing::EntrySet("a.txt", 1, 10), Head(x, 2)});  // cut: goes on in c
  const Bytes b = Cat({testing::EntrySet("b.txt", 1, 11), Zeros(4)});    // whole
  const Bytes c = Cat({Tail(x, 2), Head(y, 4)});                          // cut again: goes on in d
  const Bytes d = Cat({Tail(y, 4), Zeros(2)});
  const auto chains = ChainCutStretches({d, a, b, c});
  EXPECT_EQ(chains, (std::vector<std::vector<size_t>>{{1, 3, 0}, {2}}));
}

TEST(ExfatCutSets, ARingOfPiecesListsEveryStretchOnce) {
  const Bytes x = testing::EntrySet(kLongName, 5000, 77);
  const Bytes y = testing::EntrySet("A rather long file name number 091 of grown.txt", 300, 80);
  // a ends with x's start and opens with y's rest; b the other way round.
  const Bytes a = Cat({Tail(y, 2), Head(x, 3)});
  const Bytes b = Cat({Tail(x, 3), Head(y, 2)});
  const auto chains = ChainCutStretches({a, b});
  ASSERT_EQ(chains.size(), 1u);
  EXPECT_EQ(chains[0], (std::vector<size_t>{0, 1}));
  // With no tries allowed nothing is joined, and each stands alone.
  EXPECT_EQ(ChainCutStretches({a, b}, 0), (std::vector<std::vector<size_t>>{{0}, {1}}));
}

TEST(ExfatCutSets, LongStretchesChainByTheirEndsAlone) {
  const Bytes x = testing::EntrySet(kLongName, 5000, 77);
  Bytes a, c = Tail(x, 4);
  for (int i = 0; i < 40; ++i) a = Cat({a, testing::EntrySet("file " + std::to_string(i) + ".txt", 1, 10)});
  a = Cat({a, Head(x, 4)});
  for (int i = 0; i < 40; ++i) c = Cat({c, testing::EntrySet("more " + std::to_string(i) + ".txt", 1, 10)});
  const Bytes endsA = CutSetEnds(a), endsC = CutSetEnds(c);
  EXPECT_EQ(endsA.size(), 37u * 32) << "the first 18 and the last 19 entries";
  EXPECT_EQ(ChainCutStretches({c, a}), (std::vector<std::vector<size_t>>{{1, 0}}));
  EXPECT_EQ(ChainCutStretches({endsC, endsA}), ChainCutStretches({c, a}));
  // A short stretch is kept whole.
  EXPECT_EQ(CutSetEnds(x), x);
}

}  // namespace
}  // namespace tarnwell::engine
