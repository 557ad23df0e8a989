// VMDK images through libvmdk: a descriptor file with its extent files
// beside it, or a sparse VMDK that is its own extent; a snapshot reads
// through its parent.
#include <libvmdk.h>

#include <filesystem>

#include "disk/formats/chained_image.h"
#include "disk/formats/format_readers.h"
#include "disk/formats/library_error.h"

namespace tarnwell::disk::formats {
namespace {

namespace fs = std::filesystem;

struct Vmdk {
  using Handle = libvmdk_handle_t;
  using Error = LibraryError<libvmdk_error_t, libvmdk_error_free, libvmdk_error_backtrace_sprint>;

  static int Initialize(Handle** handle, libvmdk_error_t** error) { return libvmdk_handle_initialize(handle, error); }
  static int Open(Handle* handle, const char* path, libvmdk_error_t** error) {
    return libvmdk_handle_open(handle, path, LIBVMDK_OPEN_READ, error);
  }
  static void Release(Handle* handle) {
    libvmdk_handle_close(handle, nullptr);
    libvmdk_handle_free(&handle, nullptr);
  }
  // The descriptor names its extent files relative to its own folder; one
  // that is not there is said by name before the library is asked.
  static std::string Prepare(Handle* handle, const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    Error error;
    if (!folder.empty() &&
        libvmdk_handle_set_extent_data_files_path(handle, folder.c_str(), folder.native().size(), error.Out()) != 1)
      return "damaged VMDK image: " + error.Cause();
    int extents = 0;
    if (libvmdk_handle_get_number_of_extents(handle, &extents, error.Out()) != 1)
      return "damaged VMDK image: " + error.Cause();
    for (int i = 0; i < extents; ++i) {
      const std::string name = ExtentFileName(handle, i);
      std::error_code ec;
      if (!name.empty() && !fs::exists(folder / name, ec))
        return "the VMDK image is incomplete: its extent file " + name + " is missing";
    }
    if (libvmdk_handle_open_extent_data_files(handle, error.Out()) != 1)
      return "damaged VMDK image: " + error.Cause();
    return {};
  }
  static std::optional<std::string> RecordedParent(Handle* handle) {
    size_t size = 0;
    if (libvmdk_handle_get_utf8_parent_filename_size(handle, &size, nullptr) != 1 || size <= 1) return std::nullopt;
    return Utf8Name(handle, libvmdk_handle_get_utf8_parent_filename_size, libvmdk_handle_get_utf8_parent_filename);
  }
  static int SetParent(Handle* child, Handle* parent, libvmdk_error_t** error) {
    return libvmdk_handle_set_parent_handle(child, parent, error);
  }
  static int MediaSize(Handle* handle, uint64_t* size, libvmdk_error_t** error) {
    return libvmdk_handle_get_media_size(handle, size, error);
  }
  static ssize_t ReadAt(Handle* handle, void* buffer, size_t length, off64_t offset, libvmdk_error_t** error) {
    return libvmdk_handle_read_buffer_at_offset(handle, buffer, length, offset, error);
  }

 private:
  static std::string ExtentFileName(Handle* handle, int index) {
    libvmdk_extent_descriptor_t* extent = nullptr;
    if (libvmdk_handle_get_extent_descriptor(handle, index, &extent, nullptr) != 1) return {};
    const std::string name = Utf8Name(extent, libvmdk_extent_descriptor_get_utf8_filename_size,
                                      libvmdk_extent_descriptor_get_utf8_filename);
    libvmdk_extent_descriptor_free(&extent, nullptr);
    return name;
  }
};

}  // namespace

std::unique_ptr<DecodedSectorSource> OpenVmdkImage(const std::string& path, std::string& error) {
  return OpenChainedImage<Vmdk>(path, "VMDK", error);
}

}  // namespace tarnwell::disk::formats
