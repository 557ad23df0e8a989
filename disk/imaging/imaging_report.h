#pragma once
// The texts a copy to an image shows: the status line while it runs, the
// event-log lines, and why it failed. All in the system code page.
#include <string>

#include "disk/imaging/imaging_result.h"

namespace tarnwell::disk::imaging {

// "复制 第 1 遍：已复制 1.2 GB / 3.0 GB，35.1 MB/秒，坏区 3 个 (12.0 KB)，剩余 0:52"
std::string ImagingStatusText(const ImagingFigures& figures);
// The event-log line of a phase that begins ("复制 第 2 遍（向后）").
std::string PhaseLogText(const MapPosition& position);
// The closing line: what was copied, what stayed bad, or that it stopped.
std::string ImagingSummaryText(const ImagingResult& result);
// Why the copy could not start or go on.
std::string ImagingFaultText(const ImagingResult& result);

// "1.5 GB", "512 B": sizes in the units of 1024.
std::string SizeText(uint64_t bytes);

}  // namespace tarnwell::disk::imaging
