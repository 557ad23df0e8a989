// QCOW2 (and the older QCOW) images through libqcow; an overlay reads
// through its backing file.
#include <libqcow.h>

#include "disk/formats/chained_image.h"
#include "disk/formats/format_readers.h"
#include "disk/formats/library_error.h"

namespace tarnwell::disk::formats {
namespace {

struct Qcow {
  using Handle = libqcow_file_t;
  using Error = LibraryError<libqcow_error_t, libqcow_error_free, libqcow_error_backtrace_sprint>;

  static int Initialize(Handle** file, libqcow_error_t** error) { return libqcow_file_initialize(file, error); }
  static int Open(Handle* file, const char* path, libqcow_error_t** error) {
    return libqcow_file_open(file, path, LIBQCOW_OPEN_READ, error);
  }
  static void Release(Handle* file) {
    libqcow_file_close(file, nullptr);
    libqcow_file_free(&file, nullptr);
  }
  static std::string Prepare(Handle* file, const std::string&) {
    uint32_t method = LIBQCOW_ENCRYPTION_METHOD_NONE;
    if (libqcow_file_get_encryption_method(file, &method, nullptr) == 1 && method != LIBQCOW_ENCRYPTION_METHOD_NONE)
      return "encrypted QCOW2 image: Tarnwell reads unencrypted images only";
    return {};
  }
  static std::optional<std::string> RecordedParent(Handle* file) {
    size_t size = 0;
    if (libqcow_file_get_utf8_backing_filename_size(file, &size, nullptr) != 1 || size <= 1) return std::nullopt;
    return Utf8Name(file, libqcow_file_get_utf8_backing_filename_size, libqcow_file_get_utf8_backing_filename);
  }
  static int SetParent(Handle* child, Handle* parent, libqcow_error_t** error) {
    return libqcow_file_set_parent_file(child, parent, error);
  }
  static int MediaSize(Handle* file, uint64_t* size, libqcow_error_t** error) {
    return libqcow_file_get_media_size(file, size, error);
  }
  static ssize_t ReadAt(Handle* file, void* buffer, size_t length, off64_t offset, libqcow_error_t** error) {
    return libqcow_file_read_buffer_at_offset(file, buffer, length, offset, error);
  }
};

}  // namespace

std::unique_ptr<DecodedSectorSource> OpenQcowImage(const std::string& path, std::string& error) {
  return OpenChainedImage<Qcow>(path, "QCOW2", error);
}

}  // namespace tarnwell::disk::formats
