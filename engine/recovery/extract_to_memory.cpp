#include "engine/recovery/extract_to_memory.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/recovery/output_path.h"
#include "platform/unique_fd.h"

namespace tarnwell::engine {
namespace {

// The copy's name inside the scratch folder: plain ASCII, so nothing of
// the entry's own name matters here.
const std::string kScratchCopyName = "preview.bin";

class CapturingLog final : public EventLog {
 public:
  explicit CapturingLog(std::vector<std::string>& lines) : lines_(lines) {}
  void AddLine(const std::string& text, int, const std::string&) override { lines_.push_back(text); }

 private:
  std::vector<std::string>& lines_;
};

// A private folder that goes, with the one copy in it, when it goes.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& parent) {
    std::string pattern = parent + "/tarnwell-preview-XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~ScratchFolder() {
    if (path_.empty()) return;
    ::unlink((path_ + "/" + kScratchCopyName).c_str());
    ::rmdir(path_.c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

ExtractedFile ExtractToMemory(const EntryHandle& entry, uint64_t maxBytes, const std::string& scratchParent) {
  ExtractedFile result;
  if (!entry || entry.IsFolder()) {
    result.outcome = ExtractOutcome::kFolder;
    return result;
  }
  if (entry.Size() > maxBytes) {
    result.outcome = ExtractOutcome::kTooLarge;
    return result;
  }
  const ScratchFolder scratch(scratchParent);
  std::optional<OutputFolder> folder = scratch.Path().empty() ? std::nullopt : OutputFolder::Open(scratch.Path());
  if (!folder) {
    result.outcome = ExtractOutcome::kNoScratch;
    return result;
  }
  CapturingLog log(result.log);
  NullStatusPanel status;
  NullProgressBar progress;
  const RecoverResult copied = entry.Recover({*folder, log, status, progress, &kScratchCopyName});
  if (copied != RecoverResult::kRecovered) return result;
  platform::UniqueFd fd(::openat(folder->Fd(), kScratchCopyName.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st {};
  if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return result;
  // The copy is never larger than the entry says; the bound holds anyway.
  const uint64_t size = std::min<uint64_t>(static_cast<uint64_t>(st.st_size), maxBytes);
  result.bytes.resize(static_cast<size_t>(size));
  size_t got = 0;
  while (got < result.bytes.size()) {
    const ssize_t n = ::pread(fd.get(), result.bytes.data() + got, result.bytes.size() - got, static_cast<off_t>(got));
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  result.bytes.resize(got);
  result.outcome = ExtractOutcome::kExtracted;
  return result;
}

}  // namespace tarnwell::engine
