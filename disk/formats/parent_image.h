#pragma once
// Differencing images (a differencing VHD, a QCOW2 overlay, a VMDK
// snapshot) hold only what changed and name the image below them. The
// name is recorded as the program that made it saw it (a Windows path, a
// path relative to the child, a bare file name); the parent is looked for
// where that name leads, then beside the child.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwell::disk::formats {

// A recorded parent name through a library's size and UTF-8 getters (one
// shape in all of them); empty when it cannot be read.
template <typename Handle, typename Size, typename Get>
std::string Utf8Name(Handle* handle, Size size, Get get) {
  size_t length = 0;
  if (size(handle, &length, nullptr) != 1 || length == 0) return {};
  std::string name(length, '\0');
  if (get(handle, reinterpret_cast<uint8_t*>(name.data()), length, nullptr) != 1) return {};
  return name.c_str();  // the size counts the terminating NUL
}

// A chain of differencing images deeper than this is taken for a loop.
inline constexpr int kMaxParentDepth = 16;

// The path of the parent named `recorded` by the image at `child`, or
// nullopt when no such file is found.
std::optional<std::string> FindParent(const std::string& child, const std::string& recorded);

// What to say when it is not found: "differencing VHD image whose parent
// base.vhd is missing (looked for it beside child.vhd)".
std::string MissingParentText(const std::string& kind, const std::string& child, const std::string& recorded);

}  // namespace tarnwell::disk::formats
