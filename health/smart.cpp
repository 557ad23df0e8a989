#include "health/smart.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace tarnwell::health {
namespace {

using platform::SendCmdInParams;

// Sends a command record and copies the first keep bytes of the answer
// into record on success.
bool SendCommand(SmartHandle& handle, uint32_t code, const SendCmdInParams& request,
                 uint8_t* record, size_t keep) {
  std::array<uint8_t, kAnswerBufferSize> answer{};
  if (!handle.DeviceIoControl(code, request.bytes.data(), kRequestLength, answer.data(),
                              kAnswerLength))
    return false;
  if (record) std::memcpy(record, answer.data(), keep);
  return true;
}

bool ReadSmartTable(SmartHandle& handle, TSmartData& data, uint8_t drive, uint8_t features) {
  const SendCmdInParams request =
      MakeCommandRequest(features, platform::kAtaSmartCommand, drive, platform::kAtaSectorBytes);
  return SendCommand(handle, platform::kSmartRcvDriveData, request, data.bytes.data(),
                     data.bytes.size());
}

}  // namespace

SendCmdInParams MakeCommandRequest(uint8_t features, uint8_t command, uint8_t drive,
                                   uint32_t bufferSize) {
  SendCmdInParams request;  // zeroed whole, reserved fields included
  request.SetBufferSize(bufferSize);
  const bool smart = command == platform::kAtaSmartCommand;
  request.bytes[SendCmdInParams::kFeatures] = features;
  request.bytes[SendCmdInParams::kSectorCount] = 1;
  request.bytes[SendCmdInParams::kSectorNumber] = 1;
  request.bytes[SendCmdInParams::kCylinderLow] = smart ? platform::kSmartCylinderLow : 0;
  request.bytes[SendCmdInParams::kCylinderHigh] = smart ? platform::kSmartCylinderHigh : 0;
  request.bytes[SendCmdInParams::kDriveHead] = static_cast<uint8_t>(0xA0 | ((drive & 1) << 4));
  request.bytes[SendCmdInParams::kCommand] = command;
  request.bytes[SendCmdInParams::kDriveNumber] = drive;
  return request;
}

SmartHandle OpenSmartDevice(uint8_t drive) { return platform::OpenSmartDrive(drive); }

bool EnableSmart(SmartHandle& handle, uint8_t drive) {
  const SendCmdInParams request =
      MakeCommandRequest(platform::kSmartEnableOperations, platform::kAtaSmartCommand, drive, 0);
  return SendCommand(handle, platform::kSmartSendDriveCommand, request, nullptr, 0);
}

bool ReadSmartAttributes(SmartHandle& handle, TSmartData& data, uint8_t drive) {
  return ReadSmartTable(handle, data, drive, platform::kSmartReadData);
}

bool ReadSmartThresholds(SmartHandle& handle, TSmartData& data, uint8_t drive) {
  return ReadSmartTable(handle, data, drive, platform::kSmartReadThresholds);
}

bool IdentifyDrive(SmartHandle& handle, TDriveIdentity& identity, uint8_t drive) {
  platform::GetVersionInParams version;
  if (!handle.DeviceIoControl(platform::kSmartGetVersion, nullptr, 0, version.bytes.data(),
                              kVersionAnswerLength))
    return false;
  // The device map has bits for the first four drives only; the table
  // knows the kind of every later one.
  const bool atapi = drive < platform::SmartDriveTable::kMappedDrives
                         ? (version.DeviceMap() >> (drive + 4)) & 1
                         : platform::SmartDriveTable::Instance().IsPacketDevice(drive);
  const uint8_t command =
      atapi ? platform::kAtaIdentifyPacketDevice : platform::kAtaIdentifyDevice;
  const SendCmdInParams request = MakeCommandRequest(0, command, drive, platform::kAtaSectorBytes);
  return SendCommand(handle, platform::kSmartRcvDriveData, request, identity.bytes.data(),
                     identity.bytes.size());
}

void SwapWordBytes(uint8_t* buffer, uint16_t count) {
  // An odd count leaves its last byte alone rather than reach past it.
  for (size_t i = 0; i + 1 < count; i += 2) std::swap(buffer[i], buffer[i + 1]);
}

}  // namespace tarnwell::health
