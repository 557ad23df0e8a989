#pragma once
// How much of a deleted file's data is still its own, told from the volume's
// allocation map: the clusters its recovery reads (and those the recovery
// passes over on its way) that now belong to something else.
#include <cstdint>
#include <string_view>

namespace tarnwell::engine {

enum class Recoverability : uint8_t {
  kNone,               // an existing entry, a folder, or an allocation map that could not be read
  kIntact,             // no cluster the recovery reads belongs to anything else
  kPartlyOverwritten,  // some do: the copy may mix in other files' bytes
  kOverwritten,        // its first cluster does: the copy starts with another file's bytes
};

// "intact", "partly-overwritten", "overwritten"; empty for kNone.
std::string_view RecoverabilityKey(Recoverability state);
// True for the two states whose copy holds bytes that are not the file's.
inline bool IsOverwritten(Recoverability state) {
  return state == Recoverability::kPartlyOverwritten || state == Recoverability::kOverwritten;
}

// Whether a cluster of the volume is in use now. A cluster the map does not
// cover, or whose part of the map cannot be read, counts as in use: nothing
// unknown passes for free space.
class ClusterAllocation {
 public:
  virtual ~ClusterAllocation() = default;
  virtual bool IsAllocated(uint64_t cluster) = 0;
};

// The verdict over the clusters a recovery reads, handed in the order it
// reads them: the first one decides "overwritten", any later one in use
// "partly overwritten". Done() says when more clusters cannot change it.
class ClusterVerdict {
 public:
  void Add(bool allocated) {
    if (!seen_) {
      seen_ = true;
      if (allocated) state_ = Recoverability::kOverwritten;
      return;
    }
    if (allocated && state_ == Recoverability::kIntact) state_ = Recoverability::kPartlyOverwritten;
  }
  bool Done() const { return state_ != Recoverability::kIntact; }
  Recoverability State() const { return state_; }

 private:
  bool seen_ = false;
  Recoverability state_ = Recoverability::kIntact;
};

// The state of count clusters read one after another from first. A
// recovery that passes over clusters in use (the FAT planner, the exFAT
// bitmap plan) spans them as well, so this is the rule for those too: see
// RunRecoverability's definition.
Recoverability RunRecoverability(ClusterAllocation& allocation, uint64_t first, uint64_t count);

// The cached state of a record: kUnknownRecoverability until first asked.
inline constexpr uint8_t kUnknownRecoverability = 0xFF;

}  // namespace tarnwell::engine
