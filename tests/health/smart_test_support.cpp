#include "tests/health/smart_test_support.h"

#include "platform/smart_device.h"

namespace tarnwell::testing {
namespace {

void PutAtaString(Sector& s, size_t offset, const std::string& text, size_t length) {
  std::string padded = text;
  padded.resize(length, ' ');
  for (size_t i = 0; i < length; i += 2) {
    s[offset + i] = static_cast<uint8_t>(padded[i + 1]);
    s[offset + i + 1] = static_cast<uint8_t>(padded[i]);
  }
}

}  // namespace

Sector IdentifySector(const std::string& model, const std::string& serial,
                      const std::string& firmware, uint32_t sectors) {
  Sector s{};
  PutAtaString(s, 20, serial, 20);
  PutAtaString(s, 46, firmware, 8);
  PutAtaString(s, 54, model, 40);
  for (int i = 0; i < 4; ++i) s[120 + i] = static_cast<uint8_t>(sectors >> (8 * i));
  return s;
}

Sector AttributeSector(const std::vector<CraftedAttribute>& attributes) {
  Sector s{};
  s[0] = 0x10;
  for (const auto& a : attributes) {
    const size_t at = 2 + 12 * static_cast<size_t>(a.slot);
    s[at] = a.id;
    s[at + 1] = 0x33;
    s[at + 3] = a.value;
    s[at + 4] = a.worst;
    for (size_t i = 0; i < a.raw.size() && i < 6; ++i) s[at + 5 + i] = a.raw[i];
  }
  return s;
}

Sector ThresholdSector(const std::vector<CraftedAttribute>& attributes) {
  Sector s{};
  s[0] = 0x10;
  for (const auto& a : attributes) {
    const size_t at = 2 + 12 * static_cast<size_t>(a.slot);
    s[at] = a.id;
    s[at + 1] = a.threshold;
  }
  return s;
}

health::ReplayRecording Recording(const std::vector<CraftedAttribute>& attributes,
                                  const std::string& model) {
  health::ReplayRecording r;
  r.identify = IdentifySector(model, "SERIAL", "FW1", 2097152);
  r.attributes = AttributeSector(attributes);
  r.thresholds = ThresholdSector(attributes);
  return r;
}

ScopedSmartDrives::ScopedSmartDrives() {
  platform::SmartDriveTable::Instance().Reset();
  platform::SmartDriveTable::Instance().SetProbeDevices(false);
}

ScopedSmartDrives::~ScopedSmartDrives() {
  platform::SmartDriveTable::Instance().Reset();
  platform::SmartDriveTable::Instance().SetProbeDevices(false);
}

void ScopedSmartDrives::Attach(health::ReplayRecording recording, const std::string& name) {
  platform::SmartDriveTable::Instance().AttachDrive(health::MakeReplayDrive(name, std::move(recording)));
}

}  // namespace tarnwell::testing
