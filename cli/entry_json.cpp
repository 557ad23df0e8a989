#include "cli/entry_json.h"
#include "cli/terminal_text.h"

#include <nlohmann/json.hpp>

#include <cstdio>

#include "engine/filetime.h"
#include "engine/search/entry_dates.h"

namespace tarnwell::cli {

std::string EntryStatusText(const FoundEntry& entry) {
  if (entry.damaged) return "damaged";
  return entry.deleted ? "deleted" : "existing";
}

std::string IsoDateTime(double value) {
  const engine::CivilTime t = engine::DateTimeToCivil(value);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

std::optional<std::string> EntryTime(const FoundEntry& entry, int kind) {
  double value = 0;
  if (entry.fat) {
    const engine::DosDateTime d = engine::FatEntryDate(*entry.fat, kind);
    if (!d.valid) return std::nullopt;
    value = d.value;
  } else if (entry.ntfs) {
    value = engine::NtfsRecordDate(*entry.ntfs, kind);
  }
  // Value 0 is the empty stamp (both words 0, or not representable).
  if (value == 0) return std::nullopt;
  return IsoDateTime(value);
}

std::string EntryJsonLine(const FoundEntry& entry) {
  auto stamp = [&](int kind) -> nlohmann::ordered_json {
    const std::optional<std::string> t = EntryTime(entry, kind);
    return t ? nlohmann::ordered_json(*t) : nlohmann::ordered_json(nullptr);
  };
  const nlohmann::ordered_json line = {{"path", entry.path},
                               {"name", entry.name},
                               {"folder", entry.folder},
                               {"deleted", entry.deleted},
                               {"status", EntryStatusText(entry)},
                               {"size", entry.size},
                               {"created", stamp(engine::kDateCreated)},
                               {"modified", stamp(engine::kDateModified)},
                               {"accessed", stamp(engine::kDateAccessed)},
                               {"key", entry.key}};
  return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string EntryTextLine(const FoundEntry& entry) {
  const std::optional<std::string> modified = EntryTime(entry, engine::kDateModified);
  char head[96];
  std::snprintf(head, sizeof head, "%-8s %c %12llu  %-19s  ", EntryStatusText(entry).c_str(),
                entry.folder ? 'd' : '-', static_cast<unsigned long long>(entry.size),
                modified ? modified->c_str() : "-");
  return head + TerminalSafe(entry.path) + (entry.folder ? "/" : "");
}

void PrintEntry(const FoundEntry& entry, bool json) {
  const std::string line = json ? EntryJsonLine(entry) : EntryTextLine(entry);
  std::printf("%s\n", line.c_str());
}

}  // namespace tarnwell::cli
