#pragma once
// The signature scan run beside a raw-range scan of an entry: the scanner
// is the landmark pass's companion, so the range is read once for both.
// Once the found entries are read, the carved files they already account
// for are left out: those come back with their names.
#include <cstddef>
#include <memory>
#include <optional>

#include "disk/device_reader.h"
#include "engine/window_interfaces.h"
#include "physical/carve/carve_scan.h"

namespace tarnwell::physical {
struct TPartiEntry;
}

namespace tarnwell::physical::carve {

struct CarveBesideScan {
  std::unique_ptr<disk::DiskDevice> device;  // what the walkers read ahead through
  std::unique_ptr<CarveScanner> scanner;
};

// The scanner for the entry's whole range; nullopt when its disk cannot be
// opened.
std::optional<CarveBesideScan> PrepareCarveBesideScan(const TPartiEntry& entry, FamilySet families);

// After the raw scan and the reading of its entries: ends the signature
// scan (stop is tested while damaged pictures are joined) and drops the
// files the entry's found entries account for. Returns how many it dropped.
size_t FinishCarveBesideScan(CarveBesideScan& carve, const TPartiEntry& entry, engine::MessagePump& pump,
                             const bool& stop);

}  // namespace tarnwell::physical::carve
