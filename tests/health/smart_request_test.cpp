// The request records byte for byte, and what each operation asks of the
// handle and keeps of the answer.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "health/smart.h"
#include "tests/support/image_builder.h"

namespace tarnwell::health {
namespace {

using testing::Hex;

std::vector<uint8_t> Bytes(const platform::SendCmdInParams& request) {
  return std::vector<uint8_t>(request.bytes.begin(), request.bytes.end());
}

TEST(SmartRequest, RecordsByteForByte) {
  struct Case {
    const char* what;
    platform::SendCmdInParams request;
    const char* bytes;
  };
  const Case cases[] = {
      {"enable, drive 0", MakeCommandRequest(0xD8, 0xB0, 0, 0),
       "00 00 00 00  D8 01 01 4F C2 A0 B0 00  00 000000  00000000 00000000 00000000 00000000  00"},
      {"read data, drive 1", MakeCommandRequest(0xD0, 0xB0, 1, 512),
       "00 02 00 00  D0 01 01 4F C2 B0 B0 00  01 000000  00000000 00000000 00000000 00000000  00"},
      {"read thresholds, drive 2", MakeCommandRequest(0xD1, 0xB0, 2, 512),
       "00 02 00 00  D1 01 01 4F C2 A0 B0 00  02 000000  00000000 00000000 00000000 00000000  00"},
      {"identify, drive 3", MakeCommandRequest(0x00, 0xEC, 3, 512),
       "00 02 00 00  00 01 01 00 00 B0 EC 00  03 000000  00000000 00000000 00000000 00000000  00"},
      {"identify packet, drive 0", MakeCommandRequest(0x00, 0xA1, 0, 512),
       "00 02 00 00  00 01 01 00 00 A0 A1 00  00 000000  00000000 00000000 00000000 00000000  00"},
  };
  for (const Case& c : cases) EXPECT_EQ(Bytes(c.request), Hex(c.bytes)) << c.what;
}

// Stands for a device: records every request and answers from a script.
class ScriptedControl final : public platform::DeviceControl {
 public:
  struct Call {
    uint32_t code, inLength, outLength;
    std::vector<uint8_t> in;
  };
  std::vector<Call>* calls;
  uint8_t deviceMap = 0x0F;
  bool versionFails = false, commandFails = false;

  explicit ScriptedControl(std::vector<Call>* log) : calls(log) {}

