#pragma once
// Attaches an image a person named, in whatever format its content shows.
#include <string>

namespace tarnwell::disk {

// Raw images go to the device table as they are; E01, VHD, VHDX, VMDK,
// QCOW2 and split raw images through their readers, shared by the table
// and every reader. False with "PATH: why" in error when the file cannot be
// read, is damaged or incomplete, or is in a format this build cannot read.
bool AttachImage(const std::string& path, std::string* error = nullptr);

}  // namespace tarnwell::disk
