#pragma once
// The small pictures of the recovery windows, drawn from the style's
// standard icons with marks painted over them. Each window picks the sets
// it needs; the index of a picture in its set is what the window's code
// and the engine's log lines refer to.
#include <QIcon>
#include <vector>

namespace tarnwell::controls {

// File list: folder, deleted folder, damaged folder, file, deleted file.
std::vector<QIcon> FileListIcons();
// Folder tree: scan results, search results, folder and its selected form,
// deleted folder (two), damaged folder.
std::vector<QIcon> FolderTreeIcons();
// Drive tree: computer, removable drive, fixed drive.
std::vector<QIcon> DriveTreeIcons();
// Standard engine's log: information, stopped, error.
std::vector<QIcon> StandardLogIcons();
// Raw-range engine's log: progress, error, stopped.
std::vector<QIcon> AdvancedLogIcons();
// Header sort marks: ascending (index 0), descending (index 1).
std::vector<QIcon> SortMarkIcons();

}  // namespace tarnwell::controls
