#pragma once
// The windows' command that copies a disk or a partition to an image file
// with its ddrescue map: the file chosen in a save dialog, the copy in the
// progress dialog, the refusals and the closing summary in message boxes,
// and the finished image attached as a disk with its map, so that the
// sectors the copy never read fail as they did on the disk.
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "controls/message_boxes.h"
#include "disk/imaging/rescue_passes.h"
#include "disk/sector_source.h"
#include "engine/window_interfaces.h"

class QWidget;

namespace tarnwell::platform {
struct PhysicalDisk;
}

namespace tarnwell::controls {

class TfrmImaging;

// The save dialog: `suggested` is the path offered (UTF-8); false when
// cancelled, else the chosen path. An existing file is no reason to ask:
// the copy goes on with an image that has its map, and refuses one
// without.
using ImageFileChooser = std::function<bool(QWidget* parent, const QString& suggested, std::string* path)>;
bool ChooseImageFile(QWidget* parent, const QString& suggested, std::string* path);

// What a window lets tests replace.
struct ImagingSeams {
  ImageFileChooser chooseFile = ChooseImageFile;
  BoxShower showBox = ShowBox;
  // Stands between the disk and the copy (tests: a disk that fails or
  // waits at chosen sectors). Null: the disk as it is.
  std::function<std::unique_ptr<disk::SectorSource>(std::unique_ptr<disk::SectorSource>)> wrapSource;
  // Read sizes and skips; nullopt: the copy's defaults for the disk.
  std::optional<disk::imaging::PassSettings> passes;
  // Called once the progress dialog is up (tests press "停止" from here).
  std::function<void(TfrmImaging&)> dialogShown;
};

// What to copy: sectors of a disk of the device table.
struct ImagingTarget {
  int diskIndex = -1;
  uint64_t startSector = 0;
  uint64_t sectorCount = 0;
  QString caption;       // how the window names it ("物理驱动器 80H (19.07 GB)")
  std::string baseName;  // the image file's name without ".img" ("sdb", "sdb-2048")
};

// "sdb" for a device, "card" for the image card.img, with "-START" for a
// range that does not begin at the disk's first sector.
std::string ImageBaseName(const platform::PhysicalDisk& disk, uint64_t startSector);

// FOLDER/BASE.img, or BASE_1.img, BASE_2.img... when that file is there
// without its map (it would be refused). A file there with its map is
// offered as it is: choosing it goes on with the copy.
std::string SuggestedImagePath(const std::string& folder, const std::string& baseName);

struct ImagingOutcome {
  bool copied = false;   // ran to its end (bad areas may remain)
  bool stopped = false;  // stopped by the user; the map holds where
  int attachedDisk = -1;  // the image's disk in the device table, -1 when none was added
};

// The whole command, from the save dialog to the summary box. title:
// the command's caption without its dots ("创建磁盘映像"). The copy's log
// lines go to `log` when given (icons of the standard engine's log).
ImagingOutcome RunImagingCommand(QWidget* parent, const QString& title, const ImagingTarget& target,
                                 const ImagingSeams& seams, engine::EventLog* log = nullptr);

}  // namespace tarnwell::controls
