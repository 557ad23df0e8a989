#pragma once
// What every command shares: the attached images, the device table, the
// terminal's window interfaces and the way a VOLUME argument is resolved.
#include <optional>
#include <string>
#include <vector>

#include "cli/terminal_window.h"

namespace tarnwell::cli {

// Exit statuses of the front end.
inline constexpr int kExitOk = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;

struct CliContext {
  std::vector<std::string> images;  // --image, in order
  // --map of each image, "" where none was given.
  std::vector<std::string> imageMaps;
  bool noDevices = false;           // --no-devices: list attached images only
  bool skipFreeClusters = false;    // --skip-free-clusters: no search for lost FAT and exFAT entries

  void AddImage(const std::string& image) {
    images.push_back(image);
    imageMaps.emplace_back();
  }
  // Gives the last image its map; false when there is none, or it has one.
  bool SetImageMap(const std::string& map) {
    if (imageMaps.empty() || !imageMaps.back().empty()) return false;
    imageMaps.back() = map;
    return true;
  }

  TerminalDrawing drawing;  // --quiet silences it
  TerminalStatus status{drawing};
  TerminalProgress progress{drawing};
  TerminalLog log;
  TerminalBoxes boxes;
  TerminalPump pump;

  // Fills the device table: images, then readable block devices. Prints the
  // reason and returns false when an image cannot be attached.
  bool Prepare();

  // A VOLUME argument: "C:" / "c" names a lettered volume; anything else is
  // a path to a volume image or device, attached on the spot (its first
  // volume is taken). Prints the reason and returns nullopt on failure.
  std::optional<char> ResolveVolume(const std::string& argument);

 private:
  // Set by the first Prepare: a failure stays a failure, so that nothing
  // runs on a half-filled device table.
  std::optional<bool> prepared_;
};

// Sets the read-error reporter to print on stderr for the rest of the run.
void RouteReadErrorsTo(TerminalBoxes& boxes);

}  // namespace tarnwell::cli
