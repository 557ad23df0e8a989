#include "platform/program_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/fixtures.h"

namespace tarnwell::platform {
namespace {

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(ProgramPaths, ProgramDirectoryEndsInSlashAndHoldsTheProgram) {
  std::string dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_EQ(dir.front(), '/');
  struct stat st {};
  EXPECT_EQ(::stat((dir + "platform_tests").c_str(), &st), 0);
}

TEST(ProgramPaths, SettingsStayInAWritableProgramDirectory) {
  std::string dir = testing::MakeTempFolder("prog");
  EXPECT_EQ(SettingsFilePathFor(dir, "Tarnwell.ini", "/elsewhere", "/home/x"), dir + "/Tarnwell.ini");
}

TEST(ProgramPaths, SettingsMoveToTheConfigFolderWhenTheProgramDirectoryIsNotWritable) {
  std::string base = testing::MakeTempFolder("cfg");
  const std::string gone = base + "/no-such-program-dir";
  EXPECT_EQ(SettingsFilePathFor(gone, "Tarnwell.ini", base + "/xdg", "/home/x"),
            base + "/xdg/tarnwell/Tarnwell.ini");
  EXPECT_TRUE(IsFolder(base + "/xdg/tarnwell"));
  // A relative XDG_CONFIG_HOME is ignored; HOME/.config is the default.
  EXPECT_EQ(SettingsFilePathFor(gone, "advrec.ini", "relative/cfg", base + "/home"),
            base + "/home/.config/tarnwell/advrec.ini");
  EXPECT_TRUE(IsFolder(base + "/home/.config/tarnwell"));
}

// The installed program run as root could write beside itself; its
// settings still go to the user's configuration folder.
TEST(ProgramPaths, SettingsOfAnInstalledProgramNeverGoBesideItEvenForRoot) {
  const std::string base = testing::MakeTempFolder("cfg-installed");
  for (const char* installed : {"/usr/bin", "/usr/local/bin/", "/opt/tarnwell/bin", "/bin"}) {
    EXPECT_TRUE(IsSystemFolder(installed)) << installed;
    EXPECT_EQ(SettingsFilePathFor(installed, "Tarnwell.ini", base + "/xdg", "/home/x"),
              base + "/xdg/tarnwell/Tarnwell.ini")
        << installed;
  }
  for (const char* own : {"/home/ann/tarnwell/build", "/work/main/build/app", "/usrlocal", "/"})
    EXPECT_FALSE(IsSystemFolder(own)) << own;
}

}  // namespace
}  // namespace tarnwell::platform
