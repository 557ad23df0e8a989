#include "controls/status_bar_ex.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "controls/message_boxes.h"

namespace tarnwell::controls {

TStatusBarEx::TStatusBarEx(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  SetPanelWidths({100});
}

QSize TStatusBarEx::sizeHint() const {
  return QSize(200, std::max(23, fontMetrics().height() + 8));
}

void TStatusBarEx::SetPanelWidths(const std::vector<int>& widths) {
  widths_ = widths;
  texts_.resize(widths_.size());
  PlaceChildren();
  update();
}

void TStatusBarEx::SetPanelText(int index, const QString& text) {
  if (index < 0 || index >= PanelCount()) return;
  texts_[static_cast<size_t>(index)] = text;
  update(PanelRect(index));
}

QString TStatusBarEx::PanelText(int index) const {
  if (index < 0 || index >= PanelCount()) return {};
  return texts_[static_cast<size_t>(index)];
}

QRect TStatusBarEx::PanelRect(int index) const {
  if (index < 0 || index >= PanelCount()) return {};
  int left = 0;
  for (int i = 0; i < index; ++i) left += widths_[static_cast<size_t>(i)] + 2;
  int w = widths_[static_cast<size_t>(index)];
  if (index == PanelCount() - 1) w = std::max(w, width() - left);
  return QRect(left, 2, w, height() - 3);
}

void TStatusBarEx::AttachToPanel(QWidget* child, int index) {
  child->setParent(this);
  hosted_.emplace_back(child, index);
  PlaceChildren();
}

QProgressBar* TStatusBarEx::AddProgressBar(int index) {
  auto* bar = new QProgressBar(this);
  bar->setRange(0, 100);
  bar->setTextVisible(false);
  AttachToPanel(bar, index);
  return bar;
}

void TStatusBarEx::PlaceChildren() {
  for (auto& [child, index] : hosted_) {
    if (child) child->setGeometry(PanelRect(index).adjusted(2, 1, -2, -1));
  }
}

void TStatusBarEx::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceChildren();
}

void TStatusBarEx::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  for (int i = 0; i < PanelCount(); ++i) {
    QRect r = PanelRect(i);
    // Panels outside the repainted area are left alone: under a scan the
    // progress bar repaints its own panel at every pump.
    if (!event->rect().intersects(r)) continue;
    // A sunken bevel: dark top and left, light bottom and right.
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(r.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                     texts_[static_cast<size_t>(i)]);
  }
}

void StatusBarPanel::SetText(const std::string& text) { bar_->SetPanelText(index_, FromSystem(text)); }

void QtProgressBar::SetPosition(int percent) {
  const int value = std::clamp(percent, 0, 100);
  if (bar_->value() == value) return;
  // QProgressBar repaints at once, synchronously, each time its bar grows
  // by a chunk: under a scan that is a paint of the window every few
  // percent, between two pumps. Here it is only marked for the next paint,
  // which the pump does with everything else at most every ~20 ms.
  bar_->setUpdatesEnabled(false);
  bar_->setValue(value);
  bar_->setUpdatesEnabled(true);  // schedules the ordinary update
}

void QtProgressBar::SetVisible(bool visible) { bar_->setVisible(visible); }

}  // namespace tarnwell::controls
