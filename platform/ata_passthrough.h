#pragma once
// ATA commands on Linux disks. SATA and PATA disks driven by libata, and
// disks behind SCSI/ATA translating bridges, are reached with the SCSI
// command ATA PASS-THROUGH (16) through SG_IO; the legacy IDE driver's
// /dev/hd* nodes take HDIO_DRIVE_CMD instead. The CDB and the outcome are
// built and judged by pure functions so that they can be checked without a
// drive.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/ata_port.h"

namespace tarnwell::platform {

inline constexpr uint8_t kAtaPassThrough16 = 0x85;

// The 16-byte CDB of ATA PASS-THROUGH (16) for a 28-bit command: PIO
// data-in of one 512-byte block when dataIn, else non-data.
std::array<uint8_t, 16> BuildAtaPassThrough16(const AtaTaskFile& regs, bool dataIn);

// What SG_IO reported for a pass-through command.
struct SgIoOutcome {
  uint8_t status = 0;         // SCSI status byte
  uint16_t hostStatus = 0;
  uint16_t driverStatus = 0;
  int resid = 0;              // bytes asked for but not transferred
  std::span<const uint8_t> sense;  // the sense bytes actually written
};

// True when the drive completed the command without an ATA error and,
// for a data-in command of expectedBytes, data actually arrived.
bool AtaPassThroughSucceeded(const SgIoOutcome& outcome, size_t expectedBytes);

// The four argument bytes of HDIO_DRIVE_CMD for a command; the kernel fills
// the S.M.A.R.T. cylinder registers itself.
std::array<uint8_t, 4> BuildHdioDriveCmdArgs(const AtaTaskFile& regs, bool dataIn);

// Ports on a device node, opened read-only; null when it cannot be opened.
std::unique_ptr<AtaPort> OpenSgIoAtaPort(const std::string& devicePath);
std::unique_ptr<AtaPort> OpenHdioAtaPort(const std::string& devicePath);

}  // namespace tarnwell::platform
