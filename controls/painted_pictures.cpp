#include "controls/painted_pictures.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "controls/ui_fonts.h"

namespace tarnwell::controls {
namespace {

// A pixmap of width by height for the screen's pixel ratio: painted in
// device pixels, so that it is sharp at scale 2.
QPixmap ScreenPixmap(int width, int height) {
  const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
  QPixmap pixmap(QSize(width, height) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  return pixmap;
}

}  // namespace

QPixmap GlyphPicture(int size, const QColor& base, const QString& glyph) {
  QPixmap pixmap = ScreenPixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QRectF box(1.5, 1.5, size - 3.0, size - 3.0);
  QLinearGradient fill(box.topLeft(), box.bottomLeft());
  fill.setColorAt(0.0, base.lighter(135));
  fill.setColorAt(1.0, base.darker(115));
  painter.setBrush(fill);
  painter.setPen(QPen(base.darker(150), 1.0));
  painter.drawRoundedRect(box, size / 6.0, size / 6.0);
  QFont font = BoldUiFont();
  font.setPixelSize(std::max(8, glyph.size() > 1 ? size * 2 / 5 : size / 2));
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(box, Qt::AlignCenter, glyph);
  return pixmap;
}

QPixmap BannerPicture(int width, int height, const QString& title, const QString& subtitle) {
  QPixmap pixmap = ScreenPixmap(width, height);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient fill(0, 0, width, height);
  fill.setColorAt(0.0, QColor(22, 64, 150));
  fill.setColorAt(1.0, QColor(90, 150, 230));
  painter.fillRect(QRect(0, 0, width, height), fill);
  // A few faint circles, to suggest platters of a disk.
  painter.setPen(QPen(QColor(255, 255, 255, 50), 2.0));
  for (int r = 20; r <= 80; r += 20) painter.drawEllipse(QPoint(width - 70, height / 2), r, r);
  QFont titleFont = BoldUiFont();
  titleFont.setPixelSize(std::max(12, height * 2 / 5));
  painter.setFont(titleFont);
  painter.setPen(Qt::white);
  painter.drawText(QRect(20, 0, width - 40, height * 2 / 3), Qt::AlignLeft | Qt::AlignBottom, title);
  QFont subFont = UiFont();
  painter.setFont(subFont);
  painter.setPen(QColor(220, 230, 255));
  painter.drawText(QRect(22, height * 2 / 3, width - 40, height / 3), Qt::AlignLeft | Qt::AlignTop,
                   subtitle);
  return pixmap;
}

}  // namespace tarnwell::controls
