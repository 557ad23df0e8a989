#include <gtest/gtest.h>

#include "standard/node_history.h"

namespace tarnwell::standard {
namespace {

TEST(NodeHistoryTest, IdentitiesSurviveAndTheFirstIsReachable) {
  int a, b, c;
  NodeHistory h;
  EXPECT_EQ(h.GoBack(), nullptr);
  h.Add(&a);  // the root: number 0, which must stay reachable
  h.Add(&b);
  h.Add(&c);
  h.Add(&c);
  EXPECT_EQ(h.Recent().Items().size(), 3u);
  EXPECT_EQ(h.GoBack(), &b);
  EXPECT_EQ(h.GoBack(), &a);
  EXPECT_FALSE(h.CanGoBack());
  EXPECT_EQ(h.GoForward(), &b);
  h.Add(&a);  // an identity seen before keeps its number
  EXPECT_EQ(h.Recent().Items().back(), 0);
  h.Clear();
  h.Add(&c);
  EXPECT_EQ(h.Recent().Items(), std::vector<int32_t>{0});
  EXPECT_EQ(h.GoBack(), &c);
}

}  // namespace
}  // namespace tarnwell::standard
