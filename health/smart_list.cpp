#include "health/smart_list.h"

#include "health/smart.h"
#include "platform/smart_device.h"
#include "platform/text_codec.h"

namespace tarnwell::health {

std::vector<TDriveIdentity> ListSmartDrives() {
  // A new list asks the machine again: drives come and go.
  platform::SmartDriveTable::Instance().Refresh();
  std::vector<TDriveIdentity> drives;
  const int count = platform::SmartDriveTable::Instance().DriveCount();
  for (int number = 0; number < count; ++number) {
    const auto drive = static_cast<uint8_t>(number);
    SmartHandle handle = OpenSmartDevice(drive);
    if (!handle.IsValid()) continue;
    TDriveIdentity identity;
    if (!IdentifyDrive(handle, identity, drive)) continue;
    SwapWordBytes(identity.bytes.data() + TDriveIdentity::kModel, TDriveIdentity::kModelLength);
    SwapWordBytes(identity.bytes.data() + TDriveIdentity::kSerial, TDriveIdentity::kSerialLength);
    SwapWordBytes(identity.bytes.data() + TDriveIdentity::kFirmware,
                  TDriveIdentity::kFirmwareLength);
    identity.SetDriveNumber(drive);
    drives.push_back(identity);
  }
  return drives;
}

int FillSmartList(uint8_t drive, std::vector<TSmartRow>& rows, engine::MessageBoxes& boxes) {
  SmartHandle handle = OpenSmartDevice(drive);
  if (!handle.IsValid()) return kVerdictNoData;
  rows.clear();
  if (platform::SmartDriveTable::Instance().IsPacketDevice(drive)) {
    boxes.Error(platform::SystemText("读取属性错误。"));
    return kVerdictNoData;
  }
  if (!EnableSmart(handle, drive)) return kVerdictNoData;
  TSmartData attributes, thresholds;
  if (!ReadSmartAttributes(handle, attributes, drive)) {
    boxes.Error(platform::SystemText("读取属性错误。"));
    return kVerdictNoData;
  }
  if (!ReadSmartThresholds(handle, thresholds, drive)) {
    boxes.Error(platform::SystemText("读取阈值错误。"));
    return kVerdictNoData;
  }
  int verdict = kVerdictNoData;
  rows = BuildSmartRows(attributes, thresholds, &verdict);
  return verdict;
}

}  // namespace tarnwell::health
