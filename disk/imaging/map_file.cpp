#include "disk/imaging/map_file.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>
#include <map>

#include "disk/sector_source.h"

namespace tarnwell::disk::imaging {
namespace {

// The format's own limit: positions and sizes are signed 64-bit values.
constexpr uint64_t kLargest = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
constexpr size_t kMostTokens = 4;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The words of a line before its comment; more than kMostTokens words make
// the line malformed, so counting stops there.
size_t Words(std::string_view line, std::string_view (&words)[kMostTokens + 1]) {
  size_t count = 0;
  size_t i = 0;
  while (i < line.size() && count <= kMostTokens) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size() || line[i] == '#') break;
    const size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    words[count++] = line.substr(start, i - start);
  }
  return count;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// A C++ integer constant without sign or suffix: 0x1F, 017, 42.
std::optional<uint64_t> ParseNumber(std::string_view word, bool decimalOnly = false) {
  unsigned base = 10;
  if (!decimalOnly && word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    base = 16;
    word.remove_prefix(2);
  } else if (!decimalOnly && word.size() > 1 && word[0] == '0') {
    base = 8;
    word.remove_prefix(1);
  }
  if (word.empty()) return std::nullopt;
  uint64_t value = 0;
  for (const char c : word) {
    const int digit = DigitValue(c);
    if (digit >= static_cast<int>(base)) return std::nullopt;
    if (value > (kLargest - static_cast<uint64_t>(digit)) / base) return std::nullopt;
    value = value * base + static_cast<uint64_t>(digit);
  }
  return value;
}

bool Fail(MapFileError* error, MapFileFault fault, size_t line) {
  if (error) *error = {fault, line};
  return false;
}

bool ParseStatusLine(const std::string_view (&words)[kMostTokens + 1], size_t count, size_t lineNumber,
                     MapPosition& position, MapFileError* error) {
  // Maps written before the pass was recorded have two words.
  if (count < 2 || count > 3 || words[1].size() != 1 || !IsPhase(words[1][0]))
    return Fail(error, MapFileFault::kBadStatusLine, lineNumber);
  const std::optional<uint64_t> pos = ParseNumber(words[0]);
  const std::optional<uint64_t> pass = count == 3 ? ParseNumber(words[2], true) : std::optional<uint64_t>(1);
  if (!pos || !pass || *pass == 0 || *pass > static_cast<uint64_t>(std::numeric_limits<int>::max()))
    return Fail(error, MapFileFault::kBadNumber, lineNumber);
  position = {*pos, static_cast<Phase>(words[1][0]), static_cast<int>(*pass)};
  return true;
}

bool ParseBlockLine(const std::string_view (&words)[kMostTokens + 1], size_t count, size_t lineNumber,
                    MapFile& file, MapFileError* error) {
  if (count != 3 || words[2].size() != 1) return Fail(error, MapFileFault::kBadBlockLine, lineNumber);
  if (!IsBlockStatus(words[2][0])) return Fail(error, MapFileFault::kBadStatus, lineNumber);
  const std::optional<uint64_t> pos = ParseNumber(words[0]);
  const std::optional<uint64_t> size = ParseNumber(words[1]);
  if (!pos || !size) return Fail(error, MapFileFault::kBadNumber, lineNumber);
  if (*size > kLargest - *pos) return Fail(error, MapFileFault::kTooLarge, lineNumber);
  if (!file.blocks.empty() && *pos != file.EndByte()) return Fail(error, MapFileFault::kNotContiguous, lineNumber);
  if (*size > 0) file.blocks.push_back({*pos, *size, static_cast<BlockStatus>(words[2][0])});
  return true;
}

const char* PhaseWords(Phase phase) {
  switch (phase) {
    case Phase::kCopying: return "Copying non-tried blocks...";
    case Phase::kTrimming: return "Trimming failed blocks...";
    case Phase::kScraping: return "Scraping failed blocks...";
    case Phase::kRetrying: return "Retrying bad sectors...";
    case Phase::kFilling: return "Filling blocks...";
    case Phase::kGenerating: return "Generating approximate mapfile...";
    case Phase::kFinished: return "Finished";
  }
  return "";
}

}  // namespace

