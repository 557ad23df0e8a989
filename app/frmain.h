#pragma once
// The launcher: three tool buttons, help, web site and the about box.
#include <QWidget>

#include "controls/desktop_opener.h"

class QLabel;
class QToolButton;

namespace tarnwell::app {

using controls::DesktopOpener;
using controls::DefaultDesktopOpener;

class TfrmFrMain : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmFrMain(QWidget* parent = nullptr, DesktopOpener opener = DefaultDesktopOpener());

  void SpeedButton1Click();  // standard recovery
  void SpeedButton2Click();  // advanced recovery
  void SpeedButton3Click();  // disk health
  void SpeedButton4Click();  // help
  void SpeedButton6Click();  // web site
  void SpeedButton7Click();  // about

  QToolButton* SpeedButton1 = nullptr;  // standard recovery
  QToolButton* SpeedButton2 = nullptr;  // advanced recovery
  QToolButton* SpeedButton3 = nullptr;  // disk health
  QToolButton* SpeedButton4 = nullptr;  // help
  QToolButton* SpeedButton6 = nullptr;  // web site
  QToolButton* SpeedButton7 = nullptr;  // about

 private:
  QToolButton* AddTool(int left, int top, const QPixmap& picture, const QString& title,
                       const QStringList& lines);

  DesktopOpener opener_;
};

// "Tarnwell " followed by the product version.
QString LauncherCaption();

}  // namespace tarnwell::app
