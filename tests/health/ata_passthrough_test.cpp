// The Linux answering layer: the ATA PASS-THROUGH (16) CDB and how its
// outcome is judged, the legacy IDE arguments, which requests reach a drive
// and which disks get drive numbers. None of it touches a real disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "health/smart.h"
#include "platform/ata_passthrough.h"
#include "platform/smart_device.h"
#include "tests/support/fixtures.h"
#include "tests/support/image_builder.h"

namespace tarnwell::platform {
namespace {

using testing::Hex;

std::vector<uint8_t> V(const std::array<uint8_t, 16>& a) { return {a.begin(), a.end()}; }

AtaTaskFile Regs(uint8_t features, uint8_t lbaMid, uint8_t lbaHigh, uint8_t command) {
  AtaTaskFile regs;
  regs.features = features;
  regs.sectorCount = 1;
  regs.lbaLow = 1;
  regs.lbaMid = lbaMid;
  regs.lbaHigh = lbaHigh;
  regs.device = 0xA0;
  regs.command = command;
  return regs;
}

TEST(AtaPassThrough, CdbBytes) {
  // PIO data-in (protocol 4), T_DIR in, BYT_BLOK, length in the count field.
  EXPECT_EQ(V(BuildAtaPassThrough16(Regs(0xD0, 0x4F, 0xC2, 0xB0), true)),
            Hex("85 08 0E 00 D0 00 01 00 01 00 4F 00 C2 A0 B0 00"));
  EXPECT_EQ(V(BuildAtaPassThrough16(Regs(0x00, 0, 0, 0xEC), true)),
            Hex("85 08 0E 00 00 00 01 00 01 00 00 00 00 A0 EC 00"));
  // Non-data (protocol 3), no transfer fields.
  EXPECT_EQ(V(BuildAtaPassThrough16(Regs(0xD8, 0x4F, 0xC2, 0xB0), false)),
            Hex("85 06 00 00 D8 00 01 00 01 00 4F 00 C2 A0 B0 00"));
}

TEST(AtaPassThrough, OutcomeJudgement) {
  // Descriptor sense with an ATA Status Return descriptor (0x09).
  auto descriptorSense = [](uint8_t key, uint8_t ataStatus) {
    std::vector<uint8_t> s = Hex("72 00 00 1D 00 00 00 0E  09 0C 00 00 00 00 00 00 00 00 00 00 40 00");
    s[1] = key;
    s[8 + 13] = ataStatus;
    return s;
  };
  const auto recoveredOk = descriptorSense(0x01, 0x50);
  const auto recoveredErr = descriptorSense(0x01, 0x51);
  const auto illegal = Hex("70 00 05 00 00 00 00 0A 00 00 00 00 20 00 00 00 00 00");
  const auto fixedPassInfo = Hex("70 00 01 00 50 00 00 0A 00 00 00 00 00 1D 00 00 00 00");
  struct Case {
    const char* what;
    SgIoOutcome outcome;
    size_t expected;
    bool ok;
  };
  const Case cases[] = {
      {"good", {0x00, 0, 0, 0, {}}, 512, true},
      {"good, non-data", {0x00, 0, 0, 0, {}}, 0, true},
      {"sense flag alone is no error", {0x00, 0, 0x08, 0, {}}, 512, true},
      {"host error", {0x00, 0x07, 0, 0, {}}, 512, false},
      {"driver timeout", {0x00, 0, 0x06, 0, {}}, 512, false},
      {"busy", {0x08, 0, 0, 0, {}}, 512, false},
      {"nothing transferred", {0x00, 0, 0, 512, {}}, 512, false},
      {"check condition without sense", {0x02, 0, 0x08, 0, {}}, 512, false},
      {"illegal request", {0x02, 0, 0x08, 0, illegal}, 512, false},
      {"pass-through info, status clean", {0x02, 0, 0x08, 0, recoveredOk}, 512, true},
      {"pass-through info, ATA error", {0x02, 0, 0x08, 0, recoveredErr}, 512, false},
      {"pass-through info, device fault", {0x02, 0, 0x08, 0, descriptorSense(0x00, 0x70)}, 0, false},
      {"aborted command", {0x02, 0, 0x08, 0, descriptorSense(0x0B, 0x51)}, 512, false},
      {"fixed format pass-through info", {0x02, 0, 0x08, 0, fixedPassInfo}, 512, true},
  };
  for (const Case& c : cases) EXPECT_EQ(AtaPassThroughSucceeded(c.outcome, c.expected), c.ok) << c.what;
}

TEST(AtaPassThrough, HdioArguments) {
  using A = std::array<uint8_t, 4>;
  EXPECT_EQ(BuildHdioDriveCmdArgs(Regs(0xD0, 0x4F, 0xC2, 0xB0), true), (A{0xB0, 0x01, 0xD0, 1}));
  EXPECT_EQ(BuildHdioDriveCmdArgs(Regs(0xD8, 0x4F, 0xC2, 0xB0), false), (A{0xB0, 0x01, 0xD8, 0}));
  EXPECT_EQ(BuildHdioDriveCmdArgs(Regs(0, 0, 0, 0xEC), true), (A{0xEC, 0x01, 0x00, 1}));
}

// Counts what reaches the drive.
class CountingPort final : public AtaPort {
 public:
  std::vector<AtaTaskFile>* seen;
  explicit CountingPort(std::vector<AtaTaskFile>* log) : seen(log) {}
  bool NonData(const AtaTaskFile& regs) override {
    seen->push_back(regs);
    return true;
  }
  bool ReadSector(const AtaTaskFile& regs, std::span<uint8_t, 512> data) override {
    seen->push_back(regs);
    std::fill(data.begin(), data.end(), 0x11);
    return true;
  }
};

TEST(SmartDeviceLayer, OnlyTheSystemsOwnRequestsReachTheDrive) {
  std::vector<AtaTaskFile> seen;
  SmartDevice device(MakeAtaDeviceControl(std::make_unique<CountingPort>(&seen), 0x01));
  std::array<uint8_t, 600> out{};
  auto send = [&](uint32_t code, uint8_t features, uint8_t command, uint32_t outLength = 528) {
    const auto request = health::MakeCommandRequest(features, command, 1, 512);
    return device.DeviceIoControl(code, request.bytes.data(), 32, out.data(), outLength);
  };
  EXPECT_TRUE(send(kSmartRcvDriveData, 0xD0, 0xB0));
  EXPECT_TRUE(send(kSmartRcvDriveData, 0xD1, 0xB0));
  EXPECT_TRUE(send(kSmartRcvDriveData, 0x00, 0xEC));
  EXPECT_TRUE(send(kSmartRcvDriveData, 0x00, 0xA1));
  EXPECT_TRUE(send(kSmartSendDriveCommand, 0xD8, 0xB0));
  ASSERT_EQ(seen.size(), 5u);
  // Drive 1's 0xB0 loses its select bit: every Linux disk is its own device.
  EXPECT_EQ(seen[0].device, 0xA0);
  EXPECT_EQ(seen[0].lbaMid, 0x4F);
  EXPECT_EQ(seen[0].lbaHigh, 0xC2);

  // Anything else never reaches the drive: S.M.A.R.T. write log, execute
  // off-line, disable, a sector write, a read sent as a non-data command,
  // an answer buffer too small for header and sector.
  EXPECT_FALSE(send(kSmartSendDriveCommand, 0xD6, 0xB0));
  EXPECT_FALSE(send(kSmartSendDriveCommand, 0xD4, 0xB0));
  EXPECT_FALSE(send(kSmartSendDriveCommand, 0xD9, 0xB0));
  EXPECT_FALSE(send(kSmartSendDriveCommand, 0x00, 0x30));
  EXPECT_FALSE(send(kSmartRcvDriveData, 0x00, 0x30));
  EXPECT_FALSE(send(kSmartSendDriveCommand, 0xD0, 0xB0));
  EXPECT_FALSE(send(kSmartRcvDriveData, 0xD0, 0xB0, 527));
  EXPECT_FALSE(device.DeviceIoControl(0x12345, nullptr, 0, out.data(), 528));
  EXPECT_FALSE(device.DeviceIoControl(kSmartRcvDriveData, out.data(), 31, out.data(), 528));
  EXPECT_EQ(seen.size(), 5u);
}

TEST(SmartDeviceLayer, AnswersAreLaidOutAsTheRecords) {
  std::vector<AtaTaskFile> seen;
  SmartDevice device(MakeAtaDeviceControl(std::make_unique<CountingPort>(&seen), 0x31));
  std::array<uint8_t, 600> out{};
  uint32_t returned = 0;
  const auto request = health::MakeCommandRequest(0xD0, 0xB0, 0, 512);
  ASSERT_TRUE(device.DeviceIoControl(kSmartRcvDriveData, request.bytes.data(), 32, out.data(), 528,
                                     &returned));
  EXPECT_EQ(returned, 528u);
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 16),
            Hex("00 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00"));
  EXPECT_EQ(out[16], 0x11);
  EXPECT_EQ(out[527], 0x11);
  EXPECT_EQ(out[528], 0x00);

