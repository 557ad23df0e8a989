#include "app/tool_windows.h"

#include "advanced/adv_main.h"
#include "health/window/smart_main.h"
#include "standard/quick_main.h"

namespace tarnwell::app {
void RunStandardRecoveryWindow(QWidget* parent) {
  standard::TfrmQuickMain window({}, parent);
  window.setWindowState(Qt::WindowMaximized);
  window.FormShow();
  window.exec();
}

void RunAdvancedRecoveryWindow(QWidget* parent) {
  advanced::TfrmAdvMain window(parent);
  window.setWindowState(window.windowState() | Qt::WindowMaximized);
  window.exec();
}

void RunHealthWindow(QWidget* parent) {
  health::window::TfrmSmart window(parent);
  window.exec();
}

}  // namespace tarnwell::app
