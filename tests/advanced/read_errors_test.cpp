// Read errors while the advanced window is open reach its log page and an
// error box, not stderr.
#include "controls/event_log_view.h"
#include "disk/read_error_reporter.h"
#include "platform/text_codec.h"
#include "tests/advanced/adv_window_support.h"

namespace tarnwell::advanced {
namespace {

TEST_F(AdvWindowTest, ReadErrorsGoToTheLogAndABox) {
  std::vector<std::string> before;
  const disk::ReadErrorReporter previous =
      disk::SetReadErrorReporter([&](const std::string& m) { before.push_back(m); });
  Open({"raw/fat16-zeroed.img"});
  disk::ReportReadError(platform::SystemText("读取驱动器 0 的扇区 7 时出错。"));
  EXPECT_EQ(LogTexts().back(), "读取驱动器 0 的扇区 7 时出错。");
  EXPECT_TRUE(HasBox(controls::BoxKind::kError, "读取驱动器 0 的扇区 7 时出错。"));
  EXPECT_TRUE(before.empty());
  window->close();
  disk::ReportReadError("after");
  EXPECT_EQ(before, std::vector<std::string>{"after"});
  disk::SetReadErrorReporter(previous);
}

}  // namespace
}  // namespace tarnwell::advanced
