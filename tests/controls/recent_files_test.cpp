#include "controls/recent_files.h"

#include <gtest/gtest.h>

namespace tarnwell::controls {
namespace {

using Items = std::vector<int32_t>;

TEST(RecentFiles, EmptyHistoryAnswersMinusOneAndCannotMove) {
  TRecentFiles history;
  EXPECT_EQ(history.GoBack(), -1);
  EXPECT_EQ(history.GoForward(), -1);
  EXPECT_EQ(history.Position(), -1);
  EXPECT_FALSE(history.CanGoBack());
  EXPECT_FALSE(history.CanGoForward());
}

TEST(RecentFiles, ASingleEntryEnablesNeitherDirection) {
  TRecentFiles history;
  history.Add(7);
  EXPECT_FALSE(history.CanGoBack());
  EXPECT_FALSE(history.CanGoForward());
  EXPECT_EQ(history.GoBack(), 7);
  EXPECT_EQ(history.GoForward(), 7);
}

TEST(RecentFiles, TheSameNodeTwiceInARowIsRecordedOnce) {
  TRecentFiles history;
  history.Add(3);
  history.Add(3);
  history.Add(4);
  history.Add(3);
  EXPECT_EQ(history.Items(), (Items{3, 4, 3}));
}

TEST(RecentFiles, BackBackForwardThenANewNodeKeepsForwardEntries) {
  TRecentFiles history;
  for (int32_t p : {10, 20, 30}) history.Add(p);
  EXPECT_EQ(history.GoBack(), 20);
  EXPECT_TRUE(history.CanGoBack());
  EXPECT_TRUE(history.CanGoForward());
  EXPECT_EQ(history.GoBack(), 10);
  EXPECT_FALSE(history.CanGoBack());
  EXPECT_EQ(history.GoBack(), 10);  // stays on the first entry
  EXPECT_EQ(history.GoForward(), 20);
  history.Add(40);
  EXPECT_EQ(history.Items(), (Items{10, 20, 30, 40}));
  EXPECT_EQ(history.Position(), 3);
  EXPECT_TRUE(history.CanGoBack());
  EXPECT_FALSE(history.CanGoForward());
  EXPECT_EQ(history.GoForward(), 40);  // stays on the last entry
}

TEST(RecentFiles, TwentyOneNodesDropTheOldest) {
  TRecentFiles history;
  for (int32_t p = 1; p <= 21; ++p) history.Add(p);
  ASSERT_EQ(history.Items().size(), 20u);
  EXPECT_EQ(history.Items().front(), 2);
  EXPECT_EQ(history.Items().back(), 21);
  EXPECT_EQ(history.Position(), 19);
}

TEST(RecentFiles, RepeatingTheLastNodeOfAFullHistoryKeepsThePositionValid) {
  TRecentFiles history;
  for (int32_t p = 1; p <= 20; ++p) history.Add(p);
  history.Add(20);  // the oldest goes, nothing is appended
  ASSERT_EQ(history.Items().size(), 19u);
  EXPECT_EQ(history.Position(), 18);
  EXPECT_EQ(history.GoForward(), 20);
  EXPECT_FALSE(history.CanGoForward());
  EXPECT_EQ(history.GoBack(), 19);
}

TEST(RecentFiles, ClearKeepsPositionAndFlagsUntilTheNextAdd) {
  TRecentFiles history;
  for (int32_t p : {1, 2, 3}) history.Add(p);
  history.GoBack();
  history.Clear();
  EXPECT_TRUE(history.Items().empty());
  EXPECT_EQ(history.Position(), 1);
  EXPECT_TRUE(history.CanGoBack());
  EXPECT_TRUE(history.CanGoForward());
  history.Add(0);
  EXPECT_EQ(history.Position(), 0);
  EXPECT_FALSE(history.CanGoBack());
  EXPECT_FALSE(history.CanGoForward());
  EXPECT_EQ(history.GoBack(), 0);
}

}  // namespace
}  // namespace tarnwell::controls
