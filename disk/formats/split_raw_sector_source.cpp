// Raw images cut into numbered pieces (NAME.001, NAME.002, ...): the
// pieces read one after another as one disk. No library: the pieces are
// the disk's bytes.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "disk/formats/format_readers.h"
#include "disk/formats/image_format.h"
#include "platform/unique_fd.h"

namespace tarnwell::disk::formats {
namespace {

struct Piece {
  std::string path;
  uint64_t start, size;  // bytes of the disk it holds
};

class SplitRawSectorSource final : public DecodedSectorSource {
 public:
  SplitRawSectorSource(std::vector<Piece> pieces, uint64_t sizeBytes)
      : DecodedSectorSource("split raw", sizeBytes), pieces_(std::move(pieces)) {}

 protected:
  bool ReadBytes(uint64_t offset, void* buffer, size_t length) override {
    auto* out = static_cast<uint8_t*>(buffer);
    for (size_t done = 0; done < length;) {
      const size_t index = PieceAt(offset + done);
      const Piece& piece = pieces_[index];
      const uint64_t inPiece = offset + done - piece.start;
      const size_t n = static_cast<size_t>(std::min<uint64_t>(length - done, piece.size - inPiece));
      if (!ReadPiece(index, inPiece, out + done, n)) return false;
      done += n;
    }
    return true;
  }

 private:
  size_t PieceAt(uint64_t offset) const {
    size_t lo = 0, hi = pieces_.size() - 1;
    while (lo < hi) {
      const size_t mid = (lo + hi + 1) / 2;
      if (pieces_[mid].start <= offset) lo = mid;
      else hi = mid - 1;
    }
    return lo;
  }

  // One piece stays open at a time: a set of thousands of pieces would
  // otherwise run out of descriptors, and scans read the pieces in order.
  bool ReadPiece(size_t index, uint64_t offset, uint8_t* out, size_t length) {
    if (openIndex_ != index || !open_.valid()) {
      open_ = platform::UniqueFd::OpenReadOnly(pieces_[index].path.c_str());
      openIndex_ = index;
      if (!open_.valid()) return false;
    }
    for (size_t done = 0; done < length;) {
      const ssize_t n = ::pread(open_.get(), out + done, length - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;  // a piece cut short since it was measured
      done += static_cast<size_t>(n);
    }
    return true;
  }

  std::vector<Piece> pieces_;
  platform::UniqueFd open_;
  size_t openIndex_ = 0;
};

}  // namespace

std::unique_ptr<DecodedSectorSource> OpenSplitRawImage(const std::string& firstPiece, std::string& error) {
  std::string gap;
  const std::vector<std::string> paths = SplitRawPieces(firstPiece, &gap);
  if (paths.empty()) {
    error = "not the first piece of a split raw image";
    return nullptr;
  }
  if (!gap.empty()) {
    error = "the split raw image is incomplete: piece " + std::filesystem::path(gap).filename().string() +
            " is missing";
    return nullptr;
  }
  std::vector<Piece> pieces;
  uint64_t total = 0;
  for (const std::string& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_size < 0) {
      error = "cannot read piece " + path;
      return nullptr;
    }
    // An empty piece holds no bytes: leaving it out keeps every piece's
    // range non-empty for the lookup.
    if (st.st_size > 0) pieces.push_back({path, total, static_cast<uint64_t>(st.st_size)});
    total += static_cast<uint64_t>(st.st_size);
  }
  if (total == 0) {
    error = "the split raw image holds no bytes";
    return nullptr;
  }
  return std::make_unique<SplitRawSectorSource>(std::move(pieces), total);
}

}  // namespace tarnwell::disk::formats
