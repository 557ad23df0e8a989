// The destination folder is offered again: by the next recovery, by a new
// opening of the window, and by the advanced window (one settings file).
#include "controls/remembered_destination.h"
#include "engine/undelete.h"
#include "tests/standard/quick_main_fixture.h"

namespace tarnwell::testing {
namespace {

using QuickMainDestinationTest = QuickMainTest;

TEST_F(QuickMainDestinationTest, TheLastDestinationIsOfferedAgainAcrossRecoveriesAndOpenings) {
  Open({"demo/demo-disk.img"});
  SelectDrive('C');
  Open(Child(w->ScanRootNode, "Photos"));
  Check(QStringLiteral("beach.jpg"));
  w->RecoverExecute();
  ASSERT_EQ(offeredDestinations.size(), 1u);
  EXPECT_EQ(offeredDestinations[0], "");  // nothing to offer the first time

  // Cancelled: what was offered stays remembered, nothing new is written.
  const std::string first = destination;
  destination = MakeTempFolder("quick_main_second");
  acceptDestination = false;
  w->RecoverExecute();
  EXPECT_EQ(offeredDestinations.back(), first);
  acceptDestination = true;
  w->RecoverExecute();
  EXPECT_EQ(offeredDestinations.back(), first);
  w->RecoverExecute();
  EXPECT_EQ(offeredDestinations.back(), destination);

  // A new opening of the window, and the other window, read it from the
  // shared settings file beside the window's own.
  tester.reset();
  w.reset();
  Open(std::vector<std::string>{});
  SelectDrive('C');
  Open(Child(w->ScanRootNode, "Photos"));
  Check(QStringLiteral("beach.jpg"));
  w->RecoverExecute();
  EXPECT_EQ(offeredDestinations.back(), destination);
  EXPECT_EQ(controls::RememberedDestination(controls::SharedSettingsFile(settings)), destination);
}

}  // namespace
}  // namespace tarnwell::testing
