#include "platform/smart_device.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <tuple>

#include "platform/ata_passthrough.h"
#include "platform/smart_ioctl.h"

namespace tarnwell::platform {
namespace {

constexpr uint8_t kDeviceSelectBit = 0x10;  // master/slave in the drive/head register

AtaTaskFile TaskFileOf(const SendCmdInParams& request) {
  AtaTaskFile regs;
  regs.features = request.bytes[SendCmdInParams::kFeatures];
  regs.sectorCount = request.bytes[SendCmdInParams::kSectorCount];
  regs.lbaLow = request.bytes[SendCmdInParams::kSectorNumber];
  regs.lbaMid = request.bytes[SendCmdInParams::kCylinderLow];
  regs.lbaHigh = request.bytes[SendCmdInParams::kCylinderHigh];
  // Every Linux disk is a device of its own: the master/slave choice was
  // made when the drive number was given to a disk, so the select bit the
  // request derives from the number's parity must not address a second
  // device behind it.
  regs.device = request.bytes[SendCmdInParams::kDriveHead] & ~kDeviceSelectBit;
  regs.command = request.bytes[SendCmdInParams::kCommand];
  return regs;
}

bool IsSmart(const AtaTaskFile& regs, uint8_t features) {
  return regs.command == kAtaSmartCommand && regs.lbaMid == kSmartCylinderLow &&
         regs.lbaHigh == kSmartCylinderHigh && regs.features == features;
}

// Only the requests the system makes get through: identify, the two
// S.M.A.R.T. table reads and switching S.M.A.R.T. on. Nothing that could
// change what a drive stores ever reaches it from here.
bool IsAllowedRead(const AtaTaskFile& regs) {
  return regs.command == kAtaIdentifyDevice || regs.command == kAtaIdentifyPacketDevice ||
         IsSmart(regs, kSmartReadData) || IsSmart(regs, kSmartReadThresholds);
}

bool IsAllowedNonData(const AtaTaskFile& regs) { return IsSmart(regs, kSmartEnableOperations); }

class AtaDeviceControl final : public DeviceControl {
 public:
  AtaDeviceControl(std::unique_ptr<AtaPort> port, uint8_t deviceMap)
      : port_(std::move(port)), deviceMap_(deviceMap) {}

  bool Control(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
               uint32_t outLength, uint32_t* returned) override {
    if (returned) *returned = 0;
    if (code == kSmartGetVersion) return Version(out, outLength, returned);
    if (code != kSmartSendDriveCommand && code != kSmartRcvDriveData) return false;
    // The request is passed one byte short of its record (its one-byte
    // buffer is not part of the command).
    SendCmdInParams request;
    if (!in || inLength < request.bytes.size() - 1 || !out) return false;
    std::memcpy(request.bytes.data(), in, request.bytes.size() - 1);
    const AtaTaskFile regs = TaskFileOf(request);
    SendCmdOutHeader header;
    if (code == kSmartRcvDriveData) {
      if (!IsAllowedRead(regs) || outLength < header.bytes.size() + kAtaSectorBytes) return false;
      std::array<uint8_t, kAtaSectorBytes> data{};
      if (!port_->ReadSector(regs, data)) return false;
      StoreLE32(header.bytes.data(), kAtaSectorBytes);
      std::memcpy(out, header.bytes.data(), header.bytes.size());
      std::memcpy(out + header.bytes.size(), data.data(), data.size());
      if (returned) *returned = static_cast<uint32_t>(header.bytes.size() + data.size());
      return true;
    }
    if (!IsAllowedNonData(regs) || outLength < header.bytes.size()) return false;
    if (!port_->NonData(regs)) return false;
    std::memcpy(out, header.bytes.data(), header.bytes.size());
    if (returned) *returned = static_cast<uint32_t>(header.bytes.size());
    return true;
  }

 private:
  bool Version(uint8_t* out, uint32_t outLength, uint32_t* returned) {
    GetVersionInParams version;
    if (!out || outLength < version.bytes.size()) return false;
    version.bytes[GetVersionInParams::kVersion] = 1;
    version.bytes[GetVersionInParams::kRevision] = 1;
    version.bytes[GetVersionInParams::kDeviceMap] = deviceMap_;
    StoreLE32(version.bytes.data() + GetVersionInParams::kCapabilities,
              kCapAtaIdCommand | kCapAtapiIdCommand | kCapSmartCommand);
    std::memcpy(out, version.bytes.data(), version.bytes.size());
    if (returned) *returned = static_cast<uint32_t>(version.bytes.size());
    return true;
  }

  std::unique_ptr<AtaPort> port_;
  uint8_t deviceMap_;
};

class DeviceNodeSource final : public AtaDriveSource {
 public:
  DeviceNodeSource(std::string name, bool legacyIde) : name_(std::move(name)), legacyIde_(legacyIde) {}
  std::string Name() const override { return name_; }
  std::unique_ptr<AtaPort> Open() const override {
    const std::string path = "/dev/" + name_;
    return legacyIde_ ? OpenHdioAtaPort(path) : OpenSgIoAtaPort(path);
  }

