#pragma once
// "打开磁盘映像..." of both recovery windows: choosing an image file,
// attaching it as a disk (with the map of the copy beside it, for an image
// copied from a failing disk) and the list of recently opened images, kept
// in the settings file so that images need no command line.
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "controls/message_boxes.h"

class QMenu;
class QWidget;

namespace tarnwell::controls {

inline constexpr int kMaxRecentImages = 8;

// The file dialog: the image chosen, empty when cancelled.
using OpenImageChooser = std::function<QString(QWidget* parent, const QString& startFolder)>;
QString ChooseImageToOpen(QWidget* parent, const QString& startFolder);

// The recent images, newest first, from section [RecentImages] of the
// settings file (UTF-8 paths).
std::vector<QString> ReadRecentImages(const std::string& settingsPath);
// Puts an image first in the list, once, keeping at most kMaxRecentImages.
void RememberRecentImage(const std::string& settingsPath, const QString& image);
// Drops an image that could not be opened any more.
void ForgetRecentImage(const std::string& settingsPath, const QString& image);

// Attaches an image file as a disk: a copy made from a failing disk is
// attached with IMAGE.map beside it, so its unread sectors fail as they did
// on the disk. An image already attached is not attached twice. Returns the
// device-table index of the new disk, or -1 after saying why in a box.
// `log` hears what was attached.
int AttachImageFile(QWidget* parent, const QString& image, const BoxShower& showBox,
                    const std::function<void(const QString&)>& log);

// Fills `menu` with the recent images (a disabled "(无)" when there are
// none); choosing one calls `open` with its path.
void FillRecentImagesMenu(QMenu* menu, const std::vector<QString>& images,
                          const std::function<void(const QString&)>& open);

}  // namespace tarnwell::controls
