// Placeholder until the FAT walk lands: the scan finds nothing.
#include "engine/undelete.h"

namespace tarnwell::engine {

bool TUndelete::ScanFatVolume(StatusPanel&) { return true; }

}  // namespace tarnwell::engine
