#include "engine/recoverability.h"

namespace tarnwell::engine {

std::string_view RecoverabilityKey(Recoverability state) {
  switch (state) {
    case Recoverability::kIntact: return "intact";
    case Recoverability::kPartlyOverwritten: return "partly-overwritten";
    case Recoverability::kOverwritten: return "overwritten";
    case Recoverability::kNone: break;
  }
  return {};
}

// A deleted FAT or exFAT file has lost its chain; its recovery reads from
// the first cluster on, and where clusters in use lie in the way it either
// passes over them (and takes the next free ones instead) or, when the free
// ones run out or the map cannot be read, reads straight through. Either
// way the run of count clusters from first decides:
// - all free: the plan passes over nothing and reads exactly that run;
//   nothing it reads belongs to another file: intact;
// - the first in use: whatever the plan, the copy begins with another
//   file's bytes: overwritten;
// - another in use: the copy reads it, or passes over it and takes a free
//   cluster further on. That cluster is the file's own only if the file
//   was written around a file that already stood there; if the other file
//   came later, it took part of this one and the copy's tail is shifted by
//   foreign or stale clusters. Nothing on the volume tells the two apart,
//   so the copy is not called intact: partly overwritten.
// The walk stops at the first cluster in use after the first, so a long
// file costs no more than the clusters up to its first conflict.
Recoverability RunRecoverability(ClusterAllocation& allocation, uint64_t first, uint64_t count) {
  ClusterVerdict verdict;
  for (uint64_t i = 0; i < count && !verdict.Done(); ++i) verdict.Add(allocation.IsAllocated(first + i));
  return verdict.State();
}

}  // namespace tarnwell::engine
