#include "disk/mapped_sectors.h"

#include <sys/mman.h>

namespace tarnwell::disk {

MappedSectors::~MappedSectors() { ::munmap(mapping_, mappingBytes_); }

}  // namespace tarnwell::disk
