#include "advanced/disk_tree.h"

#include <QTreeWidget>
#include <algorithm>

#include "advanced/tree_pictures.h"
#include "controls/message_boxes.h"
#include "physical/drive_caption.h"
#include "physical/physical_drive.h"

namespace tarnwell::advanced {
namespace {

using physical::TPartiEntry;
using physical::TPhysicalDrive;

constexpr int kRoleRole = Qt::UserRole;
constexpr int kRoleSlot = Qt::UserRole + 1;
constexpr int kRoleEntry = Qt::UserRole + 2;
constexpr int kRoleImage = Qt::UserRole + 3;

QString SizeText(uint64_t sectors) { return QString::fromStdString(physical::FormatSectorSize(sectors)); }

DiskNodeRole RoleOf(const TPartiEntry& entry, bool driveNode) {
  if (driveNode) return DiskNodeRole::kDrive;
  if (entry.IsFreeSpace()) return DiskNodeRole::kFreeSpace;
  if (entry.IsExtended()) return DiskNodeRole::kExtended;
  if (entry.PartType() == physical::kTypeFound) return DiskNodeRole::kFound;
  return DiskNodeRole::kPartition;
}

QTreeWidgetItem* NewNode(QTreeWidgetItem* parent, const QString& text, int image, DiskNodeRole role,
                         int slot, TPartiEntry* entry) {
  auto* item = new QTreeWidgetItem(parent, QStringList{text});
  item->setIcon(0, TreePicture(image));
  item->setData(0, kRoleRole, static_cast<int>(role));
  item->setData(0, kRoleSlot, slot);
  item->setData(0, kRoleEntry, QVariant::fromValue(reinterpret_cast<quintptr>(entry)));
  item->setData(0, kRoleImage, image);
  return item;
}

bool IsDirectChildOfDisk(const TPhysicalDrive& drive, const TPartiEntry* entry) {
  const auto& children = drive.WholeDisk().Children;
  return std::find(children.begin(), children.end(), entry) != children.end();
}

}  // namespace

DiskNode NodeOf(const QTreeWidgetItem* item) {
  DiskNode node;
  if (!item) return node;
  node.role = static_cast<DiskNodeRole>(item->data(0, kRoleRole).toInt());
  node.driveSlot = item->data(0, kRoleSlot).toInt();
  node.entry = reinterpret_cast<TPartiEntry*>(item->data(0, kRoleEntry).value<quintptr>());
  return node;
}

QTreeWidgetItem* AddLockedDiskNode(QTreeWidgetItem* computer, int diskIndex, const QString& caption,
                                   const QString& reason) {
  QTreeWidgetItem* item = NewNode(computer, caption, kImagePhysicalDisk, DiskNodeRole::kLocked, diskIndex, nullptr);
  item->setToolTip(0, reason);
  if (QTreeWidget* tree = computer->treeWidget())
    item->setForeground(0, tree->palette().brush(QPalette::Disabled, QPalette::Text));
  return item;
}

int LockedDiskIndex(const QTreeWidgetItem* item) {
  const DiskNode node = NodeOf(item);
  return node.role == DiskNodeRole::kLocked ? node.driveSlot : -1;
}

int NodeImage(const QTreeWidgetItem* item) { return item ? item->data(0, kRoleImage).toInt() : -1; }

QString PartitionNodeText(const TPhysicalDrive& drive, const TPartiEntry& entry, bool driveNode) {
  if (driveNode) {
    const std::string note = physical::DriveKindNote(drive);
    return controls::FromSystem(physical::DriveCaption(drive)) +
           (note.empty() ? QString() : QStringLiteral("  [%1]").arg(QString::fromStdString(note)));
  }
  const QString size = SizeText(entry.SectorCount());
  if (entry.IsFreeSpace()) return QStringLiteral("未使用 (%1)").arg(size);
  if (entry.IsExtended()) return QStringLiteral("扩展分区 (%1)").arg(size);
  if (entry.Label.empty()) return QStringLiteral("无名称 (%1)").arg(size);
  return controls::FromSystem(entry.Label) + QStringLiteral(" (%1)").arg(size);
}

int PartitionNodeImage(const TPhysicalDrive& drive, const TPartiEntry& entry, bool driveNode) {
  if (driveNode) return drive.IsVolume() ? kImageVolume : kImagePhysicalDisk;
  if (entry.IsFreeSpace() || entry.PartType() == physical::kTypeFound) return kImageUnknown;
  if (entry.IsExtended()) return kImageExtended;
  return kImagePartition;
}

QTreeWidgetItem* AddComputerNode(QTreeWidget* tree) {
  auto* item = new QTreeWidgetItem(tree, QStringList{QStringLiteral("我的电脑")});
  item->setIcon(0, TreePicture(kImageComputer));
  item->setData(0, kRoleRole, static_cast<int>(DiskNodeRole::kComputer));
  item->setData(0, kRoleSlot, -1);
  item->setData(0, kRoleImage, static_cast<int>(kImageComputer));
  return item;
}

QTreeWidgetItem* AddPartitionNode(QTreeWidgetItem* parent, TPhysicalDrive& drive, int driveSlot,
                                  TPartiEntry& entry) {
  const bool driveNode = NodeOf(parent).role == DiskNodeRole::kComputer;
  QTreeWidgetItem* node = NewNode(parent, PartitionNodeText(drive, entry, driveNode),
                                  PartitionNodeImage(drive, entry, driveNode), RoleOf(entry, driveNode),
                                  driveSlot, &entry);
  if (driveNode) {
    for (TPartiEntry* child : entry.Children) AddPartitionNode(node, drive, driveSlot, *child);
  } else if (entry.IsExtended()) {
    // The whole chain hangs flat under the extended node: its logical
    // partitions and free space, not the links.
    for (size_t i = 1; i < drive.Partitions.size(); ++i) {
      TPartiEntry* e = drive.Partitions[i].get();
      if (e->IsExtended() || IsDirectChildOfDisk(drive, e)) continue;
      AddPartitionNode(node, drive, driveSlot, *e);
    }
  }
  parent->setExpanded(true);
  return node;
}

QTreeWidgetItem* ResetLostPartitionNode(QTreeWidgetItem* driveNode) {
  for (int i = 0; i < driveNode->childCount(); ++i) {
    QTreeWidgetItem* child = driveNode->child(i);
    if (NodeOf(child).role != DiskNodeRole::kLostGroup) continue;
    qDeleteAll(child->takeChildren());
    return child;
  }
  return NewNode(driveNode, QStringLiteral("丢失的分区"), kImageFolderOpen, DiskNodeRole::kLostGroup,
                 NodeOf(driveNode).driveSlot, nullptr);
}

QTreeWidgetItem* DriveNodeOf(QTreeWidgetItem* item) {
  while (item && NodeOf(item).role != DiskNodeRole::kDrive) {
    if (NodeOf(item).role == DiskNodeRole::kNone || NodeOf(item).role == DiskNodeRole::kComputer)
      return nullptr;
    item = item->parent();
  }
  return item;
}

}  // namespace tarnwell::advanced
