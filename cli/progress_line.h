#pragma once
// The one-line progress bar the front end draws on a terminal:
//   " 42% [#########------------]  12.3 MB/s  0:15 left"
#include <cstdint>
#include <string>

namespace tarnwell::cli {

// percent 0-100 of work started elapsedSeconds ago; totalBytes is the size
// of the whole job, or 0 when unknown (then no rate is shown). Time left is
// shown once there is progress to extrapolate from.
std::string ProgressLine(int percent, double elapsedSeconds, uint64_t totalBytes);
// Its head alone: " 42% [#########------------]".
std::string ProgressBarText(int percent);

}  // namespace tarnwell::cli
