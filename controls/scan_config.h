#pragma once
// The dialog that chooses the range of a physical drive to scan, in
// megabytes, with a track bar and a digits-only field for each end.
#include <QDialog>
#include <cstdint>

#include "controls/message_boxes.h"
#include "controls/scan_range.h"

class QGroupBox;
class QLineEdit;
class QSlider;

namespace tarnwell::controls {

class TfrmScanConfig : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmScanConfig(QWidget* parent = nullptr);

  // Sets the track bars up for a disk or partition of totalSectors
  // 512-byte sectors.
  void Prepare(uint64_t totalSectors);

  // Valid after the dialog closed with Accepted.
  int64_t StartSector() const { return startSector_; }
  int64_t SectorCount() const { return sectorCount_; }

  // The OK button: checks the range and closes when it is usable.
  void Button1Click();
  void SetBoxShower(controls::BoxShower shower) { showBox_ = std::move(shower); }

  QSlider* TrackBar1 = nullptr;     // start of the range, in MB
  QSlider* TrackBar2 = nullptr;     // end of the range, in MB
  QLineEdit* Edit1 = nullptr;       // start, typed
  QLineEdit* Edit2 = nullptr;       // end, typed
  QGroupBox* GroupBox2 = nullptr;   // the end box, whose caption gives the largest end

 private:
  uint64_t total_ = 0;
  int64_t startSector_ = 0;
  int64_t sectorCount_ = 0;
  controls::BoxShower showBox_ = controls::ShowBox;
};

}  // namespace tarnwell::controls
