#pragma once
// What a probe view must hold for libblkid to find in it what it would
// find in the whole disk or volume: the regions its partition-table and
// label probes read. Each walk below follows the on-disk links those
// probes follow, bounded as they are bounded.
#include "platform/probe_view.h"

namespace tarnwell::platform {

// A view of a whole disk: the first and last MiB (the MBR, the GPT headers
// and arrays where partitioning tools put them, the other schemes' labels
// near the start), GPT arrays placed elsewhere, every table of an extended
// chain, and the first sectors of each partition (nested BSD, Solaris,
// UnixWare and Minix tables).
void CopyPartitionTableRegions(ProbeView& view);

// A view of one volume: the first and last MiB (every superblock and the
// FAT12/16 root directory of the usual layouts), and beyond them what the
// FAT32, exFAT and NTFS label probes read: the root directory's clusters
// with their FAT entries, the first MFT records.
void CopyLabelRegions(ProbeView& view);

}  // namespace tarnwell::platform
