#include "advanced/carved_rows.h"

#include <map>
#include <string_view>
#include <unordered_map>

#include "advanced/raw_file_list.h"
#include "controls/type_names.h"
#include "physical/carve/carve_output.h"
#include "physical/physical_drive.h"

namespace tarnwell::advanced {

using physical::carve::CarvedFile;

std::vector<CarvedTypeNode> CarvedTypeNodes(const std::vector<CarvedFile>& files) {
  // Extensions are the families' static texts: counted without a string
  // made per file.
  std::map<std::string_view, size_t> counts;
  for (const CarvedFile& f : files) ++counts[f.extension];
  std::vector<CarvedTypeNode> nodes;
  nodes.reserve(counts.size());
  for (const auto& [extension, count] : counts)
    nodes.push_back({QString::fromLatin1(extension.data(), static_cast<qsizetype>(extension.size())), count});
  return nodes;
}

QString CarvedStateText(const CarvedFile& file) {
  if (file.damaged) return QStringLiteral("已损坏");
  return file.Joined() ? QStringLiteral("已拼接") : QStringLiteral("已验证");
}

void FillCarvedRows(RawFileListModel& model, controls::TypeNameProvider& typeNames,
                    const physical::TPhysicalDrive& drive, const std::vector<CarvedFile>& files,
                    const QString& extension) {
  std::vector<controls::FileRow> rows;
  std::unordered_map<const void*, uint64_t> sectors;
  model.ClearRows();
  // A type's name is asked for once: a type holds up to millions of files.
  std::map<const char*, uint32_t> typeTexts;
  for (const CarvedFile& f : files) {
    if (!extension.isEmpty() && extension != QLatin1String(f.extension)) continue;
    const engine::EntryHandle handle = drive.EntryOf(f);
    controls::FileRow row;
    row.handle = handle.Item();
    row.tag = handle.Kind();
    row.image = kRowFile;
    row.name = QString::fromStdString(physical::carve::CarvedFileName(f));
    auto type = typeTexts.find(f.extension);
    if (type == typeTexts.end())
      type = typeTexts.emplace(f.extension, model.PoolText(typeNames.FileTypeName(row.name))).first;
    row.text1 = type->second;
    row.text2 = model.PoolText(CarvedStateText(f));
    row.size = static_cast<int64_t>(f.length);
    sectors.emplace(row.handle, f.sector);
    rows.push_back(std::move(row));
  }
  model.SetCarvedRows(std::move(rows), std::move(sectors));
}

}  // namespace tarnwell::advanced
