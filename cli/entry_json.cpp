#include "cli/entry_json.h"

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

void WriteEntryJson(JsonWriter& out, const FoundEntry& entry) {
  out.BeginObject();
  out.Key("path").String(entry.path);
  out.Key("name").String(entry.name);
  out.Key("folder").Bool(entry.folder);
  out.Key("deleted").Bool(entry.deleted);
  out.Key("status").String(EntryStatusText(entry));
  out.Key("size").Unsigned(entry.size);
  out.Key("created").OptionalString(EntryTime(entry, engine::kDateCreated));
  out.Key("modified").OptionalString(EntryTime(entry, engine::kDateModified));
  out.Key("accessed").OptionalString(EntryTime(entry, engine::kDateAccessed));
  out.Key("key").Unsigned(entry.key);
  out.EndObject();
}

std::string EntryJsonLine(const FoundEntry& entry) {
  JsonWriter out;
  WriteEntryJson(out, entry);
  out.EndLine();
  std::string line = out.Text();
  line.pop_back();  // the newline
  return line;
}

std::string EntryTextLine(const FoundEntry& entry) {
  const std::optional<std::string> modified = EntryTime(entry, engine::kDateModified);
  char head[96];
  std::snprintf(head, sizeof head, "%-8s %c %12llu  %-19s  ", EntryStatusText(entry).c_str(),
                entry.folder ? 'd' : '-', static_cast<unsigned long long>(entry.size),
                modified ? modified->c_str() : "-");
  return head + entry.path + (entry.folder ? "/" : "");
}

EntryPrinter::EntryPrinter(bool json) : json_(json), writer_(stdout) {}

void EntryPrinter::Print(const FoundEntry& entry) {
  if (json_) {
    WriteEntryJson(writer_, entry);
    writer_.EndLine();
    return;
  }
  std::printf("%s\n", EntryTextLine(entry).c_str());
}

}  // namespace tarnwell::cli
