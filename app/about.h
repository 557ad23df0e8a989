#pragma once
// The about box: product name, version and two links (web site, mail).
#include <QDialog>

#include "controls/desktop_opener.h"

class QLabel;
class QPushButton;

namespace tarnwell::app {

using controls::DesktopOpener;
using controls::DefaultDesktopOpener;

class TLabelEx;

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* parent = nullptr, DesktopOpener opener = DefaultDesktopOpener());

  QLabel* VersionLabel = nullptr;
  TLabelEx* WebLink = nullptr;
  TLabelEx* MailLink = nullptr;
  QPushButton* Button1 = nullptr;  // "确定": closes the box

 private:
  DesktopOpener opener_;
};

}  // namespace tarnwell::app
