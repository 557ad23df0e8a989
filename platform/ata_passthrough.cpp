#include "platform/ata_passthrough.h"

#include <fcntl.h>
#include <linux/hdreg.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cstring>

#include "platform/unique_fd.h"

namespace tarnwell::platform {
namespace {

// SAT protocol field values and flag bits of CDB byte 2.
constexpr uint8_t kProtocolNonData = 3;
constexpr uint8_t kProtocolPioDataIn = 4;
constexpr uint8_t kTransferDirIn = 0x08;     // T_DIR: from the device
constexpr uint8_t kByteBlockUnits = 0x04;    // BYT_BLOK: length counts blocks
constexpr uint8_t kLengthInSectorCount = 2;  // T_LENGTH: in the count field

constexpr uint8_t kScsiGood = 0x00;
constexpr uint8_t kScsiCheckCondition = 0x02;
constexpr uint8_t kSenseNoSense = 0x0;
constexpr uint8_t kSenseRecoveredError = 0x1;
constexpr uint8_t kAtaStatusError = 0x01;
constexpr uint8_t kAtaStatusDeviceFault = 0x20;
constexpr uint16_t kDriverSenseFlag = 0x08;  // "sense data present", not an error

constexpr unsigned kTimeoutMs = 20000;

// Opened read-only like every disk the system touches; non-blocking so
// that an ATAPI drive without a medium still opens and answers.
UniqueFd OpenDeviceNode(const std::string& path) {
  return UniqueFd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
}

// The ATA status byte carried back in the sense data, when there is one.
// Descriptor format (0x72/0x73): the ATA Status Return descriptor 0x09
// holds status at its byte 13. Fixed format (0x70/0x71): byte 4.
bool FindAtaStatus(std::span<const uint8_t> sense, uint8_t* status) {
  if (sense.size() < 8) return false;
  const uint8_t code = sense[0] & 0x7F;
  if (code == 0x72 || code == 0x73) {
    size_t end = std::min(sense.size(), size_t{8} + sense[7]);
    for (size_t at = 8; at + 2 <= end;) {
      const size_t length = size_t{2} + sense[at + 1];
      if (sense[at] == 0x09 && at + 14 <= end) {
        *status = sense[at + 13];
        return true;
      }
      at += length;
    }
    return false;
  }
  if (code == 0x70 || code == 0x71) {
    *status = sense[4];
    return true;
  }
  return false;
}

bool SenseKeyAndCode(std::span<const uint8_t> sense, uint8_t* key, uint8_t* asc, uint8_t* ascq) {
  if (sense.empty()) return false;
  const uint8_t code = sense[0] & 0x7F;
  if ((code == 0x72 || code == 0x73) && sense.size() >= 4) {
    *key = sense[1] & 0x0F, *asc = sense[2], *ascq = sense[3];
    return true;
  }
  if ((code == 0x70 || code == 0x71) && sense.size() >= 14) {
    *key = sense[2] & 0x0F, *asc = sense[12], *ascq = sense[13];
    return true;
  }
  return false;
}

class SgIoAtaPort final : public AtaPort {
 public:
  explicit SgIoAtaPort(UniqueFd fd) : fd_(std::move(fd)) {}

  bool NonData(const AtaTaskFile& regs) override { return Run(regs, {}); }
  bool ReadSector(const AtaTaskFile& regs, std::span<uint8_t, 512> data) override {
    return Run(regs, data);
  }

 private:
  bool Run(const AtaTaskFile& regs, std::span<uint8_t> data) {
    std::array<uint8_t, 16> cdb = BuildAtaPassThrough16(regs, !data.empty());
    std::array<uint8_t, 32> sense{};
    sg_io_hdr_t io;
    std::memset(&io, 0, sizeof io);
    io.interface_id = 'S';
    io.dxfer_direction = data.empty() ? SG_DXFER_NONE : SG_DXFER_FROM_DEV;
    io.cmd_len = static_cast<unsigned char>(cdb.size());
    io.cmdp = cdb.data();
    io.mx_sb_len = static_cast<unsigned char>(sense.size());
    io.sbp = sense.data();
    io.dxfer_len = static_cast<unsigned>(data.size());
    io.dxferp = data.empty() ? nullptr : data.data();
    io.timeout = kTimeoutMs;
    if (::ioctl(fd_.get(), SG_IO, &io) < 0) return false;
    SgIoOutcome outcome;
    outcome.status = io.status;
    outcome.hostStatus = io.host_status;
    outcome.driverStatus = io.driver_status;
    outcome.resid = io.resid;
    outcome.sense = std::span<const uint8_t>(sense.data(), std::min<size_t>(io.sb_len_wr, sense.size()));
    return AtaPassThroughSucceeded(outcome, data.size());
  }

