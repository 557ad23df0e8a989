#pragma once
// The one picture set of both recovery windows: the commands of their tool
// bars and the kinds of node of their trees and lists (the style's own
// pictures come in 16 pixels only on many desktops and blur at scale 2).
// Every picture is drawn as vectors on a 16-unit square, at the size and device pixel ratio it is
// shown at, so that it is as sharp at scale 2 as at scale 1.
#include <QIcon>
#include <functional>

class QPainter;
class QRectF;

namespace tarnwell::controls {

enum class Picture {
  kScan,           // "扫描": a disk under a magnifying glass
  kSmartScan,      // "智能扫描": a partitioned disk under the glass
  kStop,           // "停止"
  kRecover,        // "恢复": an arrow into a tray
  kScan32,         // "扫描 32": a damaged folder under the glass
  kUp,             // "向上": a folder with an arrow up
  kBack,           // "后退"
  kForward,        // "向前"
  kScanResults,    // the node of a scan's folders: a card box
  kSearchResults,  // the node of search results: binoculars
  kPartition,      // a partition: a slice of a disk
  kExtended,       // an extended partition: a pie
  kFreeSpace,      // free space or a found partition: a dashed frame
  kFolder,
  kFolderOpen,
  kFile,
  kHardDisk,       // a fixed drive or a physical disk
  kRemovable,      // a removable drive
  kComputer,       // the root of the drive trees
};

QIcon PictureIcon(Picture picture);

// Draws on a 16 by 16 square; the icon scales it to the size asked.
using PicturePainter = std::function<void(QPainter&)>;
// An icon painted anew for every size and device pixel ratio; selected
// items get their own painting where one is given.
QIcon PaintedIcon(PicturePainter paint, PicturePainter selected = {});
// A folder that shows itself open while its item is selected.
QIcon FolderNodeIcon();
// A picture with a mark drawn over it (a red cross for "deleted", a
// warning triangle for "damaged"), both at the size and ratio asked.
QIcon MarkedIcon(const QIcon& base, PicturePainter mark);

}  // namespace tarnwell::controls