std::optional<MapFile> ParseMapFile(std::string_view text, MapFileError* error) {
  MapFile file;
  bool haveStatus = false;
  size_t lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const size_t newline = text.find('\n');
    const std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    std::string_view words[kMostTokens + 1];
    const size_t count = Words(line, words);
    if (count == 0) continue;
    if (!haveStatus) {
      if (!ParseStatusLine(words, count, lineNumber, file.position, error)) return std::nullopt;
      haveStatus = true;
    } else if (!ParseBlockLine(words, count, lineNumber, file, error)) {
      return std::nullopt;
    }
  }
  if (!haveStatus) {
    Fail(error, MapFileFault::kNoStatusLine, 0);
    return std::nullopt;
  }
  if (error) *error = {};
  return file;
}

std::optional<RescueMap> SectorMapOf(const MapFile& file, uint64_t sectors, MapFileError* error) {
  // A last sector the disk holds only in part is outside every sector map.
  if (file.EndByte() / kSectorSize > sectors) {
    Fail(error, MapFileFault::kLargerThanDisk, 0);
    return std::nullopt;
  }
  RescueMap map(sectors);
  // Sectors a block boundary falls inside, with the least advanced status
  // of the blocks that share them; they are set after the whole sectors.
  std::map<uint64_t, BlockStatus> split;
  const auto share = [&split](uint64_t sector, BlockStatus status) {
    const auto [it, added] = split.emplace(sector, status);
    if (!added && StatusRank(status) < StatusRank(it->second)) it->second = status;
  };
  for (const MapFileBlock& block : file.blocks) {
    const uint64_t end = block.pos + block.size;
    const uint64_t firstWhole = (block.pos + kSectorSize - 1) / kSectorSize;
    const uint64_t endWhole = end / kSectorSize;
    if (block.pos % kSectorSize != 0) share(block.pos / kSectorSize, block.status);
    if (end % kSectorSize != 0) share(end / kSectorSize, block.status);
    if (firstWhole < endWhole) map.Set(firstWhole, endWhole - firstWhole, block.status);
  }
  // A sector only partly described is also partly "not tried".
  if (!file.blocks.empty()) {
    if (file.blocks.front().pos % kSectorSize != 0) share(file.blocks.front().pos / kSectorSize, BlockStatus::kNonTried);
    if (file.EndByte() % kSectorSize != 0) share(file.EndByte() / kSectorSize, BlockStatus::kNonTried);
  }
  for (const auto& [sector, status] : split) map.Set(sector, 1, status);
  if (error) *error = {};
  return map;
}

std::string PhaseDescription(const MapPosition& position) {
  std::string text = PhaseWords(position.phase);
  if (position.phase == Phase::kCopying || position.phase == Phase::kRetrying) {
    text += " Pass " + std::to_string(position.pass);
    text += PassRunsForward(position) ? " (forwards)" : " (backwards)";
  }
  return text;
}

std::string FormatMapFile(const RescueMap& map, const MapPosition& position, const MapFileHeading& heading) {
  const std::vector<MapBlock> blocks = map.Blocks();
  std::string text;
  text.reserve(256 + blocks.size() * 32);
  text += "# Mapfile. Created by " + heading.creator + "\n";
  text += "# Start time:   " + heading.startTime + "\n";
  text += "# Current time: " + heading.currentTime + "\n";
  text += "# " + PhaseDescription(position) + "\n";
  char line[96];
  std::snprintf(line, sizeof line, "# current_pos  current_status  current_pass\n0x%08" PRIX64 "     %c               %d\n",
                position.byte, static_cast<char>(position.phase), position.pass);
  text += line;
  text += "#      pos        size  status\n";
  for (const MapBlock& block : blocks) {
    std::snprintf(line, sizeof line, "0x%08" PRIX64 "  0x%08" PRIX64 "  %c\n", block.start * kSectorSize,
                  block.count * kSectorSize, static_cast<char>(block.status));
    text += line;
  }
  return text;
}

}  // namespace tarnwell::disk::imaging
