#include <gtest/gtest.h>

#include "health/drive_identity_text.h"
#include "tests/support/image_builder.h"

namespace tarnwell::health {
namespace {

TEST(DriveIdentityText, Capacity) {
  struct Case {
    uint32_t sectors28;
    uint16_t word83;
    uint64_t sectors48;
    const char* text;
  };
  const Case cases[] = {
      {2097152, 0, 0, "1.00 GB"},
      {78165360, 0, 0, "37.27 GB"},
      {0, 0, 0, "0.00 GB"},
      {0xFFFFFFFF, 0, 0, "2048.00 GB"},  // unsigned, never negative
      // Words 60-61 stop at 128 GiB; the 48-bit count is the true size.
      {0x0FFFFFFF, 0x4400, 976773168, "465.76 GB"},
      // ...but only when word 83 is valid and says 48-bit addressing.
      {0x0FFFFFFF, 0x0400, 976773168, "128.00 GB"},
      {0x0FFFFFFF, 0x4000, 976773168, "128.00 GB"},
      {0x0FFFFFFF, 0x4400, 0, "128.00 GB"},
  };
  for (const Case& c : cases) {
    TDriveIdentity id;
    StoreLE32(id.bytes.data() + TDriveIdentity::kTotalSectors, c.sectors28);
    StoreLE16(id.bytes.data() + TDriveIdentity::kCommandSets, c.word83);
    StoreLE64(id.bytes.data() + TDriveIdentity::kTotalSectors48, c.sectors48);
    EXPECT_EQ(CapacityText(id), c.text) << c.sectors28 << " " << c.sectors48;
  }
}

TEST(DriveIdentityText, FieldsTrimmedAtBothEnds) {
  TDriveIdentity id;
  auto put = [&](size_t offset, const std::string& text) {
    std::copy(text.begin(), text.end(), id.bytes.begin() + static_cast<long>(offset));
  };
  put(TDriveIdentity::kSerial, "     WD-123 45       ");
  put(TDriveIdentity::kFirmware, std::string(" 1.0\0\0\0\0", 8));
  put(TDriveIdentity::kModel, std::string(40, ' '));
  EXPECT_EQ(SerialText(id), "WD-123 45");
  EXPECT_EQ(FirmwareText(id), "1.0");
  EXPECT_EQ(ModelText(id), "");
  // The fields are exactly their width: the serial's 21st byte is not in it.
  put(TDriveIdentity::kSerial, std::string(20, 'S') + "X");
  EXPECT_EQ(SerialText(id), std::string(20, 'S'));
}

TEST(DriveIdentityText, ListEntryIsTheWholeModelAndControlsAreMasked) {
  TDriveIdentity id;
  const std::string model = std::string("  DISK\nONE") + std::string(30, '\0');
  std::copy(model.begin(), model.end(), id.bytes.begin() + TDriveIdentity::kModel);
  // Untrimmed, 40 characters, NUL padding as blanks.
  EXPECT_EQ(ModelEntryText(id), "  DISK\nONE" + std::string(30, ' '));
  EXPECT_EQ(PrintableDriveText(ModelEntryText(id)), "  DISK?ONE" + std::string(30, ' '));
  EXPECT_EQ(PrintableDriveText(std::string("a\x1b[2Jb\x7f\t")), "a?[2Jb??");
  // Characters above ASCII (UTF-8 or the system code page) pass unchanged.
  EXPECT_EQ(PrintableDriveText("硬盘 \xC4\xE3"), "硬盘 \xC4\xE3");
}

}  // namespace
}  // namespace tarnwell::health
