#pragma once
// A recorded drive: the identify, attribute and threshold sectors a drive
// once answered, kept in a small text file (health/replay_format.md) and
// answered again, so that the whole S.M.A.R.T. path runs without hardware.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ata_port.h"

namespace tarnwell::health {

struct ReplayRecording {
  using Sector = std::array<uint8_t, 512>;
  std::optional<Sector> identify;        // answer to identify device (0xEC)
  std::optional<Sector> identifyPacket;  // answer to identify packet device (0xA1)
  std::optional<Sector> attributes;      // S.M.A.R.T. read data (0xD0)
  std::optional<Sector> thresholds;      // S.M.A.R.T. read thresholds (0xD1)
  bool enableFails = false;              // S.M.A.R.T. cannot be switched on
};

// Reads a recording; nullopt with a reason ("line 7: ...") when the text
// does not follow the format.
std::optional<ReplayRecording> ParseReplay(std::string_view text, std::string* error = nullptr);

// A drive that answers from a recording.
std::shared_ptr<const platform::AtaDriveSource> MakeReplayDrive(std::string name,
                                                                ReplayRecording recording);

// Reads a recording file and attaches it as the next drive of the
// S.M.A.R.T. drive table. False with a reason when it cannot.
bool AttachReplayFile(const std::string& path, std::string* error = nullptr);

}  // namespace tarnwell::health
