#include "controls/close_guard.h"

#include <QKeyEvent>

namespace tarnwell::controls {

QString CloseQuestion(bool scanResults, int tickedRows) {
  QString lost;
  if (scanResults) lost = QStringLiteral("扫描结果");
  if (tickedRows > 0) {
    if (!lost.isEmpty()) lost += QStringLiteral("和");
    lost += QStringLiteral("已选择的 %1 个条目").arg(tickedRows);
  }
  return QStringLiteral("关闭窗口将丢弃%1。\n确定要关闭吗？").arg(lost);
}

bool MayCloseWindow(const QuestionAsker& ask, QWidget* window, bool scanResults, int tickedRows) {
  if (!scanResults && tickedRows <= 0) return true;
  return ask(window, CloseQuestion(scanResults, tickedRows));
}

bool IsCloseByEscape(const QKeyEvent* event) {
  return event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier;
}

}  // namespace tarnwell::controls
