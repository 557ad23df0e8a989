#pragma once
// The start-up steps before the launcher opens.
#include <QStringList>

#include "controls/message_boxes.h"

namespace tarnwell::app {

// Attaches each image file named on the command line as a disk, in order;
// an image that cannot be opened gets an error box and is left out. Then
// adds the readable block devices of the machine. Returns the number of
// images attached.
int AttachDisks(const QStringList& imagePaths, const controls::BoxShower& showBox,
                bool addBlockDevices = true);

}  // namespace tarnwell::app
