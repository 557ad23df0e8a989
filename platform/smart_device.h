#pragma once
// The handle on which the S.M.A.R.T. disk-control requests are made, and the
// table that gives drive numbers to ATA drives. On Linux the requests
// are answered here: their register values become an ATA command for the
// drive, and the answer is laid out as the request records describe
// (platform/smart_ioctl.h), so nothing above knows which platform it runs on.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ata_port.h"

namespace tarnwell::platform {

// What a handle does with a request; the ATA translation below, or a test
// double that records what was asked.
class DeviceControl {
 public:
  virtual ~DeviceControl() = default;
  // As DeviceIoControl: the request bytes in, the answer into out. True on
  // success, with the answer's length in *returned.
  virtual bool Control(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
                       uint32_t outLength, uint32_t* returned) = 0;
};

// An open S.M.A.R.T. handle; closed when it goes out of scope. A
// default-constructed handle is the invalid handle.
class SmartDevice {
 public:
  SmartDevice() = default;
  explicit SmartDevice(std::unique_ptr<DeviceControl> control) : control_(std::move(control)) {}

  bool IsValid() const { return control_ != nullptr; }
  void Close() { control_.reset(); }
  bool DeviceIoControl(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
                       uint32_t outLength, uint32_t* returned = nullptr);

 private:
  std::unique_ptr<DeviceControl> control_;
};

// Answers the requests with ATA commands on one drive. deviceMap is the IDE
// device map the version request reports.
std::unique_ptr<DeviceControl> MakeAtaDeviceControl(std::unique_ptr<AtaPort> port,
                                                    uint8_t deviceMap);

// Drive numbers from 0: drives attached by the program (recorded drives)
// come first, then the machine's disks that answer identify through ATA
// pass-through, in kernel-name order (hd*, then sd*, then the ATAPI sr*).
// Every drive that answers gets a number, as many as the one-byte drive
// number holds. The IDE device map has room for the first four only: drive
// n < 4 sets bit n, and bit n+4 when it answered only the packet-device
// identify; IsPacketDevice says it for every drive.
class SmartDriveTable {
 public:
  static constexpr int kMaxDrives = 255;
  static constexpr int kMappedDrives = 4;

  // What the last look at the machine's disks found, so that a window
  // with no drive to show can say why.
  struct ProbeSummary {
    bool probed = false; // the machine's disks were asked at all
    int candidates = 0;  // disks whose kernel name ATA commands may reach
    int denied = 0;      // of those, refused for want of permission
  };
  static SmartDriveTable& Instance();

  void AttachDrive(std::shared_ptr<const AtaDriveSource> source);
  // Whether the machine's disks are asked at all (off for recorded runs).
  void SetProbeDevices(bool probe);
  // Forgets attached drives and what was found; probing is on again.
  void Reset();
  // Asks the drives again on the next use (a drive-list refresh).
  void Refresh() { built_ = false; }

  uint8_t DeviceMap();
  int DriveCount();
  // The drive answered only identify packet device (a CD or DVD drive).
  bool IsPacketDevice(uint8_t drive);
  std::string DriveName(uint8_t drive);
  ProbeSummary LastProbe();
  // Opens drive n; null when there is no such drive or it cannot be opened.
  std::unique_ptr<AtaPort> Open(uint8_t drive);

 private:
  void Build();

  std::vector<std::shared_ptr<const AtaDriveSource>> attached_;
  std::vector<std::shared_ptr<const AtaDriveSource>> drives_;
  std::vector<bool> packetDevice_;  // per entry of drives_
  bool probe_ = true;
  bool built_ = false;
  uint8_t deviceMap_ = 0;
  ProbeSummary probeSummary_;
};

// Opens the handle of drive n from the table; invalid when there is none.
SmartDevice OpenSmartDrive(uint8_t drive);

// The whole disks of /sys/block that might be ATA drives, in the order
// drive numbers are given.
std::vector<std::shared_ptr<const AtaDriveSource>> ListAtaCandidates(
    const std::string& sysRoot = "/sys/block");

// True for "hda", "sdb", "sr0": the kernel names ATA commands may reach.
bool IsAtaCandidateName(const std::string& kernelName);

}  // namespace tarnwell::platform
