#include "health/window/smart_pictures.h"

#include <QPainter>
#include <QPainterPath>

#include "controls/picture_set.h"
#include "controls/ui_fonts.h"
#include "health/smart_verdict.h"

namespace tarnwell::health::window {
namespace {

// Every picture is drawn on the 16-unit square of controls::PaintedIcon.
void PaintTick(QPainter& painter) {
  QPen pen(QColor(0, 150, 40), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  const QPointF stroke[] = {{3.0, 8.5}, {6.5, 12.0}, {13.0, 4.0}};
  painter.drawPolyline(stroke, 3);
}

QPainterPath TrianglePath() {
  QPainterPath path;
  path.moveTo(8.0, 1.5);
  path.lineTo(15.0, 14.5);
  path.lineTo(1.0, 14.5);
  path.closeSubpath();
  return path;
}

// A warning triangle with an exclamation mark; without a fill colour only
// the outline is drawn.
QIcon TriangleIcon(const QColor& fill, const QColor& outline, const QColor& mark) {
  return controls::PaintedIcon([fill, outline, mark](QPainter& painter) {
    painter.setPen(QPen(outline, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
    painter.drawPath(TrianglePath());
    if (mark.isValid()) {
      painter.setPen(Qt::NoPen);
      painter.setBrush(mark);
      painter.drawRoundedRect(QRectF(7.1, 5.0, 1.8, 5.6), 0.8, 0.8);
      painter.drawEllipse(QPointF(8.0, 12.3), 1.0, 1.0);
    }
  });
}

void PaintQuestionMark(QPainter& painter) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(40, 100, 200));
  painter.drawEllipse(QRectF(0.5, 0.5, 15.0, 15.0));
  QFont font = controls::BoldUiFont();
  font.setPixelSize(12);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
}

}  // namespace

const std::vector<QIcon>& SmartRowImages() {
  static const std::vector<QIcon> images = [] {
    std::vector<QIcon> list(4);
    list[kImageTick] = controls::PaintedIcon(PaintTick);
    list[kImageOutline] = TriangleIcon(QColor(), QColor(90, 90, 90), QColor());
    list[kImageWarning] = TriangleIcon(QColor(255, 204, 0), QColor(150, 110, 0), Qt::black);
    list[kImageDanger] = TriangleIcon(QColor(220, 30, 30), QColor(130, 0, 0), Qt::white);
    return list;
  }();
  return images;
}

QPixmap SmartRowPixmap(size_t image) {
  // QIcon::pixmap without a ratio paints for the application's ratio.
  return SmartRowImages().at(image).pixmap(QSize(kRowImageSize, kRowImageSize));
}

QIcon QuestionMarkPicture() { return controls::PaintedIcon(PaintQuestionMark); }

}  // namespace tarnwell::health::window
