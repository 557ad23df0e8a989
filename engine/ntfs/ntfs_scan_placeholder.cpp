// Placeholder until the MFT scan lands: the scan finds nothing.
#include "engine/undelete.h"

namespace tarnwell::engine {

bool TUndelete::ScanNtfsVolume(ProgressBar&) { return true; }
void TUndelete::LinkNtfsTree() {}

}  // namespace tarnwell::engine
