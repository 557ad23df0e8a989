#pragma once
// What the carve command and raw-recover --carve share: the --types list,
// the listing of carved files (text or JSON lines) and their recovery
// into the destination.
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "cli/json_writer.h"
#include "engine/recovery/output_path.h"
#include "physical/carve/carve_output.h"
#include "physical/carve/carved_file.h"

namespace tarnwell::disk {
class SectorSource;
}

namespace tarnwell::cli {

struct CarveTypes {
  physical::carve::FamilySet families = physical::carve::kAllFamilies;
  // Kinds asked for by extension only ("docx" of the ZIP family): other
  // kinds of that family found are left out of the results.
  std::set<std::string> extensions;
  physical::carve::FamilySet wholeFamilies = physical::carve::kAllFamilies;
  bool Keeps(const physical::carve::CarvedFile& file) const;
};

// "jpg,png,docx" (family names or extensions); empty for all. Prints the
// reason and returns nullopt for a name no family has.
std::optional<CarveTypes> ParseCarveTypes(const std::string& list);

// The kinds --types takes, for its help text.
std::string CarveTypesHelp();

struct CarvedOutcome {
  physical::carve::CarvedFileWriter::Outcome outcome;
  bool attempted = false;
};

struct CarveTally {
  size_t validated = 0, joined = 0, damaged = 0;  // found
  size_t written = 0, failed = 0;                 // recovered
};

// Writes every file into out, one outcome per file; stops early when the
// stop flag is set.
std::vector<CarvedOutcome> WriteCarvedFiles(CliContext& context, disk::SectorSource& source,
                                            const engine::OutputFolder& out,
                                            const std::vector<physical::carve::CarvedFile>& files, CarveTally& tally);

void CountFound(const std::vector<physical::carve::CarvedFile>& files, CarveTally& tally);

// "jpg   0001234   2345678  validated  f0001234.jpg" (and where a joined
// file's second piece lies, or what went wrong writing it).
void PrintCarvedLine(const physical::carve::CarvedFile& file, const CarvedOutcome* written);
void WriteCarvedJson(JsonWriter& out, const physical::carve::CarvedFile& file, const CarvedOutcome* written);

}  // namespace tarnwell::cli
