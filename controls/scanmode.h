#pragma once
// The dialog that asks how to scan a physical drive: search it for lost
// partitions (result 100) or scan it for lost files (result 101).
#include <QDialog>

class QToolButton;

namespace tarnwell::controls {

inline constexpr int kScanModeSmart = 100;
inline constexpr int kScanModeNormal = 101;

class TfrmScanMode : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmScanMode(QWidget* parent = nullptr);

  QToolButton* SpeedButton1 = nullptr;  // normal scan
  QToolButton* SpeedButton2 = nullptr;  // smart scan
};

}  // namespace tarnwell::controls
