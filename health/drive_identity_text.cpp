#include "health/drive_identity_text.h"

#include <cstdio>

namespace tarnwell::health {
namespace {

constexpr double kSectorsPerGigabyte = 2097152.0;

std::string Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\0'; };
  size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

}  // namespace

uint64_t CapacitySectors(const TDriveIdentity& identity) {
  const uint64_t sectors28 = identity.TotalSectors();
  if (identity.Supports48BitAddress()) {
    const uint64_t sectors48 = identity.TotalSectors48();
    if (sectors48 > sectors28) return sectors48;
  }
  return sectors28;
}

std::string CapacityText(const TDriveIdentity& identity) {
  char text[48];
  std::snprintf(text, sizeof text, "%.2f GB",
                static_cast<double>(CapacitySectors(identity)) / kSectorsPerGigabyte);
  return text;
}

std::string ModelText(const TDriveIdentity& identity) { return Trimmed(identity.Model()); }
std::string FirmwareText(const TDriveIdentity& identity) { return Trimmed(identity.Firmware()); }
std::string SerialText(const TDriveIdentity& identity) { return Trimmed(identity.Serial()); }

std::string ModelEntryText(const TDriveIdentity& identity) {
  std::string text(identity.Model());
  for (char& c : text)
    if (c == '\0') c = ' ';
  return text;
}

std::string PrintableDriveText(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

}  // namespace tarnwell::health
