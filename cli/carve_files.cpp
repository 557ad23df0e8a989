#include "cli/carve_files.h"

#include <cstdio>

#include "cli/terminal_text.h"
#include "physical/carve/signature_table.h"

namespace tarnwell::cli {

using physical::carve::CarvedFile;
using physical::carve::Family;

bool CarveTypes::Keeps(const CarvedFile& file) const {
  return (wholeFamilies & physical::carve::Bit(file.family)) || extensions.count(file.extension);
}

std::optional<CarveTypes> ParseCarveTypes(const std::string& list) {
  CarveTypes types;
  if (list.empty()) return types;
  types.families = types.wholeFamilies = 0;
  size_t from = 0;
  while (from <= list.size()) {
    const size_t comma = std::min(list.find(',', from), list.size());
    const std::string name = list.substr(from, comma - from);
    from = comma + 1;
    if (name.empty()) continue;
    Family family;
    bool whole = false;
    if (!physical::carve::FamilyOfName(name, family, whole)) {
      std::fprintf(stderr, "tarnwell-cli: unknown file type %s (known: %s)\n", name.c_str(), CarveTypesHelp().c_str());
      return std::nullopt;
    }
    types.families |= physical::carve::Bit(family);
    if (whole)
      types.wholeFamilies |= physical::carve::Bit(family);
    else
      types.extensions.insert(name);
  }
  return types;
}

std::string CarveTypesHelp() {
  std::string help;
  for (const auto& f : physical::carve::Families()) {
    if (!help.empty()) help += ", ";
    help += f.name;
    if (*f.otherExtensions) help += std::string(" (") + f.otherExtensions + ")";
  }
  return help;
}

void CountFound(const std::vector<CarvedFile>& files, CarveTally& tally) {
  for (const CarvedFile& f : files) {
    if (f.damaged)
      ++tally.damaged;
    else if (f.Joined())
      ++tally.joined;
    else
      ++tally.validated;
  }
}

std::vector<CarvedOutcome> WriteCarvedFiles(CliContext& context, disk::SectorSource& source,
                                            const engine::OutputFolder& out, const std::vector<CarvedFile>& files,
                                            CarveTally& tally) {
  physical::carve::CarvedFileWriter writer(source, out);
  std::vector<CarvedOutcome> outcomes(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    context.status.SetText(" " + physical::carve::CarvedFileName(files[i]));
    outcomes[i].outcome = writer.Write(files[i], context.progress, context.pump);
    outcomes[i].attempted = true;
    if (outcomes[i].outcome.written)
      ++tally.written;
    else
      ++tally.failed;
  }
  context.status.SetText("");
  context.progress.SetVisible(false);
  return outcomes;
}

namespace {

const char* Status(const CarvedFile& f) { return f.damaged ? "damaged" : f.Joined() ? "joined" : "validated"; }

}  // namespace

void PrintCarvedLine(const CarvedFile& file, const CarvedOutcome* written) {
  std::string line;
  char head[128];
  std::snprintf(head, sizeof head, "%-5s %12llu %12llu  %-9s  %s", file.extension,
                static_cast<unsigned long long>(file.sector), static_cast<unsigned long long>(file.length),
                Status(file), physical::carve::CarvedFileName(file).c_str());
  line = head;
  if (file.Joined()) {
    std::snprintf(head, sizeof head, "  (%llu bytes, then from sector %llu)",
                  static_cast<unsigned long long>(file.firstPieceBytes),
                  static_cast<unsigned long long>(file.secondSector));
    line += head;
  }
  if (written && written->attempted && !written->outcome.written) line += "  not written: " + written->outcome.error;
  line = TerminalSafe(line);
  line += '\n';
  std::fputs(line.c_str(), stdout);
}

void WriteCarvedJson(JsonWriter& out, const CarvedFile& file, const CarvedOutcome* written) {
  out.BeginObject();
  out.Key("type").String(file.extension);
  out.Key("family").String(physical::carve::InfoOf(file.family).name);
  out.Key("sector").Unsigned(file.sector);
  out.Key("size").Unsigned(file.length);
  out.Key("status").String(Status(file));
  out.Key("name").String(physical::carve::CarvedFileName(file));
  out.Key("pieces").BeginArray();
  const uint64_t first = file.Joined() ? file.firstPieceBytes : file.length;
  out.BeginObject().Key("sector").Unsigned(file.sector).Key("bytes").Unsigned(first).EndObject();
  if (file.Joined())
    out.BeginObject().Key("sector").Unsigned(file.secondSector).Key("bytes").Unsigned(file.length - first).EndObject();
  out.EndArray();
  if (written && written->attempted) {
    out.Key("output").String(written->outcome.path);
    out.Key("written").Bool(written->outcome.written);
    if (!written->outcome.written) out.Key("error").String(written->outcome.error);
  }
  out.EndObject();
  out.EndLine();
}

}  // namespace tarnwell::cli
