#pragma once
// Bifragment gap carving of JPEG pictures. A picture written while the
// file system had no free stretch long enough lies in two pieces with
// other data between them; its walk breaks where the first piece ends.
// The decoder is started again from a snapshot taken before each block
// boundary near the break, over the blocks that follow at every distance
// up to a bound: the first second piece with which the scan decodes to
// its last MCU and the walk reaches EOI joins the picture. Blocks inside
// other found files, or not free on a volume, are not tried.
#include <vector>

#include "engine/window_interfaces.h"
#include "physical/carve/carve_scan.h"

namespace tarnwell::disk {
class SectorSource;
}

namespace tarnwell::physical::carve {

// Tries every damaged JPEG of `files` (in disk order); a joined one keeps
// its place and becomes whole, with its two pieces noted.
void JoinDamagedPictures(disk::SectorSource& source, const CarveArea& area, std::vector<CarvedFile>& files,
                         engine::MessagePump& pump, const bool& stop);

}  // namespace tarnwell::physical::carve
