#pragma once
// What the advanced window shows of the files a signature scan found: the
// type nodes of its file tree and the file list's rows (name f0001234.jpg,
// type, size, start sector, and whether the file validated to its end,
// was joined from two pieces or is damaged).
#include <QString>
#include <vector>

#include "advanced/folder_tree_model.h"
#include "physical/carve/carved_file.h"

namespace tarnwell::controls {
class TypeNameProvider;
}
namespace tarnwell::physical {
class TPhysicalDrive;
}

namespace tarnwell::advanced {

class RawFileListModel;

// One node per extension, in alphabetical order, with its file count.
std::vector<CarvedTypeNode> CarvedTypeNodes(const std::vector<physical::carve::CarvedFile>& files);

// "已验证", "已拼接" or "已损坏".
QString CarvedStateText(const physical::carve::CarvedFile& file);

// Fills the list with the files of one extension, or all of them for an
// empty one, in disk order. Rows hold the drive's handles of the files.
void FillCarvedRows(RawFileListModel& model, controls::TypeNameProvider& typeNames,
                    const physical::TPhysicalDrive& drive, const std::vector<physical::carve::CarvedFile>& files,
                    const QString& extension);

}  // namespace tarnwell::advanced
