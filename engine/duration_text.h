#pragma once
#include <string>

namespace tarnwell::engine {

// A duration as a progress line shows it: "0:52", "12:05", "1:02:03".
std::string DurationText(double seconds);

}  // namespace tarnwell::engine
