// Placeholder until FAT recovery lands: nothing is recovered or previewed.
#include "engine/undelete.h"

namespace tarnwell::engine {

bool TUndelete::RescanDamagedFolder(TMidEntry&, StatusPanel&) { return false; }
uint16_t TUndelete::FindFat32HighWord(const std::string&, uint16_t) { return 0; }
bool TUndelete::RecoverFile(TMidEntry&, const std::string&, EventLog&, StatusPanel&,
                            const std::string&) {
  return false;
}
bool TUndelete::RecoverFolder(TMidEntry&, const std::string&, EventLog&, StatusPanel&,
                              const std::string&) {
  return false;
}
bool TUndelete::ReadPreview(const TMidEntry&, std::array<uint8_t, 2048>&) { return false; }

}  // namespace tarnwell::engine
