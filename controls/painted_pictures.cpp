#include "controls/painted_pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "controls/ui_fonts.h"

namespace tarnwell::controls {

QPixmap GlyphPicture(int size, const QColor& base, const QString& glyph) {
  QPixmap pixmap(size, size);
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

QPixmap UpFolderPicture(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  QPainterPath folder;
  folder.moveTo(0.08 * s, 0.30 * s);
  folder.lineTo(0.40 * s, 0.30 * s);
  folder.lineTo(0.48 * s, 0.38 * s);
  folder.lineTo(0.92 * s, 0.38 * s);
  folder.lineTo(0.92 * s, 0.88 * s);
  folder.lineTo(0.08 * s, 0.88 * s);
  folder.closeSubpath();
  painter.setBrush(QColor(240, 200, 80));
  painter.setPen(QPen(QColor(160, 120, 30), 1.0));
  painter.drawPath(folder);
  QPainterPath arrow;
  arrow.moveTo(0.50 * s, 0.06 * s);
  arrow.lineTo(0.74 * s, 0.34 * s);
  arrow.lineTo(0.58 * s, 0.34 * s);
  arrow.lineTo(0.58 * s, 0.74 * s);
  arrow.lineTo(0.42 * s, 0.74 * s);
  arrow.lineTo(0.42 * s, 0.34 * s);
  arrow.lineTo(0.26 * s, 0.34 * s);
  arrow.closeSubpath();
  painter.setBrush(QColor(40, 150, 60));
  painter.setPen(QPen(QColor(20, 90, 30), 1.0));
  painter.drawPath(arrow);
  return pixmap;
}

QPixmap BannerPicture(int width, int height, const QString& title, const QString& subtitle) {
  QPixmap pixmap(width, height);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient fill(0, 0, width, height);
  fill.setColorAt(0.0, QColor(22, 64, 150));
  fill.setColorAt(1.0, QColor(90, 150, 230));
  painter.fillRect(pixmap.rect(), fill);
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
