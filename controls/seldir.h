#pragma once
// The dialog that asks for the folder recovered files are written into.
#include <QDialog>
#include <string>

#include "controls/message_boxes.h"

class QLineEdit;
class QPushButton;
class QToolButton;

namespace tarnwell::controls {

class TfrmSelDir : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSelDir(QWidget* parent = nullptr);

  // The chosen folder (UTF-8), valid after the dialog closed with Accepted.
  const std::string& Path() const { return path_; }

  // Closing with Accepted runs the destination checks first; a failed
  // check shows its message and keeps the dialog open.
  void done(int result) override;

  void SpeedButton1Click();  // up one level
  void Button1Click();       // browse
  void SetBoxShower(controls::BoxShower shower) { showBox_ = std::move(shower); }

  QToolButton* SpeedButton1 = nullptr;  // up one level
  QLineEdit* Edit1 = nullptr;           // the destination folder
  QPushButton* Button1 = nullptr;  // "浏览"
  QPushButton* Button2 = nullptr;  // "确定"
  QPushButton* Button3 = nullptr;  // "取消"

 private:
  std::string path_;
  controls::BoxShower showBox_ = controls::ShowBox;
};

// Shows the dialog modally, filled with *folder when it names one (the
// folder of the last recovery); true and the folder when the user accepted.
bool SelectDestinationFolder(QWidget* parent, std::string* folder);

}  // namespace tarnwell::controls
