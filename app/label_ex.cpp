#include "app/label_ex.h"

#include <QMouseEvent>

namespace tarnwell::app {

TLabelEx::TLabelEx(const QString& text, QWidget* parent) : QLabel(text, parent) {
  restColor_ = CurrentColor();
}

void TLabelEx::Loaded() { restColor_ = CurrentColor(); }

void TLabelEx::SetTextColor(const QColor& color) {
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, color);
  setPalette(pal);
}

void TLabelEx::MouseEnter() {
  SetTextColor(ActiveColor);
  if (OnMouseEnter) OnMouseEnter();
}

void TLabelEx::MouseLeave() {
  SetTextColor(restColor_);
  if (OnMouseLeave) OnMouseLeave();
}

void TLabelEx::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  MouseEnter();
}

void TLabelEx::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  MouseLeave();
}

void TLabelEx::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) {
    OnClick();
  }
}

}  // namespace tarnwell::app