 private:
  std::string name_;
  bool legacyIde_;
};

bool LettersOnly(const std::string& s, size_t from) {
  return from < s.size() && std::all_of(s.begin() + from, s.end(), ::islower);
}
bool DigitsOnly(const std::string& s, size_t from) {
  return from < s.size() && std::all_of(s.begin() + from, s.end(), ::isdigit);
}

// hd* first, then sd*, then sr*; "sdz" before "sdaa".
std::tuple<int, size_t, std::string> CandidateOrder(const std::string& name) {
  const int family = name[0] == 'h' ? 0 : (name[1] == 'd' ? 1 : 2);
  return {family, name.size(), name};
}

// Identify (or, for an ATAPI device, identify packet) as the probe.
enum class Answer { None, Ata, Atapi };
Answer Probe(AtaPort& port) {
  std::array<uint8_t, kAtaSectorBytes> data{};
  AtaTaskFile regs;
  regs.sectorCount = 1;
  regs.lbaLow = 1;
  regs.device = 0xA0;
  regs.command = kAtaIdentifyDevice;
  if (port.ReadSector(regs, data)) return Answer::Ata;
  regs.command = kAtaIdentifyPacketDevice;
  if (port.ReadSector(regs, data)) return Answer::Atapi;
  return Answer::None;
}

}  // namespace

bool SmartDevice::DeviceIoControl(uint32_t code, const uint8_t* in, uint32_t inLength,
                                  uint8_t* out, uint32_t outLength, uint32_t* returned) {
  if (returned) *returned = 0;
  return control_ && control_->Control(code, in, inLength, out, outLength, returned);
}

std::unique_ptr<DeviceControl> MakeAtaDeviceControl(std::unique_ptr<AtaPort> port,
                                                    uint8_t deviceMap) {
  if (!port) return nullptr;
  return std::make_unique<AtaDeviceControl>(std::move(port), deviceMap);
}

bool IsAtaCandidateName(const std::string& name) {
  if (name.rfind("hd", 0) == 0 || name.rfind("sd", 0) == 0) return LettersOnly(name, 2);
  if (name.rfind("sr", 0) == 0) return DigitsOnly(name, 2);
  return false;
}

std::vector<std::shared_ptr<const AtaDriveSource>> ListAtaCandidates(const std::string& sysRoot) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(sysRoot, ec)) {
    const std::string name = entry.path().filename().string();
    if (IsAtaCandidateName(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CandidateOrder(a) < CandidateOrder(b); });
  std::vector<std::shared_ptr<const AtaDriveSource>> sources;
  for (const std::string& name : names)
    sources.push_back(std::make_shared<DeviceNodeSource>(name, name[0] == 'h'));
  return sources;
}

SmartDriveTable& SmartDriveTable::Instance() {
  static SmartDriveTable table;
  return table;
}

void SmartDriveTable::AttachDrive(std::shared_ptr<const AtaDriveSource> source) {
  attached_.push_back(std::move(source));
  built_ = false;
}

void SmartDriveTable::SetProbeDevices(bool probe) {
  probe_ = probe;
  built_ = false;
}

void SmartDriveTable::Reset() {
  attached_.clear();
  drives_.clear();
  packetDevice_.clear();
  probe_ = true;
  built_ = false;
  deviceMap_ = 0;
}

void SmartDriveTable::Build() {
  if (built_) return;
  built_ = true;
  drives_.clear();
  packetDevice_.clear();
  deviceMap_ = 0;
  probeSummary_ = ProbeSummary();
  std::vector<std::shared_ptr<const AtaDriveSource>> candidates = attached_;
  if (probe_) {
    auto devices = ListAtaCandidates();
    probeSummary_.probed = true;
    probeSummary_.candidates = static_cast<int>(devices.size());
    candidates.insert(candidates.end(), devices.begin(), devices.end());
  }
  for (const auto& source : candidates) {
    if (drives_.size() == kMaxDrives) break;
    // Opening the node needs read access, and the pass-through command
    // needs the raw-I/O capability: either refusal leaves errno at EACCES
    // or EPERM, while a disk that is simply not ATA answers with an error
    // status and leaves errno alone.
    errno = 0;
    std::unique_ptr<AtaPort> port = source->Open();
    const Answer answer = port ? Probe(*port) : Answer::None;
    if (answer == Answer::None) {
      if (errno == EACCES || errno == EPERM) ++probeSummary_.denied;
      continue;
    }
    const int n = static_cast<int>(drives_.size());
    if (n < kMappedDrives) {
      deviceMap_ |= static_cast<uint8_t>(1 << n);
      if (answer == Answer::Atapi) deviceMap_ |= static_cast<uint8_t>(1 << (n + 4));
    }
    drives_.push_back(source);
    packetDevice_.push_back(answer == Answer::Atapi);
  }
}

uint8_t SmartDriveTable::DeviceMap() {
  Build();
  return deviceMap_;
}

int SmartDriveTable::DriveCount() {
  Build();
  return static_cast<int>(drives_.size());
}

bool SmartDriveTable::IsPacketDevice(uint8_t drive) {
  Build();
  return drive < packetDevice_.size() && packetDevice_[drive];
}

std::string SmartDriveTable::DriveName(uint8_t drive) {
  Build();
  return drive < drives_.size() ? drives_[drive]->Name() : std::string();
}

SmartDriveTable::ProbeSummary SmartDriveTable::LastProbe() {
  Build();
  return probeSummary_;
}

std::unique_ptr<AtaPort> SmartDriveTable::Open(uint8_t drive) {
  Build();
  if (drive >= drives_.size()) return nullptr;
  return drives_[drive]->Open();
}

SmartDevice OpenSmartDrive(uint8_t drive) {
  SmartDriveTable& table = SmartDriveTable::Instance();
  std::unique_ptr<AtaPort> port = table.Open(drive);
  if (!port) return SmartDevice();
  return SmartDevice(MakeAtaDeviceControl(std::move(port), table.DeviceMap()));
}

}  // namespace tarnwell::platform
