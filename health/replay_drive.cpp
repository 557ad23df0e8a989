#include "health/replay_drive.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>

#include "platform/smart_device.h"
#include "platform/smart_ioctl.h"
#include "platform/unique_fd.h"

namespace tarnwell::health {
namespace {

constexpr std::string_view kMagic = "tarnwell-smart-replay 1";
// A recording is a few kilobytes of text; anything far larger is not one.
constexpr size_t kMaxFileBytes = 1 << 20;

using Sector = ReplayRecording::Sector;

struct SectionName {
  std::string_view name;
  std::optional<Sector> ReplayRecording::*sector;
};
constexpr SectionName kSections[] = {
    {"identify", &ReplayRecording::identify},
    {"identify-packet", &ReplayRecording::identifyPacket},
    {"attributes", &ReplayRecording::attributes},
    {"thresholds", &ReplayRecording::thresholds},
};
constexpr std::string_view kEnableFails = "enable-fails";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view Strip(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

class Parser {
 public:
  std::optional<ReplayRecording> Run(std::string_view text, std::string* error) {
    size_t lineNumber = 0;
    bool sawMagic = false;
    while (!text.empty()) {
      const size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
      ++lineNumber;
      if (const size_t hash = line.find('#'); hash != std::string_view::npos)
        line = line.substr(0, hash);
      line = Strip(line);
      if (line.empty()) continue;
      std::string problem;
      if (!sawMagic) {
        sawMagic = line == kMagic;
        if (!sawMagic) problem = "not a recording (first line must be \"" + std::string(kMagic) + "\")";
      } else if (line.front() == '[') {
        problem = Section(line);
      } else {
        problem = Bytes(line);
      }
      if (!problem.empty()) {
        if (error) *error = "line " + std::to_string(lineNumber) + ": " + problem;
        return std::nullopt;
      }
    }
    if (!sawMagic) {
      if (error) *error = "empty recording";
      return std::nullopt;
    }
    return recording_;
  }

 private:
  std::string Section(std::string_view line) {
    if (line.back() != ']') return "unterminated section name";
    const std::string_view name = Strip(line.substr(1, line.size() - 2));
    current_ = nullptr;
    if (name == kEnableFails) {
      if (recording_.enableFails) return "section [" + std::string(name) + "] given twice";
      recording_.enableFails = true;
      return {};
    }
    for (const SectionName& section : kSections) {
      if (section.name != name) continue;
      std::optional<Sector>& sector = recording_.*section.sector;
      if (sector) return "section [" + std::string(name) + "] given twice";
      sector.emplace();
      sector->fill(0);
      current_ = &*sector;
      position_ = 0;
      return {};
    }
    return "unknown section [" + std::string(name) + "]";
  }

  // "OFFSET: xx xx ..." or "xx xx ...": hex offset into the sector, then
  // bytes as pairs of hex digits (several pairs may run together).
  std::string Bytes(std::string_view line) {
    if (!current_) return "bytes outside a sector section";
    if (const size_t colon = line.find(':'); colon != std::string_view::npos) {
      const std::string_view offset = Strip(line.substr(0, colon));
      size_t value = 0;
      if (offset.empty() || offset.size() > 4) return "bad offset";
      for (char c : offset) {
        if (HexDigit(c) < 0) return "bad offset";
        value = value * 16 + static_cast<size_t>(HexDigit(c));
      }
      if (value > current_->size()) return "offset past the 512-byte sector";
      position_ = value;
      line = line.substr(colon + 1);
    }
    size_t i = 0;
    while (i < line.size()) {
      if (line[i] == ' ' || line[i] == '\t') {
        ++i;
        continue;
      }
      if (i + 1 >= line.size() || HexDigit(line[i]) < 0 || HexDigit(line[i + 1]) < 0)
        return "bad hex byte";
      if (position_ >= current_->size()) return "more than 512 bytes in a sector";
      (*current_)[position_++] = static_cast<uint8_t>(HexDigit(line[i]) * 16 + HexDigit(line[i + 1]));
      i += 2;
    }
    return {};
  }

  ReplayRecording recording_;
  Sector* current_ = nullptr;
  size_t position_ = 0;
};

class ReplayPort final : public platform::AtaPort {
 public:
  explicit ReplayPort(std::shared_ptr<const ReplayRecording> recording)
      : recording_(std::move(recording)) {}

  bool NonData(const platform::AtaTaskFile& regs) override {
    return IsSmart(regs) && regs.features == platform::kSmartEnableOperations &&
           !recording_->enableFails;
  }

  bool ReadSector(const platform::AtaTaskFile& regs, std::span<uint8_t, 512> data) override {
    const std::optional<Sector>* answer = nullptr;
    if (regs.command == platform::kAtaIdentifyDevice) answer = &recording_->identify;
    if (regs.command == platform::kAtaIdentifyPacketDevice) answer = &recording_->identifyPacket;
    if (IsSmart(regs) && regs.features == platform::kSmartReadData) answer = &recording_->attributes;
    if (IsSmart(regs) && regs.features == platform::kSmartReadThresholds)
      answer = &recording_->thresholds;
    // A drive aborts what it was not recorded answering.
    if (!answer || !answer->has_value()) return false;
    std::memcpy(data.data(), (*answer)->data(), data.size());
    return true;
  }

 private:
  static bool IsSmart(const platform::AtaTaskFile& regs) {
    return regs.command == platform::kAtaSmartCommand && regs.lbaMid == platform::kSmartCylinderLow &&
           regs.lbaHigh == platform::kSmartCylinderHigh;
  }

  std::shared_ptr<const ReplayRecording> recording_;
};

class ReplayDriveSource final : public platform::AtaDriveSource {
 public:
  ReplayDriveSource(std::string name, ReplayRecording recording)
      : name_(std::move(name)), recording_(std::make_shared<const ReplayRecording>(std::move(recording))) {}
  std::string Name() const override { return name_; }
  std::unique_ptr<platform::AtaPort> Open() const override {
    return std::make_unique<ReplayPort>(recording_);
  }

 private:
  std::string name_;
  std::shared_ptr<const ReplayRecording> recording_;
};

}  // namespace

std::optional<ReplayRecording> ParseReplay(std::string_view text, std::string* error) {
  return Parser().Run(text, error);
}

std::shared_ptr<const platform::AtaDriveSource> MakeReplayDrive(std::string name,
                                                                ReplayRecording recording) {
  return std::make_shared<ReplayDriveSource>(std::move(name), std::move(recording));
}

bool AttachReplayFile(const std::string& path, std::string* error) {
  // Opened as images are: an open that would wait (a FIFO) returns at once,
  // and anything but a regular file is refused before it is read.
  platform::UniqueFd fd = platform::UniqueFd::OpenReadOnlyNoWait(path.c_str());
  struct stat st {};
  if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
    if (error) *error = path + ": cannot be opened";
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    if (error) *error = path + ": not a regular file";
    return false;
  }
  std::string text(kMaxFileBytes + 1, '\0');
  size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = ::read(fd.get(), text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (error) *error = path + ": cannot be read";
      return false;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  text.resize(got);
  if (text.size() > kMaxFileBytes) {
    if (error) *error = path + ": too large for a recording";
    return false;
  }
  std::string problem;
  std::optional<ReplayRecording> recording = ParseReplay(text, &problem);
  if (!recording) {
    if (error) *error = path + ": " + problem;
    return false;
  }
  platform::SmartDriveTable::Instance().AttachDrive(MakeReplayDrive(path, std::move(*recording)));
  return true;
}

}  // namespace tarnwell::health
