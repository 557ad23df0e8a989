#pragma once
// A disk image whose file does not hold the disk's sectors as they are: a
// forensic or virtual-machine container (E01, VHD, VHDX, VMDK, QCOW2) or a
// raw image split into numbered pieces. The disk layer decodes it; the
// device table keeps it, and libblkid probes its partitions and labels
// through it.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnwell::platform {

class ImageContent {
 public:
  virtual ~ImageContent() = default;
  // What the image is ("E01", "VHDX", "split raw"), for the disk lists.
  virtual std::string FormatName() const = 0;
  // Bytes of the disk the image holds.
  virtual uint64_t SizeBytes() const = 0;
  // Reads length bytes at offset of the disk into buffer. False when the
  // image cannot give them all (a read error, a damaged chunk, a range
  // past the disk's end).
  virtual bool ReadAt(uint64_t offset, void* buffer, size_t length) = 0;
};

}  // namespace tarnwell::platform
