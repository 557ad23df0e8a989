#include "standard/entry_rows.h"

#include "controls/message_boxes.h"

namespace tarnwell::standard {

using engine::EntryStatus;

uint8_t EntryListImage(const engine::EntryHandle& entry) {
  const EntryStatus status = entry.Status();
  if (entry.IsFolder()) {
    switch (status) {
      case EntryStatus::kExisting: return kImageFolder;
      case EntryStatus::kDeleted: return kImageDeletedFolder;
      default: return kImageDamagedFolder;
    }
  }
  return status == EntryStatus::kExisting ? kImageFile : kImageDeletedFile;
}

std::pair<int, int> FolderTreeImages(const engine::EntryHandle& entry) {
  switch (EntryListImage(entry)) {
    case kImageDeletedFolder: return {4, 5};
    case kImageDamagedFolder: return {6, 6};
    default: return {2, 3};
  }
}

QString RecoverabilityText(engine::Recoverability state) {
  switch (state) {
    case engine::Recoverability::kIntact: return QStringLiteral("完好");
    case engine::Recoverability::kPartlyOverwritten: return QStringLiteral("部分被覆盖");
    case engine::Recoverability::kOverwritten: return QStringLiteral("已被覆盖");
    case engine::Recoverability::kNone: break;
  }
  return QString();
}

QString EntryStatusText(const engine::EntryHandle& entry) {
  switch (entry.Status()) {
    case EntryStatus::kDamaged: return QStringLiteral("已损坏");
    case EntryStatus::kDeleted: {
      const QString state = RecoverabilityText(entry.Recoverable());
      return state.isEmpty() ? QStringLiteral("已删除") : QStringLiteral("已删除，") + state;
    }
    default: return QString();
  }
}

engine::EntryHandle HandleOfRow(const controls::FileRow& row) {
  return engine::EntryHandle::FromParts(row.tag, row.handle);
}

controls::FileRow MakeFileRow(const engine::EntryHandle& entry, controls::FileListModel& model,
                              controls::TypeNameProvider& types, const QString* location) {
  controls::FileRow row;
  row.handle = entry.Item();
  row.tag = entry.Kind();
  row.image = EntryListImage(entry);
  row.name = controls::FromSystem(entry.Name());
  const bool folder = entry.IsFolder();
  if (location)
    row.text1 = model.PoolText(*location);
  else
    row.text1 = model.PoolText(folder ? types.FolderTypeName() : types.FileTypeName(row.name));
  row.text2 = model.PoolText(EntryStatusText(entry));
  row.size = static_cast<int64_t>(entry.Size());
  row.date = entry.Stamp(engine::kDateCreated);
  return row;
}

}  // namespace tarnwell::standard
