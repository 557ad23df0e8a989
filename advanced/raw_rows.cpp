#include "advanced/raw_rows.h"

#include <cmath>

#include "controls/display_format.h"
#include "controls/message_boxes.h"
#include "engine/records.h"

namespace tarnwell::advanced {
namespace {

QString Flag(uint32_t attributes, uint32_t bit) {
  return (attributes & bit) ? QStringLiteral("Y") : QStringLiteral("N");
}

QString Scaled(int64_t bytes, double unit, const char* suffix) {
  // Hundredths of the unit, rounded half to even, then printed as short as
  // the value allows.
  const double hundredths = std::nearbyint(static_cast<double>(bytes) / (unit / 100.0));
  return QString::number(hundredths / 100.0, 'g', 15) + QLatin1String(suffix);
}

}  // namespace

QString FormatFileSize(int64_t bytes) {
  if (bytes >= 1000000) return Scaled(bytes, 1000000.0, " MB");
  if (bytes >= 1000) return Scaled(bytes, 1000.0, " KB");
  return QString::number(bytes);
}

RawRowValues RowValues(const engine::EntryHandle& entry) {
  RawRowValues v;
  v.name = controls::FromSystem(entry.Name());
  v.folder = entry.IsFolder();
  v.deleted = entry.IsDeleted();
  v.size = static_cast<int64_t>(entry.Size());
  v.created = entry.Stamp(engine::kDateCreated);
  v.accessed = entry.Stamp(engine::kDateAccessed);
  return v;
}

RawProperties PropertiesOf(const engine::EntryHandle& entry) {
  RawProperties p;
  const engine::EntryProperties facts = entry.Properties();
  p.exactSize = QString::number(entry.Size());
  if (facts.allocatedKnown) p.allocated = QString::number(facts.allocated);
  p.modified = controls::FormatListDateTime(entry.Stamp(engine::kDateModified));
  const uint32_t a = facts.attributes;
  p.flags = {Flag(a, 0x01), Flag(a, 0x04), Flag(a, 0x20), Flag(a, 0x02),
             facts.keepsCompressedFlag ? Flag(a, engine::kNtfsAttrCompressed) : QString()};
  return p;
}

}  // namespace tarnwell::advanced
