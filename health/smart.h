#pragma once
// The S.M.A.R.T. requests of one drive: open its handle, switch S.M.A.R.T.
// on, read the attribute and threshold tables, read the identify data.
// Every request zeroes its buffers, and a failed one leaves the caller's
// record as it was.
#include <cstdint>

#include "health/smart_records.h"
#include "platform/smart_device.h"
#include "platform/smart_ioctl.h"

namespace tarnwell::health {

using SmartHandle = platform::SmartDevice;

// Lengths the requests are made with: the 33-byte command record is passed
// as 32 bytes; the answer is asked as 528 bytes into a 600-byte buffer.
inline constexpr uint32_t kRequestLength = 32;
inline constexpr uint32_t kAnswerLength = 528;
inline constexpr size_t kAnswerBufferSize = 600;
inline constexpr uint32_t kVersionAnswerLength = 24;

// The command record for drive 0..3: drive number in its field, and in the
// drive/head register 0xA0 for an even number, 0xB0 for an odd one.
// S.M.A.R.T. commands (0xB0) carry 0x4F/0xC2 in the cylinder registers.
platform::SendCmdInParams MakeCommandRequest(uint8_t features, uint8_t command, uint8_t drive,
                                             uint32_t bufferSize);

// The handle of a drive of the table; invalid (and silent) when it cannot be opened.
SmartHandle OpenSmartDevice(uint8_t drive);
bool EnableSmart(SmartHandle& handle, uint8_t drive);
bool ReadSmartAttributes(SmartHandle& handle, TSmartData& data, uint8_t drive);
bool ReadSmartThresholds(SmartHandle& handle, TSmartData& data, uint8_t drive);
// Identify device (0xEC), or identify packet device (0xA1) when the device
// map (past drive 3, the drive table) marks the drive ATAPI. Fails without identifying when the version
// request fails.
bool IdentifyDrive(SmartHandle& handle, TDriveIdentity& identity, uint8_t drive);

// Puts the characters of an ATA string into reading order: exchanges the
// two bytes of every 16-bit word below count.
void SwapWordBytes(uint8_t* buffer, uint16_t count);

}  // namespace tarnwell::health
