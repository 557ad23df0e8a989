#include "advanced/tree_pictures.h"

#include "controls/picture_set.h"

namespace tarnwell::advanced {

using controls::Picture;
using controls::PictureIcon;

QIcon TreePicture(int image) {
  switch (image) {
    case kImageComputer: return PictureIcon(Picture::kComputer);
    case kImagePhysicalDisk: return PictureIcon(Picture::kHardDisk);
    case kImageVolume: return PictureIcon(Picture::kRemovable);
    case kImageExtended: return PictureIcon(Picture::kExtended);
    case kImageFolderClosed: return PictureIcon(Picture::kFolder);
    case kImageFolderOpen: return PictureIcon(Picture::kFolderOpen);
    case kImageScanResults: return PictureIcon(Picture::kScanResults);
    case kImagePartition: return PictureIcon(Picture::kPartition);
    case kImageUnknown: return PictureIcon(Picture::kFreeSpace);
    case kImageSearchResults: return PictureIcon(Picture::kSearchResults);
    default: return {};
  }
}

QIcon FolderNodePicture() { return controls::FolderNodeIcon(); }

}  // namespace tarnwell::advanced
