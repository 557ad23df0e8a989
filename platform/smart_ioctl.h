#pragma once
// The disk-control requests through which identify and S.M.A.R.T. data are
// asked of an ATA drive, and the byte layouts of their request and answer
// records (the published Win32 layouts SENDCMDINPARAMS, SENDCMDOUTPARAMS and
// GETVERSIONINPARAMS). Callers build these bytes as the system always has;
// SmartDevice answers them from a Linux disk or a recorded drive. Records
// are byte arrays read through little-endian accessors, never cast.
#include <array>
#include <cstddef>
#include <cstdint>

#include "common/little_endian.h"

namespace tarnwell::platform {

// Control codes.
inline constexpr uint32_t kSmartGetVersion = 0x74080;
inline constexpr uint32_t kSmartSendDriveCommand = 0x7C084;
inline constexpr uint32_t kSmartRcvDriveData = 0x7C088;

// ATA register values of the requests the system makes.
inline constexpr uint8_t kAtaSmartCommand = 0xB0;
inline constexpr uint8_t kAtaIdentifyDevice = 0xEC;
inline constexpr uint8_t kAtaIdentifyPacketDevice = 0xA1;
inline constexpr uint8_t kSmartCylinderLow = 0x4F;
inline constexpr uint8_t kSmartCylinderHigh = 0xC2;
inline constexpr uint8_t kSmartReadData = 0xD0;
inline constexpr uint8_t kSmartReadThresholds = 0xD1;
inline constexpr uint8_t kSmartEnableOperations = 0xD8;

inline constexpr size_t kAtaSectorBytes = 512;

// Command request (SENDCMDINPARAMS), 33 bytes:
//   0 u32 buffer size | 4 features | 5 sector count | 6 sector number |
//   7 cylinder low | 8 cylinder high | 9 drive/head | 10 command |
//   11 reserved | 12 drive number | 13..31 reserved | 32 first buffer byte
struct SendCmdInParams {
  static constexpr size_t kFeatures = 4, kSectorCount = 5, kSectorNumber = 6, kCylinderLow = 7,
                          kCylinderHigh = 8, kDriveHead = 9, kCommand = 10, kDriveNumber = 12;
  std::array<uint8_t, 33> bytes{};

  uint32_t BufferSize() const { return LoadLE32(bytes.data()); }
  void SetBufferSize(uint32_t v) { StoreLE32(bytes.data(), v); }
};
static_assert(sizeof(SendCmdInParams) == 33);

// Result header of an answer (SENDCMDOUTPARAMS up to its buffer), 16 bytes:
//   0 u32 buffer size | 4 driver error | 5 IDE error | 6..7 reserved |
//   8..15 two reserved u32. The 512 data bytes follow at offset 16.
struct SendCmdOutHeader {
  static constexpr size_t kDriverError = 4, kIdeError = 5;
  std::array<uint8_t, 16> bytes{};

  uint32_t BufferSize() const { return LoadLE32(bytes.data()); }
  uint8_t DriverError() const { return bytes[kDriverError]; }
  uint8_t IdeError() const { return bytes[kIdeError]; }
};
static_assert(sizeof(SendCmdOutHeader) == 16);

// Answer of the version request (GETVERSIONINPARAMS), 24 bytes:
//   0 version | 1 revision | 2 reserved | 3 IDE device map |
//   4 u32 capabilities | 8..23 four reserved u32.
// Bit n of the device map: IDE device n is present; bit n+4: it is ATAPI.
struct GetVersionInParams {
  static constexpr size_t kVersion = 0, kRevision = 1, kDeviceMap = 3, kCapabilities = 4;
  std::array<uint8_t, 24> bytes{};

  uint8_t DeviceMap() const { return bytes[kDeviceMap]; }
  uint32_t Capabilities() const { return LoadLE32(bytes.data() + kCapabilities); }
};
static_assert(sizeof(GetVersionInParams) == 24);

// Capability bits of the version answer.
inline constexpr uint32_t kCapAtaIdCommand = 1, kCapAtapiIdCommand = 2, kCapSmartCommand = 4;

}  // namespace tarnwell::platform
