#pragma once
// How the health command prints a drive: a text block with the attribute
// table, or one JSON object. All output is UTF-8.
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "health/smart_records.h"
#include "health/smart_rows.h"

namespace tarnwell::cli {

struct DriveHealth {
  health::TDriveIdentity identity;  // text fields in reading order
  std::string source;               // device node or recording file
  std::vector<health::TSmartRow> rows;
  int verdict = -1;                 // -1 when no S.M.A.R.T. data was read
};

std::string FormatDriveHealthText(const DriveHealth& drive);
nlohmann::json DriveHealthJson(const DriveHealth& drive);

// Columns a UTF-8 text takes on a terminal (CJK characters take two).
size_t DisplayWidth(const std::string& utf8);

}  // namespace tarnwell::cli
