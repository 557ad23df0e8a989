#include "app/tool_windows.h"

#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

#include "controls/ui_fonts.h"
#include "standard/quick_main.h"

namespace tarnwell::app {
namespace {

// Stands in for a tool window that is not built yet: an empty window with
// the tool's caption.
void RunPlaceholderWindow(QWidget* parent, const QString& caption) {
  QDialog window(parent);
  window.setWindowTitle(caption);
  window.setFont(controls::UiFont());
  window.resize(798, 568);
  auto* layout = new QVBoxLayout(&window);
  auto* note = new QLabel(QStringLiteral("此功能尚未完成。"), &window);
  note->setAlignment(Qt::AlignCenter);
  layout->addWidget(note);
  window.exec();
}

}  // namespace

void RunStandardRecoveryWindow(QWidget* parent) {
  standard::TfrmQuickMain window({}, parent);
  window.setWindowState(Qt::WindowMaximized);
  window.FormShow();
  window.exec();
}

void RunAdvancedRecoveryWindow(QWidget* parent) {
  RunPlaceholderWindow(parent, QStringLiteral("Tarnwell - 高级恢复"));
}

void RunHealthWindow(QWidget* parent) {
  RunPlaceholderWindow(parent, QStringLiteral("Tarnwell - IDE 硬盘健康诊断"));
}

}  // namespace tarnwell::app
