#pragma once
// Carved files written out: one folder per extension in the destination
// (made new on first use, never an existing one or a link), damaged files
// in a "damaged" folder inside it, each file named f<first sector>.<ext>
// (at least seven digits: f0001234.jpg). The bytes are copied from the
// source, both pieces of a joined file in turn, up to the length that
// validated and no further; a picture's EXIF date becomes its time.
#include <map>
#include <optional>
#include <string>

#include "engine/recovery/output_file.h"
#include "engine/recovery/output_path.h"
#include "engine/window_interfaces.h"
#include "physical/carve/carved_file.h"

namespace tarnwell::disk {
class SectorSource;
}

namespace tarnwell::physical::carve {

// "f0001234.jpg".
std::string CarvedFileName(const CarvedFile& file);

class CarvedFileWriter {
 public:
  CarvedFileWriter(disk::SectorSource& source, const engine::OutputFolder& destination)
      : source_(source), destination_(destination) {}

  struct Outcome {
    bool written = false;
    bool stopped = false;  // the stop flag cut the copy short
    uint64_t bytes = 0;    // copied into the file
    std::string path;   // UTF-8, of the file made (also when cut short)
    std::string error;  // why not, or why it is short
  };
  // A flag tested after every read of a copy (1 MiB): when it is set, the
  // copy ends there, the file is left as far as it got, and the outcome
  // says it was stopped. A large video is not copied to its end first.
  void SetStopFlag(const bool* stop) { stop_ = stop; }
  // progress gets the share of the file copied (0-100).
  Outcome Write(const CarvedFile& file, engine::ProgressBar& progress, engine::MessagePump& pump);
  // The same copy straight into the destination under `name` (or the next
  // free name), without the type folders: a preview's scratch copy.
  Outcome WriteNamed(const CarvedFile& file, const std::string& name, engine::ProgressBar& progress,
                     engine::MessagePump& pump);

 private:
  const engine::OutputFolder* FolderFor(const CarvedFile& file, std::string& error);
  Outcome WriteInto(const engine::OutputFolder& folder, const std::string& name, const CarvedFile& file,
                    engine::ProgressBar& progress, engine::MessagePump& pump);
  bool Copy(engine::OutputFile& out, uint64_t sector, uint64_t bytes, uint64_t& done, uint64_t total,
            engine::ProgressBar& progress, engine::MessagePump& pump);

  disk::SectorSource& source_;
  const engine::OutputFolder& destination_;
  std::map<std::string, engine::OutputFolder> folders_;
  const bool* stop_ = nullptr;
};

}  // namespace tarnwell::physical::carve
