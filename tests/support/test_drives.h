#pragma once
// Drives for an engine under test, each over the source of one volume,
// made without the machine's device table: the engine reads through the
// source it is handed, as it does behind a drive letter.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "disk/sector_source.h"
#include "engine/entry_handle.h"
#include "engine/records.h"
#include "engine/window_interfaces.h"

namespace tarnwell::testing {

// The sources of an image's volumes in partition order (logical ones after
// their extended partition, the container itself left out); the whole
// image when it holds no partition table. Empty when it cannot be opened.
std::vector<std::unique_ptr<disk::SectorSource>> ImageVolumes(const std::string& path);

// A drive over volume `index` of an image (-1: the last one), named by
// letter; a drive without a source when there is no such volume.
std::unique_ptr<engine::TLogiDrive> ImageDrive(const std::string& path, char letter = 'C', int index = -1);
// A drive over bytes held in memory (a crafted volume).
std::unique_ptr<engine::TLogiDrive> MemoryDrive(std::vector<uint8_t> bytes, char letter = 'C');

// Recovers an entry into the folder at path under the given name (the
// name a window's row or a command line gives it), as a front end does;
// a folder that cannot be opened is logged for the entry. True when the
// entry came back whole.
bool RecoverInto(const engine::EntryHandle& entry, const std::string& folder, const std::string& name,
                 engine::EventLog& log, engine::StatusPanel& status);

// The list of drives an engine is built with.
std::vector<std::unique_ptr<engine::TLogiDrive>> DriveList(std::unique_ptr<engine::TLogiDrive> drive);

}  // namespace tarnwell::testing
