#include "physical/carve/exif_date.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "physical/carve/reader_helpers.h"

namespace tarnwell::physical::carve {
namespace {

constexpr uint16_t kDateTime = 0x0132, kExifIfd = 0x8769, kOriginal = 0x9003, kOffsetOriginal = 0x9011;

// The TIFF structure of EXIF data at `base` of the reader.
class ExifTags {
 public:
  ExifTags(CarveReader& in, uint64_t base, uint64_t size) : in_(in), base_(base), size_(size) {}

  bool Open() {
    uint8_t h[8];
    if (size_ < 8 || !in_.Read(base_, h, 8)) return false;
    little_ = h[0] == 'I';
    if (!(little_ && h[1] == 'I') && !(h[0] == 'M' && h[1] == 'M')) return false;
    ifd0_ = U32(h + 4);
    return true;
  }
  // The ASCII value of a tag in the IFD at offset, empty when absent.
  std::string Text(uint64_t ifd, uint16_t tag) {
    uint32_t value = 0, count = 0;
    if (!Find(ifd, tag, 2, value, count) || count == 0 || count > 64) return {};
    std::string t(count, '\0');
    if (count <= 4) {
      uint8_t v[4];
      Store(v, value);
      std::memcpy(t.data(), v, count);
    } else if (value + uint64_t{count} > size_ || !in_.Read(base_ + value, t.data(), count)) {
      return {};
    }
    return t.substr(0, t.find('\0'));
  }
  uint32_t Pointer(uint64_t ifd, uint16_t tag) {
    uint32_t value = 0, count = 0;
    return Find(ifd, tag, 4, value, count) ? value : 0;
  }
  uint32_t Ifd0() const { return ifd0_; }

 private:
  uint16_t U16(const uint8_t* p) const { return little_ ? LoadLE16(p) : LoadBE16(p); }
  uint32_t U32(const uint8_t* p) const { return little_ ? LoadLE32(p) : LoadBE32(p); }
  void Store(uint8_t* v, uint32_t value) const {
    // The value field as the bytes it was stored as.
    for (int i = 0; i < 4; ++i) v[i] = static_cast<uint8_t>(little_ ? value >> (8 * i) : value >> (24 - 8 * i));
  }
  bool Find(uint64_t ifd, uint16_t tag, uint16_t type, uint32_t& value, uint32_t& count) {
    uint8_t n[2];
    if (ifd == 0 || ifd + 2 > size_ || !in_.Read(base_ + ifd, n, 2)) return false;
    const uint16_t entries = U16(n);
    for (uint16_t i = 0; i < entries && i < 512; ++i) {
      uint8_t e[12];
      const uint64_t at = ifd + 2 + uint64_t{i} * 12;
      if (at + 12 > size_ || !in_.Read(base_ + at, e, 12)) return false;
      if (U16(e) != tag) continue;
      if (U16(e + 2) != type && !(type == 4 && U16(e + 2) == 13)) return false;
      count = U32(e + 4);
      value = U32(e + 8);
      return true;
    }
    return false;
  }

  CarveReader& in_;
  uint64_t base_, size_;
  bool little_ = true;
  uint32_t ifd0_ = 0;
};

// "YYYY:MM:DD HH:MM:SS" with an optional "+HH:MM" zone.
std::optional<timespec> ParseDate(const std::string& date, const std::string& zone) {
  std::tm t{};
  if (date.size() < 19 || std::sscanf(date.c_str(), "%4d:%2d:%2d %2d:%2d:%2d", &t.tm_year, &t.tm_mon, &t.tm_mday,
                                      &t.tm_hour, &t.tm_min, &t.tm_sec) != 6)
    return std::nullopt;
  if (t.tm_year < 1970 || t.tm_mon < 1 || t.tm_mon > 12 || t.tm_mday < 1 || t.tm_mday > 31 || t.tm_hour > 23 ||
      t.tm_min > 59 || t.tm_sec > 60)
    return std::nullopt;
  t.tm_year -= 1900;
  t.tm_mon -= 1;
  time_t seconds;
  int hours = 0, minutes = 0;
  char sign = 0;
  if (zone.size() >= 6 && std::sscanf(zone.c_str(), "%c%2d:%2d", &sign, &hours, &minutes) == 3 &&
      (sign == '+' || sign == '-') && hours <= 14 && minutes < 60) {
    seconds = timegm(&t) - (sign == '+' ? 1 : -1) * (hours * 3600 + minutes * 60);
  } else {
    t.tm_isdst = -1;
    seconds = mktime(&t);
  }
  if (seconds == static_cast<time_t>(-1)) return std::nullopt;
  return timespec{seconds, 0};
}

std::optional<timespec> FromTags(ExifTags& tags) {
  if (!tags.Open()) return std::nullopt;
  const uint32_t exif = tags.Pointer(tags.Ifd0(), kExifIfd);
  if (exif) {
    if (auto t = ParseDate(tags.Text(exif, kOriginal), tags.Text(exif, kOffsetOriginal))) return t;
  }
  return ParseDate(tags.Text(tags.Ifd0(), kDateTime), {});
}

}  // namespace

std::optional<timespec> ExifDate(CarveReader& in) {
  uint8_t h[4];
  if (!in.Read(0, h, 4)) return std::nullopt;
  if (h[0] == 'I' || h[0] == 'M') {
    ExifTags tags(in, 0, in.Limit());
    return FromTags(tags);
  }
  if (h[0] != 0xFF || h[1] != 0xD8) return std::nullopt;
  // The segments before the first scan: APP1 "Exif\0\0" holds the data.
  uint64_t pos = 2;
  for (int n = 0; n < 64; ++n) {
    uint8_t m[10];
    if (!in.Read(pos, m, 4) || m[0] != 0xFF || m[1] == 0xDA || m[1] == 0xD9) return std::nullopt;
    const uint16_t length = LoadBE16(m + 2);
    if (length < 2) return std::nullopt;
    if (m[1] == 0xE1 && length > 8 && in.Read(pos + 4, m + 4, 6) && std::memcmp(m + 4, "Exif\0\0", 6) == 0) {
      ExifTags tags(in, pos + 10, length - 8u);
      return FromTags(tags);
    }
    pos += 2 + uint64_t{length};
  }
  return std::nullopt;
}

}  // namespace tarnwell::physical::carve
