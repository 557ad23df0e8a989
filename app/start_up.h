#pragma once
// The start-up steps before the launcher opens.
#include <QString>
#include <QStringList>

class QCoreApplication;

#include "controls/message_boxes.h"

namespace tarnwell::app {

// What the command line asks for: disk images to attach, each optionally
// followed by the ddrescue map it was copied with ("--map FILE"), and
// recorded S.M.A.R.T. drives ("--smart-replay FILE" or
// "--smart-replay=FILE", any number of times). "--" ends the options: what
// follows is an image.
struct StartOptions {
  QStringList imagePaths;
  QStringList imageMaps;  // beside imagePaths: the map of each, "" for none
  QStringList smartReplays;
  QString error;  // set when an option lacks its value or has no image
};
StartOptions ParseStartOptions(const QStringList& arguments);

// Attaches each recording as a drive of the health window, in order; a
// file that cannot be read gets an error box and is left out. Once a
// recording is given, the health window shows recordings only, never the
// machine's disks. Returns the number attached.
int AttachSmartReplays(const QStringList& paths, const controls::BoxShower& showBox);

// Attaches each image file named on the command line as a disk, in order;
// an image that cannot be opened gets an error box and is left out. An
// image with a map (imageMaps beside imagePaths) fails reads of the sectors
// its map does not mark as copied. Then adds the readable block devices of
// the machine. Returns the number of images attached.
int AttachDisks(const QStringList& imagePaths, const controls::BoxShower& showBox,
                bool addBlockDevices = true, const QStringList& imageMaps = {});

// Qt's own texts (file chooser, context menus, standard buttons) in the
// captions' language, Simplified Chinese, whatever the desktop's locale:
// loads Qt's catalogue for zh_CN from folder (by default where Qt keeps its
// translations, filled by the qt6-translations-l10n package). False when
// the catalogue is not there; Qt then speaks English.
bool InstallQtTranslations(QCoreApplication& application, const QString& folder = QString());

}  // namespace tarnwell::app
