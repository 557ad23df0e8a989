#pragma once
// How the standard window shows the engine's found entries, whatever their
// kind: list and tree images, status texts, and the file-list rows made
// from entry handles.
#include <QString>
#include <cstdint>
#include <string>
#include <utility>

#include "controls/file_list_model.h"
#include "controls/type_names.h"
#include "engine/entry_handle.h"

namespace tarnwell::standard {

// File-list images.
enum ListImage : uint8_t {
  kImageFolder = 0,
  kImageDeletedFolder = 1,
  kImageDamagedFolder = 2,
  kImageFile = 3,
  kImageDeletedFile = 4,
};

uint8_t EntryListImage(const engine::EntryHandle& entry);
// Normal and selected folder-tree images: 2/3, 4/5 deleted, 6/6 damaged.
std::pair<int, int> FolderTreeImages(const engine::EntryHandle& entry);
// "已删除" or "已损坏" (nothing for existing entries); a deleted file's
// with how much of its data is its own after it: "已删除，已被覆盖".
QString EntryStatusText(const engine::EntryHandle& entry);
// "完好", "部分被覆盖", "已被覆盖"; empty for no state.
QString RecoverabilityText(engine::Recoverability state);

// A row keeps its handle as two opaque words; these pack and unpack them.
engine::EntryHandle HandleOfRow(const controls::FileRow& row);

// One file-list row. location (search results) replaces the type text.
controls::FileRow MakeFileRow(const engine::EntryHandle& entry, controls::FileListModel& model,
                              controls::TypeNameProvider& types, const QString* location);

}  // namespace tarnwell::standard
