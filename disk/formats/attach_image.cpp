#include "disk/formats/attach_image.h"

#include "disk/formats/image_opener.h"
#include "platform/device_table.h"

namespace tarnwell::disk {

bool AttachImage(const std::string& path, std::string* error) {
  auto& table = platform::DeviceTable::Instance();
  const formats::ImageFormat format = formats::DetectImageFormat(path);
  if (format == formats::ImageFormat::kRaw) return table.AttachImage(path, error);
  std::string why;
  std::unique_ptr<formats::DecodedSectorSource> source = formats::OpenFormatImage(path, format, why);
  if (!source) {
    if (error) *error = path + ": " + why;
    return false;
  }
  table.AttachImageContent(path, std::move(source));
  return true;
}

}  // namespace tarnwell::disk
