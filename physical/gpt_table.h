#pragma once
// Reading a disk's GUID partition table into the drive's partition model:
// its partitions and the free space between them become the whole-disk
// entry's children, as the primary partitions of a master boot record do.
namespace tarnwell::physical {

class TPhysicalDrive;

// When a slot of the master boot record is the protective partition (0xEE;
// a hybrid record with other slots counts too), reads the primary GPT at
// sector 1 or, when it or its array is damaged, the backup at the disk's
// last sector, and builds the model from it. False (the caller then reads
// the master boot record as it is) when the disk has no protective slot,
// both tables are damaged, or the table was written for 4096-byte sectors;
// the last two are said in the event log.
bool ReadGptPartitions(TPhysicalDrive& drive);

}  // namespace tarnwell::physical
