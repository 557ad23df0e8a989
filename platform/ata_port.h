#pragma once
// One ATA drive as the S.M.A.R.T. requests see it: a task file goes in,
// nothing or one 512-byte sector comes back. A device node (SG_IO or the
// legacy IDE ioctl) and a recorded drive both stand behind this.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tarnwell::platform {

// The ATA registers of a command (28-bit form; the system never needs more).
struct AtaTaskFile {
  uint8_t features = 0;
  uint8_t sectorCount = 0;
  uint8_t lbaLow = 0;   // sector number register
  uint8_t lbaMid = 0;   // cylinder low register
  uint8_t lbaHigh = 0;  // cylinder high register
  uint8_t device = 0;   // drive/head register
  uint8_t command = 0;
};

class AtaPort {
 public:
  virtual ~AtaPort() = default;
  // A command that moves no data. True when the drive completed it
  // without an error.
  virtual bool NonData(const AtaTaskFile& regs) = 0;
  // A command that returns one sector (identify, S.M.A.R.T. reads). True
  // when the drive completed it and the whole sector arrived in data.
  virtual bool ReadSector(const AtaTaskFile& regs, std::span<uint8_t, 512> data) = 0;
};

// A drive that can be opened for the length of one request sequence.
class AtaDriveSource {
 public:
  virtual ~AtaDriveSource() = default;
  virtual std::string Name() const = 0;
  // Null when the drive cannot be opened (gone, no permission).
  virtual std::unique_ptr<AtaPort> Open() const = 0;
};

}  // namespace tarnwell::platform
