#pragma once
// The pictures of the advanced window's two trees, by their index in the
// trees' shared image list.
#include <QIcon>

namespace tarnwell::advanced {

enum TreeImage : int {
  kImageComputer = 0,
  kImagePhysicalDisk = 1,
  kImageVolume = 2,
  kImageExtended = 3,
  kImageFolderClosed = 4,
  kImageFolderOpen = 5,
  kImageScanResults = 6,
  kImagePartition = 7,
  kImageUnknown = 8,  // free space and found partitions
  kImageSearchResults = 9,
};

// The picture of one index, shown at 16 x 16 (sharp at any pixel ratio).
QIcon TreePicture(int image);
// A folder that shows the open picture while its node is selected.
QIcon FolderNodePicture();

}  // namespace tarnwell::advanced
