#pragma once
// One file the signature scan found.
#include <cstdint>

#include "physical/carve/signature_table.h"

namespace tarnwell::physical::carve {

struct CarvedFile {
  Family family = Family::kText;
  const char* extension = "";  // static text: the family's, or what the walker named
  uint64_t sector = 0;         // first sector, on the scanned drive
  uint64_t length = 0;         // bytes in all: what validated, never more
  bool damaged = false;        // the structure broke at `length`
  // A file joined from two pieces: its first firstPieceBytes bytes from
  // `sector` on, the rest from secondSector on.
  uint64_t firstPieceBytes = 0;
  uint64_t secondSector = 0;

  bool Joined() const { return firstPieceBytes != 0; }
  // The sector after the first piece (the whole file when not joined).
  uint64_t FirstPieceEndSector() const {
    const uint64_t bytes = Joined() ? firstPieceBytes : length;
    return sector + (bytes + 511) / 512;
  }
};

}  // namespace tarnwell::physical::carve
