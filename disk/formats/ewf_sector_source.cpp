// E01 (EnCase) image sets through libewf: one image in segment files
// NAME.E01, NAME.E02, ... found from the first.
#include <libewf.h>

#include <cctype>
#include <filesystem>
#include <vector>

#include "disk/formats/format_readers.h"
#include "disk/formats/library_error.h"

namespace tarnwell::disk::formats {
namespace {

using EwfError = LibraryError<libewf_error_t, libewf_error_free, libewf_error_backtrace_sprint>;

struct HandleDeleter {
  void operator()(libewf_handle_t* handle) const {
    libewf_handle_close(handle, nullptr);
    libewf_handle_free(&handle, nullptr);
  }
};
using EwfHandle = std::unique_ptr<libewf_handle_t, HandleDeleter>;

class EwfSectorSource final : public DecodedSectorSource {
 public:
  EwfSectorSource(EwfHandle handle, uint64_t sizeBytes, uint64_t bytesPerSector)
      : DecodedSectorSource("E01", sizeBytes), handle_(std::move(handle)), bytesPerSector_(bytesPerSector) {}

 protected:
  bool ReadBytes(uint64_t offset, void* buffer, size_t length) override {
    EwfError error;
    for (size_t done = 0; done < length;) {
      const ssize_t n = libewf_handle_read_random(handle_.get(), static_cast<uint8_t*>(buffer) + done,
                                                  length - done, static_cast<off64_t>(offset + done), error.Out());
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return !MetDamagedChunk(offset, length);
  }

 private:
  // libewf hands out a chunk it cannot read, or whose checksum fails, as
  // zeros and records its sectors. A read that met one fails, so that the
  // engine reports those sectors unreadable instead of recovering zeros.
  bool MetDamagedChunk(uint64_t offset, uint64_t length) {
    EwfError error;
    uint32_t count = 0;
    if (libewf_handle_get_number_of_checksum_errors(handle_.get(), &count, error.Out()) != 1) return true;
    if (count != damaged_.size()) {
      // Recorded ranges merge as they grow: read them all again.
      damaged_.clear();
      for (uint32_t i = 0; i < count; ++i) {
        uint64_t start = 0, sectors = 0;
        if (libewf_handle_get_checksum_error(handle_.get(), i, &start, &sectors, error.Out()) == 1)
          damaged_.push_back({start * bytesPerSector_, sectors * bytesPerSector_});
      }
    }
    for (const auto& [start, bytes] : damaged_)
      if (start < offset + length && offset < start + bytes) return true;
    return false;
  }

  EwfHandle handle_;
  uint64_t bytesPerSector_;
  std::vector<std::pair<uint64_t, uint64_t>> damaged_;  // byte ranges
};

// The segment files of the set, by the EWF naming scheme; a first segment
// named otherwise is taken alone.
std::vector<std::string> SegmentsOf(const std::string& path) {
  EwfError error;
  char** names = nullptr;
  int count = 0;
  if (libewf_glob(path.c_str(), path.size(), LIBEWF_FORMAT_UNKNOWN, &names, &count, error.Out()) != 1)
    return {path};
  std::vector<std::string> segments(names, names + count);
  libewf_glob_free(names, count, nullptr);
  if (segments.empty()) segments.push_back(path);
  return segments;
}

// The segment after NAME.E07 (NAME.E08), for saying which one is missing;
// empty past .E99, where the scheme turns to letters.
std::string NextSegment(const std::string& segment) {
  const size_t dot = segment.rfind('.');
  if (dot == std::string::npos || segment.size() - dot != 4) return {};
  const std::string number = segment.substr(dot + 2);
  if (!std::isdigit(static_cast<unsigned char>(number[0])) || !std::isdigit(static_cast<unsigned char>(number[1])) ||
      number == "99")
    return {};
  const int next = std::stoi(number) + 1;
  return segment.substr(0, dot + 2) + (next < 10 ? "0" : "") + std::to_string(next);
}

std::string FileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

std::unique_ptr<DecodedSectorSource> OpenEwfImage(const std::string& path, std::string& error) {
  const std::vector<std::string> segments = SegmentsOf(path);
  std::vector<char*> names;
  for (const std::string& s : segments) names.push_back(const_cast<char*>(s.c_str()));
  EwfError failure;
  libewf_handle_t* raw = nullptr;
  if (libewf_handle_initialize(&raw, failure.Out()) != 1) {
    error = failure.Cause();
    return nullptr;
  }
  EwfHandle handle(raw);
  if (libewf_handle_open(handle.get(), names.data(), static_cast<int>(names.size()), LIBEWF_OPEN_READ,
                         failure.Out()) != 1) {
    error = "damaged E01 image: " + failure.Cause();
    return nullptr;
  }
  // The set's last segment ends with a "done" section; without it the
  // data goes on in a segment that is not there.
  if (libewf_handle_segment_files_corrupted(handle.get(), failure.Out()) != 0) {
    const std::string last = FileName(segments.back());
    const std::string next = NextSegment(last);
    error = "the E01 image set is incomplete: its data goes on past " + last +
            (next.empty() ? " (a segment is missing" : " (" + next + " is missing") + ", or " + last +
            " is cut short)";
    return nullptr;
  }
  size64_t size = 0;
  uint32_t bytesPerSector = 0;
  if (libewf_handle_get_media_size(handle.get(), &size, failure.Out()) != 1 || size == 0 ||
      libewf_handle_get_bytes_per_sector(handle.get(), &bytesPerSector, failure.Out()) != 1 || bytesPerSector == 0) {
    error = "damaged E01 image: it holds no disk data";
    return nullptr;
  }
  return std::make_unique<EwfSectorSource>(std::move(handle), size, bytesPerSector);
}

}  // namespace tarnwell::disk::formats
