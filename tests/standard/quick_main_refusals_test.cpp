// What the standard window says instead of silently doing nothing: help
// and a destination folder the desktop cannot open, and the counts that
// end a recovery.
#include <unistd.h>

#include <filesystem>

#include "disk/read_error_reporter.h"
#include "engine/undelete.h"
#include "platform/text_codec.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

TEST_F(QuickMainTest, HelpAndDestinationTheDesktopCannotOpenAreReported) {
  Open({"demo/demo-disk.img"});
  // A desktop without a browser or file manager: every opening fails.
  w.reset();
  tester.reset();
  standard::QuickMainServices s;
  s.showBox = [this](QWidget*, controls::BoxKind k, const QString& t) { boxes.push_back({k, t}); };
  s.ask = [](QWidget*, const QString&) { return true; };
  s.opener = [](const std::string&) { return false; };
  s.selectDestination = [this](QWidget*, std::string* folder) {
    *folder = destination;
    return true;
  };
  s.settingsPath = settings;
  s.typeNames = std::make_shared<controls::PlainTypeNames>();
  s.wait = [](int) {};
  w = std::make_unique<standard::TfrmQuickMain>(std::move(s));
  w->FormShow();
  w->helpExecute();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, controls::BoxKind::kError);
  EXPECT_TRUE(boxes[0].text.contains("帮助")) << boxes[0].text.toStdString();

  SelectDrive('D');
  Check("notes.txt");
  w->RecoverExecute();
  EXPECT_EQ(w->ListView3->LineText(w->ListView3->LineCount() - 3),
            QString::fromStdString("无法在桌面中打开目标目录 " + destination));
  EXPECT_EQ(LastLog(), "1 个文件已恢复，0 个失败");
}

TEST_F(QuickMainTest, RecoveryCountsFilesBelowFoldersAndFailures) {
  Open({"demo/demo-disk.img"});
  SelectDrive('C');
  Open(Child(w->ScanRootNode, "Music"));
  Check("?ld");  // a deleted folder of two files
  Check("playlist.m3u");
  w->RecoverExecute();
  EXPECT_EQ(LastLog(), "3 个文件已恢复，0 个失败");

  // A destination that cannot be written: every item fails and is counted.
  std::filesystem::permissions(destination, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  if (::geteuid() != 0) {  // root writes anyway
    w->RecoverExecute();
    EXPECT_EQ(LastLog(), "0 个文件已恢复，2 个失败");
  }
  std::filesystem::permissions(destination, std::filesystem::perms::owner_all);
}

}  // namespace
}  // namespace tarnwell::testing

namespace tarnwell::testing {
namespace {

TEST_F(QuickMainTest, ReadErrorsGoToTheLogAndABoxWhileTheWindowIsOpen) {
  std::vector<std::string> before;
  const disk::ReadErrorReporter previous =
      disk::SetReadErrorReporter([&](const std::string& m) { before.push_back(m); });
  Open({"demo/demo-disk.img"});
  disk::ReportReadError(platform::SystemText("读取驱动器 C: 的扇区 100 时出错。"));
  disk::ReportReadError(platform::SystemText("读取驱动器 C: 的扇区 101 时出错。"));
  EXPECT_EQ(w->ListView3->LineText(w->ListView3->LineCount() - 2), "读取驱动器 C: 的扇区 100 时出错。");
  EXPECT_EQ(LastLog(), "读取驱动器 C: 的扇区 101 时出错。");
  ASSERT_EQ(boxes.size(), 1u) << "a run of bad sectors gives one box, not one each";
  EXPECT_EQ(boxes[0].kind, controls::BoxKind::kError);
  EXPECT_TRUE(before.empty()) << "nothing goes to stderr while the window is open";

  w->show();
  w->close();
  disk::ReportReadError("after");
  EXPECT_EQ(before, std::vector<std::string>{"after"}) << "closing gives the reporter back";
  disk::SetReadErrorReporter(previous);
}

}  // namespace
}  // namespace tarnwell::testing
