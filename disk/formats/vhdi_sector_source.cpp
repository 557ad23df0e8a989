// VHD and VHDX images through libvhdi; a differencing one reads through
// its parents.
#include <libvhdi.h>

#include "disk/formats/chained_image.h"
#include "disk/formats/format_readers.h"
#include "disk/formats/library_error.h"
#include "disk/formats/parent_image.h"

namespace tarnwell::disk::formats {
namespace {

struct Vhdi {
  using Handle = libvhdi_file_t;
  using Error = LibraryError<libvhdi_error_t, libvhdi_error_free, libvhdi_error_backtrace_sprint>;

  static int Initialize(Handle** file, libvhdi_error_t** error) { return libvhdi_file_initialize(file, error); }
  static int Open(Handle* file, const char* path, libvhdi_error_t** error) {
    return libvhdi_file_open(file, path, LIBVHDI_OPEN_READ, error);
  }
  static void Release(Handle* file) {
    libvhdi_file_close(file, nullptr);
    libvhdi_file_free(&file, nullptr);
  }
  static std::string Prepare(Handle*, const std::string&) { return {}; }
  static std::optional<std::string> RecordedParent(Handle* file) {
    uint32_t type = 0;
    if (libvhdi_file_get_disk_type(file, &type, nullptr) != 1 || type != LIBVHDI_DISK_TYPE_DIFFERENTIAL)
      return std::nullopt;
    return Utf8Name(file, libvhdi_file_get_utf8_parent_filename_size, libvhdi_file_get_utf8_parent_filename);
  }
  static int SetParent(Handle* child, Handle* parent, libvhdi_error_t** error) {
    return libvhdi_file_set_parent_file(child, parent, error);
  }
  static int MediaSize(Handle* file, uint64_t* size, libvhdi_error_t** error) {
    return libvhdi_file_get_media_size(file, size, error);
  }
  static ssize_t ReadAt(Handle* file, void* buffer, size_t length, off64_t offset, libvhdi_error_t** error) {
    return libvhdi_file_read_buffer_at_offset(file, buffer, length, offset, error);
  }
};

}  // namespace

std::unique_ptr<DecodedSectorSource> OpenVhdiImage(const std::string& path, const std::string& kind,
                                                  std::string& error) {
  return OpenChainedImage<Vhdi>(path, kind, error);
}

}  // namespace tarnwell::disk::formats