  bool Control(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
               uint32_t outLength, uint32_t* returned) override {
    calls->push_back({code, inLength, outLength,
                      in ? std::vector<uint8_t>(in, in + inLength) : std::vector<uint8_t>()});
    if (code == platform::kSmartGetVersion) {
      if (versionFails) return false;
      std::memset(out, 0, outLength);
      out[3] = deviceMap;
      if (returned) *returned = 24;
      return true;
    }
    if (commandFails) return false;
    // Every answer byte numbered, so what is kept can be told apart.
    for (uint32_t i = 0; i < outLength; ++i) out[i] = static_cast<uint8_t>(i * 7 + 1);
    if (returned) *returned = outLength;
    return true;
  }
};

struct Handle {
  std::vector<ScriptedControl::Call> calls;
  ScriptedControl* control = nullptr;
  SmartHandle handle;
  Handle() {
    auto owned = std::make_unique<ScriptedControl>(&calls);
    control = owned.get();
    handle = SmartHandle(std::move(owned));
  }
};

TEST(SmartRequest, EachOperationSendsItsRecordWithLengths32And528) {
  for (uint8_t drive = 0; drive < 4; ++drive) {
    Handle h;
    TSmartData data;
    ASSERT_TRUE(EnableSmart(h.handle, drive));
    ASSERT_TRUE(ReadSmartAttributes(h.handle, data, drive));
    ASSERT_TRUE(ReadSmartThresholds(h.handle, data, drive));
    ASSERT_EQ(h.calls.size(), 3u);
    const uint32_t codes[] = {0x7C084, 0x7C088, 0x7C088};
    const uint8_t features[] = {0xD8, 0xD0, 0xD1};
    for (size_t i = 0; i < 3; ++i) {
      const auto& call = h.calls[i];
      EXPECT_EQ(call.code, codes[i]);
      EXPECT_EQ(call.inLength, 32u);
      EXPECT_EQ(call.outLength, 528u);
      auto expected = Bytes(MakeCommandRequest(features[i], 0xB0, drive, i == 0 ? 0 : 512));
      expected.pop_back();  // the record's last byte is not passed
      EXPECT_EQ(call.in, expected) << "drive " << int(drive) << " request " << i;
      EXPECT_EQ(call.in[9], drive % 2 ? 0xB0 : 0xA0);
      EXPECT_EQ(call.in[12], drive);
    }
  }
}

TEST(SmartRequest, ReadsKeepTheFirst378BytesOfTheAnswer) {
  Handle h;
  TSmartData data;
  ASSERT_TRUE(ReadSmartAttributes(h.handle, data, 0));
  for (size_t i = 0; i < data.bytes.size(); ++i)
    ASSERT_EQ(data.bytes[i], static_cast<uint8_t>(i * 7 + 1)) << i;
}

TEST(SmartRequest, IdentifyChoosesTheCommandFromTheDeviceMap) {
  struct Case {
    uint8_t map, drive, command;
  };
  const Case cases[] = {
      {0x0F, 0, 0xEC}, {0x1F, 0, 0xA1}, {0x1F, 1, 0xEC}, {0x2F, 1, 0xA1},
      {0x80, 3, 0xA1}, {0x40, 3, 0xEC}, {0xF0, 2, 0xA1},
  };
  for (const Case& c : cases) {
    Handle h;
    h.control->deviceMap = c.map;
    TDriveIdentity identity;
    ASSERT_TRUE(IdentifyDrive(h.handle, identity, c.drive));
    ASSERT_EQ(h.calls.size(), 2u);
    EXPECT_EQ(h.calls[0].code, 0x74080u);
    EXPECT_EQ(h.calls[0].inLength, 0u);
    EXPECT_EQ(h.calls[0].outLength, 24u);
    EXPECT_EQ(h.calls[1].code, 0x7C088u);
    EXPECT_EQ(h.calls[1].inLength, 32u);
    EXPECT_EQ(h.calls[1].outLength, 528u);
    auto expected = Bytes(MakeCommandRequest(0, c.command, c.drive, 512));
    expected.pop_back();
    EXPECT_EQ(h.calls[1].in, expected) << "map " << int(c.map) << " drive " << int(c.drive);
    // 272 bytes kept, nothing more.
    EXPECT_EQ(identity.bytes[271], static_cast<uint8_t>(271 * 7 + 1));
  }
}

TEST(SmartRequest, FailuresLeaveTheCallersRecordAlone) {
  Handle h;
  h.control->commandFails = true;
  TSmartData data;
  data.bytes.fill(0x5A);
  EXPECT_FALSE(ReadSmartAttributes(h.handle, data, 0));
  EXPECT_FALSE(ReadSmartThresholds(h.handle, data, 0));
  EXPECT_FALSE(EnableSmart(h.handle, 0));
  for (uint8_t b : data.bytes) ASSERT_EQ(b, 0x5A);

  TDriveIdentity identity;
  identity.bytes.fill(0x33);
  EXPECT_FALSE(IdentifyDrive(h.handle, identity, 0));
  for (uint8_t b : identity.bytes) ASSERT_EQ(b, 0x33);
}

TEST(SmartRequest, IdentifyStopsWhenTheVersionRequestFails) {
  Handle h;
  h.control->versionFails = true;
  TDriveIdentity identity;
  EXPECT_FALSE(IdentifyDrive(h.handle, identity, 0));
  ASSERT_EQ(h.calls.size(), 1u);
  EXPECT_EQ(h.calls[0].code, 0x74080u);
}

TEST(SmartRequest, InvalidHandleFailsEveryRequest) {
  SmartHandle invalid;
  TSmartData data;
  TDriveIdentity identity;
  EXPECT_FALSE(invalid.IsValid());
  EXPECT_FALSE(EnableSmart(invalid, 0));
  EXPECT_FALSE(ReadSmartAttributes(invalid, data, 0));
  EXPECT_FALSE(IdentifyDrive(invalid, identity, 0));
}

TEST(SwapWordBytes, PutsAtaStringsInReadingOrder) {
  uint8_t text[] = {'a', 'B', 'c', 'D'};
  SwapWordBytes(text, 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(text), 4), "BaDc");
  // Only the count given is touched; an odd count leaves its last byte.
  uint8_t longer[] = {'1', '2', '3', '4', '5', '6'};
  SwapWordBytes(longer, 5);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(longer), 6), "214356");
}

}  // namespace
}  // namespace tarnwell::health
