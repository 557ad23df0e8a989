#include "engine/exfat/exfat_data_plan.h"

namespace tarnwell::engine {

std::optional<uint32_t> ExfatDataPlan::ClusterAt(const ExfatLayout& layout, uint64_t i) const {
  if (i >= count) return std::nullopt;
  if (!clusters.empty()) return i < clusters.size() ? std::optional<uint32_t>(clusters[i]) : std::nullopt;
  const uint64_t c = static_cast<uint64_t>(first) + i;
  if (c > 0xFFFFFFFFu || !layout.IsDataCluster(static_cast<uint32_t>(c))) return std::nullopt;
  return static_cast<uint32_t>(c);
}

ExfatDataPlan PlanExfatData(const TLogiDrive& drive, const ExfatLayout& layout, uint32_t first,
                            uint64_t bytes, bool noFatChain, bool existing,
                            const ExfatBitmap* bitmap) {
  ExfatDataPlan plan;
  plan.first = first;
  plan.count = layout.ClustersFor(bytes);
  if (noFatChain || plan.count == 0 || !layout.IsDataCluster(first)) return plan;
  if (existing) {
    ExfatChain chain = ReadExfatChain(drive, layout, first, plan.count);
    if (chain.complete && chain.clusters.size() == plan.count) plan.clusters = std::move(chain.clusters);
    return plan;
  }
  if (!bitmap || bitmap->Empty()) return plan;
  for (uint64_t c = first; plan.clusters.size() < plan.count && c <= 0xFFFFFFFFu &&
                           layout.IsDataCluster(static_cast<uint32_t>(c));
       ++c)
    if (!bitmap->IsAllocated(static_cast<uint32_t>(c))) plan.clusters.push_back(static_cast<uint32_t>(c));
  // Not enough free clusters after first: the data cannot be told apart
  // from what came later, so the plain contiguous read stands.
  if (plan.clusters.size() < plan.count) plan.clusters.clear();
  return plan;
}

}  // namespace tarnwell::engine