  ASSERT_TRUE(device.DeviceIoControl(kSmartGetVersion, nullptr, 0, out.data(), 24, &returned));
  EXPECT_EQ(returned, 24u);
  GetVersionInParams version;
  std::copy(out.begin(), out.begin() + 24, version.bytes.begin());
  EXPECT_EQ(version.DeviceMap(), 0x31);
  EXPECT_EQ(version.Capabilities(), 7u);
}

TEST(SmartDriveCandidates, KernelNamesAndOrder) {
  for (const char* yes : {"sda", "sdaa", "hdb", "sr0", "sr12"})
    EXPECT_TRUE(IsAtaCandidateName(yes)) << yes;
  for (const char* no : {"vda", "sda1", "nvme0n1", "loop0", "sd", "sr", "mmcblk0", "zram0", "hdA"})
    EXPECT_FALSE(IsAtaCandidateName(no)) << no;

  namespace fs = std::filesystem;
  const fs::path root = testing::MakeTempFolder("sysblock");
  for (const char* name : {"sdaa", "sr0", "sdb", "vda", "hda", "sda", "loop0", "nvme0n1"})
    fs::create_directories(root / name);
  std::vector<std::string> names;
  for (const auto& source : ListAtaCandidates(root.string())) names.push_back(source->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"hda", "sda", "sdb", "sdaa", "sr0"}));
}

}  // namespace
}  // namespace tarnwell::platform
