#include "cli/entry_json.h"
#include "cli/terminal_text.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "engine/exact_stamp.h"
#include "engine/filetime.h"

namespace tarnwell::cli {

std::string EntryStatusText(const FoundEntry& entry) {
  switch (entry.handle.Status()) {
    case engine::EntryStatus::kDamaged: return "damaged";
    case engine::EntryStatus::kDeleted: return "deleted";
    default: return "existing";
  }
}

// Writes "YYYY-MM-DDTHH:MM:SS" into text and returns its length. Digits are
// placed by hand: a listing writes three stamps per entry, and formatting
// them through printf was a good part of the JSON listing's time.
size_t FormatIso(double value, char (&text)[32]) {
  const engine::CivilTime t = engine::DateTimeToCivil(value);
  const auto inRange = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
  if (!inRange(t.year, 0, 9999) || !inRange(t.month, 0, 99) || !inRange(t.day, 0, 99) ||
      !inRange(t.hour, 0, 99) || !inRange(t.minute, 0, 99) || !inRange(t.second, 0, 99)) {
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month,
                                t.day, t.hour, t.minute, t.second);
    return n > 0 ? std::min(static_cast<size_t>(n), sizeof text - 1) : 0;
  }
  engine::WriteIsoSeconds(text, t.year, t.month, t.day, t.hour, t.minute, t.second);
  text[19] = '\0';
  return 19;
}

namespace {

// The entry's stamp of a kind as a date-time value, or nullopt when it is
// not a valid stamp.
std::optional<double> EntryTimeValue(const FoundEntry& entry, int kind) {
  // Value 0 is the empty stamp (invalid, both words 0, or not representable).
  const double value = entry.handle.Stamp(static_cast<engine::DateKind>(kind));
  if (value == 0) return std::nullopt;
  return value;
}

// The stamp to the file system's precision: NTFS to 100 ns, and NTFS and
// exFAT with a UTC offset as instants ("Z").
void WriteStamp(JsonWriter& out, const FoundEntry& entry, int kind) {
  const std::optional<engine::ExactStamp> stamp = entry.handle.Exact(static_cast<engine::DateKind>(kind));
  char text[engine::kIsoStampChars];
  const size_t length = stamp ? engine::FormatIsoStamp(*stamp, text) : 0;
  if (length == 0) {
    out.Null();
    return;
  }
  out.String(std::string_view(text, length));
}

}  // namespace

void WriteIsoStamp(JsonWriter& out, const std::optional<double>& value) {
  if (!value) {
    out.Null();
    return;
  }
  char text[32];
  const size_t length = FormatIso(*value, text);
  out.String(std::string_view(text, length));
}

std::string IsoDateTime(double value) {
  char text[32];
  return std::string(text, FormatIso(value, text));
}

std::optional<std::string> EntryTime(const FoundEntry& entry, int kind) {
  const std::optional<double> value = EntryTimeValue(entry, kind);
  if (!value) return std::nullopt;
  return IsoDateTime(*value);
}

void WriteEntryJson(JsonWriter& out, const FoundEntry& entry) {
  out.BeginObject();
  out.Key("path").String(entry.path);
  out.Key("name").String(entry.name);
  out.Key("folder").Bool(entry.handle.IsFolder());
  out.Key("deleted").Bool(entry.handle.IsDeleted());
  out.Key("status").String(EntryStatusText(entry));
  // Only deleted files have one: how much of their data is still their own.
  if (const std::string_view state = engine::RecoverabilityKey(entry.handle.Recoverable()); !state.empty())
    out.Key("recoverable").String(state);
  out.Key("size").Unsigned(entry.handle.Size());
  // A folder the scan made up has no stamps to give: the fields are left
  // out, where a stamp that is unset or unreadable is null.
  if (!entry.handle.IsMadeUp()) {
    WriteStamp(out.Key("created"), entry, engine::kDateCreated);
    WriteStamp(out.Key("modified"), entry, engine::kDateModified);
    WriteStamp(out.Key("accessed"), entry, engine::kDateAccessed);
  }
  out.Key("key").Unsigned(entry.handle.FolderKey());
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
  char head[128];
  const bool folder = entry.handle.IsFolder();
  // The state of a deleted file's data beside its status ("-" for the rest),
  // in the words the JSON form uses.
  const std::string_view state = engine::RecoverabilityKey(entry.handle.Recoverable());
  std::snprintf(head, sizeof head, "%-8s %-18s %c %12llu  %-19s  ", EntryStatusText(entry).c_str(),
                state.empty() ? "-" : std::string(state).c_str(), folder ? 'd' : '-',
                static_cast<unsigned long long>(entry.handle.Size()), modified ? modified->c_str() : "-");
  return head + TerminalSafe(entry.path) + (folder ? "/" : "");
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
