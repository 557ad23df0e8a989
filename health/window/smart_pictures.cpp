#include "health/window/smart_pictures.h"

#include <QPainter>
#include <QPainterPath>

#include "controls/ui_fonts.h"
#include "health/smart_verdict.h"

namespace tarnwell::health::window {
namespace {

QPixmap Blank(int size) {
  QPixmap picture(size, size);
  picture.fill(Qt::transparent);
  return picture;
}

QPixmap Tick() {
  QPixmap picture = Blank(kRowImageSize);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  QPen pen(QColor(0, 150, 40), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  const QPointF stroke[] = {{3.0, 8.5}, {6.5, 12.0}, {13.0, 4.0}};
  painter.drawPolyline(stroke, 3);
  return picture;
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
QPixmap Triangle(const QColor& fill, const QColor& outline, const QColor& mark) {
  QPixmap picture = Blank(kRowImageSize);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(outline, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
  painter.drawPath(TrianglePath());
  if (mark.isValid()) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(mark);
    painter.drawRoundedRect(QRectF(7.1, 5.0, 1.8, 5.6), 0.8, 0.8);
    painter.drawEllipse(QPointF(8.0, 12.3), 1.0, 1.0);
  }
  return picture;
}

}  // namespace

const std::vector<QPixmap>& SmartRowImages() {
  static const std::vector<QPixmap> images = [] {
    std::vector<QPixmap> list(4);
    list[kImageTick] = Tick();
    list[kImageOutline] = Triangle(QColor(), QColor(90, 90, 90), QColor());
    list[kImageWarning] = Triangle(QColor(255, 204, 0), QColor(150, 110, 0), Qt::black);
    list[kImageDanger] = Triangle(QColor(220, 30, 30), QColor(130, 0, 0), Qt::white);
    return list;
  }();
  return images;
}

QPixmap QuestionMarkPicture(int size) {
  QPixmap picture = Blank(size);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(40, 100, 200));
  painter.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
  QFont font = controls::BoldUiFont();
  font.setPixelSize(size * 3 / 4);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("?"));
  return picture;
}

}  // namespace tarnwell::health::window
