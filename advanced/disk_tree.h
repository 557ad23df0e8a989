#pragma once
// The disk tree of the advanced window: "我的电脑", a node per drive, and
// below them the partitions, extended partitions, free space and found
// partitions of each drive's partition model. Nodes are told apart by the
// role, drive slot and entry they carry, never by their caption: a volume
// label can read "物理" or "丢失的分区".
#include <QString>
#include <cstdint>

class QTreeWidget;
class QTreeWidgetItem;

namespace tarnwell::physical {
class TPhysicalDrive;
struct TPartiEntry;
}  // namespace tarnwell::physical

namespace tarnwell::advanced {

enum class DiskNodeRole : int {
  kNone = 0,   // not a node of this tree
  kComputer,   // "我的电脑"
  kDrive,      // a physical disk or a volume (its whole-disk entry)
  kPartition,  // a partition with a file system type
  kExtended,   // an extended partition
  kFreeSpace,  // "未使用"
  kFound,      // found by the partition search
  kLostGroup,  // "丢失的分区": holds the found partitions, has no entry
  kLocked,     // a disk the user may not read yet: no drive, no entry
};

struct DiskNode {
  DiskNodeRole role = DiskNodeRole::kNone;
  int driveSlot = -1;                     // position in the drive list
  physical::TPartiEntry* entry = nullptr;  // not owning; none for the two groups
};

// What a node carries (role kNone for nullptr).
DiskNode NodeOf(const QTreeWidgetItem* item);
// The image index a node was given (see tree_pictures.h).
int NodeImage(const QTreeWidgetItem* item);

// The caption of an entry: a drive node by its drive ("物理驱动器 80H
// (19.07 GB)", "(C:) LABEL"), deeper nodes by partition type.
QString PartitionNodeText(const physical::TPhysicalDrive& drive, const physical::TPartiEntry& entry,
                          bool driveNode);
int PartitionNodeImage(const physical::TPhysicalDrive& drive, const physical::TPartiEntry& entry,
                       bool driveNode);

// Adds the node of a disk that needs authorisation (device-table index)
// under "我的电脑": greyed, its caption and reason from controls.
QTreeWidgetItem* AddLockedDiskNode(QTreeWidgetItem* computer, int diskIndex, const QString& caption,
                                   const QString& reason);
// The device-table index of a locked disk's node, -1 for any other node.
int LockedDiskIndex(const QTreeWidgetItem* item);

// Adds "我的电脑" to an empty tree.
QTreeWidgetItem* AddComputerNode(QTreeWidget* tree);

// Adds the node of `entry` under `parent` with its caption and picture. A
// drive node (parent "我的电脑") receives the whole-disk entry's children; an
// extended node receives, flat, every logical partition and free space of
// the drive's extended chain. The parent is expanded.
QTreeWidgetItem* AddPartitionNode(QTreeWidgetItem* parent, physical::TPhysicalDrive& drive, int driveSlot,
                                  physical::TPartiEntry& entry);

// The "丢失的分区" node of a drive node: the existing one emptied, or a new
// one added.
QTreeWidgetItem* ResetLostPartitionNode(QTreeWidgetItem* driveNode);

// The drive node a node belongs to (itself for a drive node); nullptr for
// "我的电脑" and foreign items.
QTreeWidgetItem* DriveNodeOf(QTreeWidgetItem* item);

}  // namespace tarnwell::advanced
