#pragma once
// The two operations behind the health list: finding the drives (identify
// on every drive number of the drive table) and reading one drive's
// attribute list.
#include <cstdint>
#include <vector>

#include "engine/window_interfaces.h"
#include "health/smart_records.h"
#include "health/smart_rows.h"

namespace tarnwell::health {

// Identifies the table's drives in turn and returns the ones that answered,
// in that order (a machine may have more than four): model, serial and firmware in reading order (SwapWordBytes),
// the drive number in the record's last byte. A drive that cannot be
// opened or identified is left out without a message.
std::vector<TDriveIdentity> ListSmartDrives();

// Reads a drive's attribute list into rows and returns the overall verdict.
// -1 when the drive cannot be opened (rows left as they were), when
// S.M.A.R.T. cannot be switched on (rows empty, no message) or a table
// cannot be read (rows empty, an error box says which). A packet device (a
// CD or DVD drive) keeps no attribute table: it is not asked, and the box
// says the attributes could not be read, so that its empty list has a reason.
int FillSmartList(uint8_t drive, std::vector<TSmartRow>& rows, engine::MessageBoxes& boxes);

}  // namespace tarnwell::health
