// Placeholder until NTFS recovery lands: nothing is recovered or previewed.
#include "engine/undelete.h"

namespace tarnwell::engine {

bool TUndelete::RecoverFile(tntfsfilerecord&, const std::string&, EventLog&, StatusPanel&,
                            const std::string&) {
  return false;
}
bool TUndelete::RecoverFolder(tntfsfilerecord&, const std::string&, EventLog&, StatusPanel&,
                              const std::string&) {
  return false;
}
bool TUndelete::ReadPreview(const tntfsfilerecord&, std::array<uint8_t, 2048>&) { return false; }

}  // namespace tarnwell::engine
