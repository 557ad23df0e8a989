#pragma once
// How found entries are printed: one JSON object per line, or a text line.
#include <optional>
#include <string>

#include "cli/entry_walk.h"
#include "cli/json_writer.h"

namespace tarnwell::cli {

// "existing", "deleted" or "damaged".
std::string EntryStatusText(const FoundEntry& entry);
// A date-time value as ISO 8601 local time ("2024-03-01T12:00:00").
std::string IsoDateTime(double value);
// The same text written into text; returns its length.
size_t FormatIso(double value, char (&text)[32]);
// A date-time value as that ISO text, or null when there is none.
void WriteIsoStamp(JsonWriter& out, const std::optional<double>& value);
// The entry's stamp of a kind (0 created, 1 modified, 2 accessed) in ISO
// 8601, or nullopt when it is not a valid stamp.
std::optional<std::string> EntryTime(const FoundEntry& entry, int kind);

// The entry as one JSON object: path, name, folder, deleted, status,
// recoverable (deleted files only: "intact", "partly-overwritten" or
// "overwritten"), size, created, modified, accessed, key. The stamps are ISO 8601 to the file
// system's precision, ending in "Z" where they are instants (NTFS, exFAT
// with a UTC offset), null where unset; a folder the scan made up has none.
void WriteEntryJson(JsonWriter& out, const FoundEntry& entry);
// The same object as a line of text, without the newline.
std::string EntryJsonLine(const FoundEntry& entry);
std::string EntryTextLine(const FoundEntry& entry);

// Prints entries on stdout in the chosen form, one per line; JSON lines go
// through one streaming writer for the whole listing.
class EntryPrinter {
 public:
  explicit EntryPrinter(bool json);
  void Print(const FoundEntry& entry);

 private:
  bool json_;
  JsonWriter writer_;
};

}  // namespace tarnwell::cli
