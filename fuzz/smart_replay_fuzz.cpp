// Any bytes as a recorded drive, and as the attribute and threshold tables:
// parsing, the whole request path and the row texts must survive them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "engine/window_interfaces.h"
#include "health/replay_drive.h"
#include "health/smart_list.h"
#include "health/smart_rows.h"
#include "platform/smart_device.h"

namespace {

class SilentBoxes final : public tarnwell::engine::MessageBoxes {
 public:
  void Error(const std::string&) override {}
  void Warning(const std::string&) override {}
  void Information(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarnwell;
  auto& table = platform::SmartDriveTable::Instance();
  table.Reset();
  table.SetProbeDevices(false);  // never a real disk
  auto recording = health::ParseReplay(std::string_view(reinterpret_cast<const char*>(data), size));
  if (recording) {
    table.AttachDrive(health::MakeReplayDrive("fuzz", *recording));
    SilentBoxes boxes;
    for (const auto& identity : health::ListSmartDrives()) {
      std::vector<health::TSmartRow> rows;
      health::FillSmartList(identity.DriveNumber(), rows, boxes);
    }
  }
  health::TSmartData attributes, thresholds;
  std::memcpy(attributes.bytes.data(), data, std::min(size, attributes.bytes.size()));
  if (size > attributes.bytes.size())
    std::memcpy(thresholds.bytes.data(), data + attributes.bytes.size(),
                std::min(size - attributes.bytes.size(), thresholds.bytes.size()));
  int verdict = 0;
  health::BuildSmartRows(attributes, thresholds, &verdict);
  return 0;
}
