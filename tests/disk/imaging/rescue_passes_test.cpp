// The order in which a copy reads a failing disk, seen through the reads a
// disk with chosen bad sectors receives, and what the map and the image say
// afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "platform/text_codec.h"
#include "tests/disk/imaging/imaging_session.h"
#include "tests/disk/imaging/map_runs.h"

namespace tarnwell::disk::imaging {
namespace {

using testing::FailingSectorSource;
using testing::ImagingSession;
using testing::Runs;
using Reads = std::vector<std::pair<uint64_t, uint32_t>>;

Reads ReadsOf(const FailingSectorSource& source, size_t from = 0) {
  Reads reads;
  for (size_t i = from; i < source.calls.size(); ++i) reads.emplace_back(source.calls[i].lba, source.calls[i].count);
  return reads;
}

std::vector<std::string> LogTexts(const testing::RecordingLog& log) {
  std::vector<std::string> texts;
  for (const auto& line : log.lines) texts.push_back(platform::SystemToUtf8(line.text));
  return texts;
}

TEST(RescuePasses, AGoodDiskIsReadOnceInLargeAlignedReads) {
  FailingSectorSource source(1000);
  ImagingSession copy("good-disk");
  const ImagingResult result = copy.Run(source);
  EXPECT_TRUE(result.Complete());
  const Reads expected = {{0, 128}, {128, 128}, {256, 128}, {384, 128}, {512, 128}, {640, 128}, {768, 128}, {896, 104}};
  EXPECT_EQ(ReadsOf(source), expected);
  const auto map = copy.SavedMap(1000);
  ASSERT_TRUE(map);
  EXPECT_EQ(Runs(*map), "+1000");
  EXPECT_EQ(copy.SavedPosition()->phase, Phase::kFinished);
  copy.ExpectImageFollowsMap(*map);
  EXPECT_EQ(result.figures.copiedBytes, 1000u * 512);
  EXPECT_EQ(result.figures.badAreas, 0u);
  // The window saw the bar come and go and end full.
  EXPECT_EQ(copy.progress.visibility, (std::vector<bool>{true, false}));
  EXPECT_EQ(copy.progress.positions.back(), 100);
}

// One bad area of ten sectors: pass 1 skips past it, pass 2 closes in on it
// from the other side, trimming finds its edges, scraping and a retry try
// what is left of it one sector at a time. No sector is read more than
// twice before the retry.
TEST(RescuePasses, ABadAreaIsSkippedThenClosedInFromBothSides) {
  FailingSectorSource source(4096);
  source.Fail(1000, 10);
  ImagingSession copy("one-area");
  const ImagingResult result = copy.Run(source);
  ASSERT_FALSE(result.Failed());

  Reads expected;
  for (uint64_t lba = 0; lba <= 896; lba += 128) expected.emplace_back(lba, 128);  // fails at 1000
  for (uint64_t lba = 1280; lba < 4096; lba += 128) expected.emplace_back(lba, 128);  // skipped 256
  expected.insert(expected.end(), {{1152, 128}, {1024, 128}});  // pass 2, backwards
  expected.emplace_back(1000, 1);                                 // trimming: leading edge
  for (uint64_t s = 1023; s >= 1009; --s) expected.emplace_back(s, 1);  // trailing edge
  for (uint64_t s = 1001; s <= 1008; ++s) expected.emplace_back(s, 1);  // scraping
  for (uint64_t s = 1000; s <= 1009; ++s) expected.emplace_back(s, 1);  // retry pass 1
  EXPECT_EQ(ReadsOf(source), expected);

  const auto map = copy.SavedMap(4096);
  ASSERT_TRUE(map);
  EXPECT_EQ(Runs(*map), "+1000 -10 +3086");
  copy.ExpectImageFollowsMap(*map);
  EXPECT_FALSE(result.Complete());
  EXPECT_EQ(result.figures.badAreas, 1u);
  EXPECT_EQ(result.figures.badSectorBytes, 10u * 512);
  EXPECT_EQ(copy.progress.positions.back(), 100);  // bad sectors are settled too
  const std::vector<std::string> log = LogTexts(copy.log);
  for (const char* phase : {"复制 第 1 遍（向前）", "复制 第 2 遍（向后）", "修整失败区的边缘", "逐扇区读取失败区",
                            "重试坏扇区 第 1 遍（向前）"})
    EXPECT_NE(std::find(log.begin(), log.end(), phase), log.end()) << phase;
  EXPECT_NE(log.back().find("坏区 1 个 (5.0 KB)"), std::string::npos) << log.back();
}

// Reading several clusters at once changes nothing but the number of
// reads: the disk hands over the same sectors in the same order, the same
// reads fail at the same sectors, and the map ends the same.
TEST(RescuePasses, ReadsOfManyClustersLeaveWhatClusterReadsLeave) {
  const auto makeSource = [] {
    FailingSectorSource source(20000);
    for (const uint64_t bad : {700u, 2100u, 2101u, 9000u, 15555u}) source.Fail(bad, 1);
    source.Fail(4000, 3000);
    source.Fail(17000, 5, 1);
    return source;
  };
  const auto handedOver = [](const FailingSectorSource& source) {
    std::vector<uint64_t> sectors;
    for (const auto& call : source.calls) {
      for (uint32_t i = 0; i < call.returned; ++i) sectors.push_back(call.lba + i);
      if (!call.ok) sectors.push_back(~uint64_t{0} - (call.lba + call.returned));  // where it failed
    }
    return sectors;
  };
  FailingSectorSource oneByOne = makeSource(), many = makeSource();
  ImagingSession clusters("clusters"), batches("batches");
  ASSERT_FALSE(clusters.Run(oneByOne).Failed());
  ASSERT_FALSE(batches.Run(many, 1, std::chrono::seconds(30), 16).Failed());
  EXPECT_EQ(handedOver(many), handedOver(oneByOne));
  EXPECT_LT(many.calls.size() + 100, oneByOne.calls.size());
  EXPECT_EQ(Runs(*batches.SavedMap(20000)), Runs(*clusters.SavedMap(20000)));
  batches.ExpectImageFollowsMap(*batches.SavedMap(20000));
}

// Each failure in a row doubles the skip up to its largest; a good read
// puts it back to the first.
TEST(RescuePasses, SkipsGrowWithFailuresInARowAndShrinkAfterAGoodRead) {
  FailingSectorSource source(8192);
  source.Fail(1000, 2000);
  source.Fail(5000, 1);
  ImagingSession copy("growing-skips");
  const ImagingResult result = copy.Run(source, 0);
  ASSERT_FALSE(result.Failed());
  std::vector<uint64_t> firstPass;
  for (const auto& call : source.calls) {
    if (!firstPass.empty() && call.lba < firstPass.back()) break;  // pass 2 turns round
    firstPass.push_back(call.lba);
  }
  const std::vector<uint64_t> around = {896, 1280, 1920, 3072, 3200};
  EXPECT_NE(std::search(firstPass.begin(), firstPass.end(), around.begin(), around.end()), firstPass.end());
  const std::vector<uint64_t> later = {4992, 5376};  // back to a skip of 256
  EXPECT_NE(std::search(firstPass.begin(), firstPass.end(), later.begin(), later.end()), firstPass.end());
  const auto map = copy.SavedMap(8192);
  ASSERT_TRUE(map);
  EXPECT_EQ(Runs(*map), "+1000 -2000 +2000 -1 +3191");
  copy.ExpectImageFollowsMap(*map);
}

// Weak sectors give in to a retry; retry passes turn round each time, and
// running a finished copy again with retries tries its bad sectors again.
TEST(RescuePasses, RetriesTurnRoundEachPassAndCanBeAskedForAgain) {
  FailingSectorSource source(1024);
  source.Fail(100, 1, 4);
  source.Fail(200, 1);
  source.Fail(300, 1, 3);
  ImagingSession copy("retries");
  ASSERT_FALSE(copy.Run(source, 2).Failed());
  // Copy and trim fail each sector twice; pass 1 forwards a third time;
  // pass 2 backwards reads 300 at its fourth try, 100 still fails.
  const auto map = copy.SavedMap(1024);
  ASSERT_TRUE(map);
  EXPECT_EQ(Runs(*map), "+100 -1 +99 -1 +823");
  const Reads tail = ReadsOf(source, source.calls.size() - 6);
  EXPECT_EQ(tail, (Reads{{100, 1}, {200, 1}, {300, 1}, {300, 1}, {200, 1}, {100, 1}}));

  const size_t before = source.calls.size();
  ASSERT_FALSE(copy.Run(source, 1).Failed());
  EXPECT_EQ(ReadsOf(source, before), (Reads{{100, 1}, {200, 1}}));
  EXPECT_EQ(Runs(*copy.SavedMap(1024)), "+200 -1 +823");
  copy.ExpectImageFollowsMap(*copy.SavedMap(1024));
}

// Stopped after every few reads and run again each time: the copy ends as
// one run would, and no run reads a sector an earlier one copied.
TEST(RescuePasses, AStoppedCopyGoesOnFromItsMapAndNeverReadsACopiedSectorAgain) {
  const auto makeSource = [] {
    FailingSectorSource source(4096);
    source.Fail(1000, 10);
    source.Fail(2500, 40);
    source.Fail(4000, 1);
    return source;
  };
  FailingSectorSource whole = makeSource();
  ImagingSession reference("uninterrupted");
  ASSERT_FALSE(reference.Run(whole).Failed());
  const std::string expected = Runs(*reference.SavedMap(4096));

  // Each run begins a phase (one pump) and reads at least once before it
  // stops.
  for (const long every : {5L, 40L}) {
    FailingSectorSource source = makeSource();
    ImagingSession copy("stopped-" + std::to_string(every));
    int runs = 0;
    for (bool stopped = true; stopped; ++runs) {
      ASSERT_LT(runs, 5000) << "never ends";
      const std::optional<RescueMap> before = copy.SavedMap(4096);
      const size_t first = source.calls.size();
      copy.pump.actOnCall = copy.pump.calls + every;
      copy.pump.action = [&copy] { copy.imager.RequestStop(); };
      const ImagingResult result = copy.Run(source);
      ASSERT_FALSE(result.Failed()) << every;
      stopped = result.stopped;
      for (size_t i = first; before && i < source.calls.size(); ++i)
        for (uint32_t k = 0; k < source.calls[i].count; ++k)
          ASSERT_NE(before->StatusAt(source.calls[i].lba + k), BlockStatus::kFinished)
              << "every " << every << ": sector " << source.calls[i].lba + k << " read again";
    }
    EXPECT_GT(runs, 1) << every;
    const auto map = copy.SavedMap(4096);
    ASSERT_TRUE(map);
    EXPECT_EQ(Runs(*map), expected) << every;
    copy.ExpectImageFollowsMap(*map);
  }
}

// The copy killed at any moment (its files taken as they are on disk
// then): the map never claims a sector the image does not hold, and the
// copy goes on from those files to the same end.
TEST(RescuePasses, AMapSavedOnTheWayOnlyClaimsWhatTheImageHolds) {
  const auto makeSource = [] {
    FailingSectorSource source(1024);
    source.Fail(700, 12);
    return source;
  };
  FailingSectorSource whole = makeSource();
  ImagingSession reference("whole");
  ASSERT_FALSE(reference.Run(whole).Failed());
  for (const long killedAt : {3L, 14L, 30L}) {
    FailingSectorSource source = makeSource();
    ImagingSession copy("killed-" + std::to_string(killedAt));
    ImagingSession later("after-" + std::to_string(killedAt));
    copy.pump.actOnCall = killedAt;
    copy.pump.action = [&] {
      std::filesystem::copy_file(copy.image, later.image);
      std::filesystem::copy_file(copy.map, later.map);
    };
    ASSERT_FALSE(copy.Run(source, 1, std::chrono::milliseconds(0)).Failed());
    const std::optional<RescueMap> saved = later.SavedMap(1024);
    ASSERT_TRUE(saved) << killedAt;
    later.ExpectImageFollowsMap(*saved, false);
    FailingSectorSource fresh = makeSource();
    ASSERT_FALSE(later.Run(fresh).Failed());
    EXPECT_EQ(Runs(*later.SavedMap(1024)), Runs(*reference.SavedMap(1024))) << killedAt;
    later.ExpectImageFollowsMap(*later.SavedMap(1024));
  }
}

TEST(RescuePasses, AStopLeavesTheMapWhereTheCopyStood) {
  FailingSectorSource source(4096);
  source.Fail(1000, 10);
  ImagingSession copy("stop");
  copy.pump.actOnCall = 11;  // the phase's start, then ten reads: pass 1 is past the bad area
  copy.pump.action = [&copy] { copy.imager.RequestStop(); };
  const ImagingResult result = copy.Run(source);
  EXPECT_TRUE(result.stopped);
  EXPECT_FALSE(result.Failed());
  const auto position = copy.SavedPosition();
  ASSERT_TRUE(position);
  EXPECT_EQ(position->phase, Phase::kCopying);
  EXPECT_EQ(position->pass, 1);
  EXPECT_EQ(position->byte, 1408u * 512);
  const auto map = copy.SavedMap(4096);
  ASSERT_TRUE(map);
  EXPECT_EQ(Runs(*map), "+1000 *24 ?256 +256 ?2560");
  copy.ExpectImageFollowsMap(*map);
  EXPECT_EQ(copy.log.lines.back().icon, engine::kLogStopped);
  // Heard only while a copy runs.
  copy.imager.RequestStop();
  copy.pump.action = nullptr;
  const ImagingResult again = copy.Run(source);
  EXPECT_FALSE(again.stopped);
  EXPECT_EQ(Runs(*copy.SavedMap(4096)), "+1000 -10 +3086");
}

// A second copy asked for while one runs (from the window's pump) is
// refused; the first goes on.
TEST(RescuePasses, ACopyIsNotStartedInsideAnother) {
  FailingSectorSource source(512);
  ImagingSession copy("busy");
  std::optional<ImagingResult> inner;
  copy.pump.actOnCall = 2;
  copy.pump.action = [&] { inner = copy.Run(source); };
  EXPECT_TRUE(copy.Run(source).Complete());
  ASSERT_TRUE(inner);
  EXPECT_EQ(inner->fault, ImagingFault::kBusy);
  EXPECT_FALSE(copy.imager.Busy());
}

}  // namespace
}  // namespace tarnwell::disk::imaging