  UniqueFd fd_;
};

class HdioAtaPort final : public AtaPort {
 public:
  explicit HdioAtaPort(UniqueFd fd) : fd_(std::move(fd)) {}

  bool NonData(const AtaTaskFile& regs) override {
    std::array<uint8_t, 4> args = BuildHdioDriveCmdArgs(regs, false);
    return ::ioctl(fd_.get(), HDIO_DRIVE_CMD, args.data()) == 0;
  }
  bool ReadSector(const AtaTaskFile& regs, std::span<uint8_t, 512> data) override {
    // The answer comes back behind the four register bytes.
    std::array<uint8_t, 4 + 512> buffer{};
    const std::array<uint8_t, 4> args = BuildHdioDriveCmdArgs(regs, true);
    std::memcpy(buffer.data(), args.data(), args.size());
    if (::ioctl(fd_.get(), HDIO_DRIVE_CMD, buffer.data()) != 0) return false;
    std::memcpy(data.data(), buffer.data() + 4, data.size());
    return true;
  }

 private:
  UniqueFd fd_;
};

}  // namespace

std::array<uint8_t, 16> BuildAtaPassThrough16(const AtaTaskFile& regs, bool dataIn) {
  std::array<uint8_t, 16> cdb{};
  cdb[0] = kAtaPassThrough16;
  // Byte 1: multiple count 0, protocol, EXTEND 0 (28-bit command).
  cdb[1] = static_cast<uint8_t>((dataIn ? kProtocolPioDataIn : kProtocolNonData) << 1);
  // Byte 2: no CK_COND; data-in moves sector-count blocks of 512 bytes.
  cdb[2] = dataIn ? (kTransferDirIn | kByteBlockUnits | kLengthInSectorCount) : 0;
  // The high bytes (3, 5, 7, 9, 11) stay zero in a 28-bit command.
  cdb[4] = regs.features;
  cdb[6] = regs.sectorCount;
  cdb[8] = regs.lbaLow;
  cdb[10] = regs.lbaMid;
  cdb[12] = regs.lbaHigh;
  cdb[13] = regs.device;
  cdb[14] = regs.command;
  return cdb;
}

bool AtaPassThroughSucceeded(const SgIoOutcome& outcome, size_t expectedBytes) {
  if (outcome.hostStatus != 0) return false;
  if ((outcome.driverStatus & ~kDriverSenseFlag) != 0) return false;
  if (outcome.status == kScsiCheckCondition) {
    // Without CK_COND a check condition is an error, except where a
    // translator reports "ATA pass-through information available"
    // (00/1D) under no-sense or recovered-error: then the ATA status
    // it returns decides.
    uint8_t key = 0, asc = 0, ascq = 0, ataStatus = 0;
    if (!SenseKeyAndCode(outcome.sense, &key, &asc, &ascq)) return false;
    if ((key != kSenseNoSense && key != kSenseRecoveredError) || asc != 0x00 || ascq != 0x1D)
      return false;
    if (FindAtaStatus(outcome.sense, &ataStatus) &&
        (ataStatus & (kAtaStatusError | kAtaStatusDeviceFault)) != 0)
      return false;
  } else if (outcome.status != kScsiGood) {
    return false;
  }
  // A data-in command that delivered nothing did not really answer.
  if (expectedBytes > 0 && (outcome.resid < 0 || static_cast<size_t>(outcome.resid) >= expectedBytes))
    return false;
  return true;
}

std::array<uint8_t, 4> BuildHdioDriveCmdArgs(const AtaTaskFile& regs, bool dataIn) {
  // args: command, then for S.M.A.R.T. the sector number register and for
  // every other command the sector count; features; sectors to return.
  const bool smart = regs.command == 0xB0;
  return {regs.command, smart ? regs.lbaLow : regs.sectorCount, regs.features,
          static_cast<uint8_t>(dataIn ? 1 : 0)};
}

std::unique_ptr<AtaPort> OpenSgIoAtaPort(const std::string& devicePath) {
  UniqueFd fd = OpenDeviceNode(devicePath);
  if (!fd.valid()) return nullptr;
  return std::make_unique<SgIoAtaPort>(std::move(fd));
}

std::unique_ptr<AtaPort> OpenHdioAtaPort(const std::string& devicePath) {
  UniqueFd fd = OpenDeviceNode(devicePath);
  if (!fd.valid()) return nullptr;
  return std::make_unique<HdioAtaPort>(std::move(fd));
}

}  // namespace tarnwell::platform
