#include "controls/window_icons.h"

#include <QApplication>
#include <QPainter>
#include <QPolygonF>
#include <QStyle>

namespace tarnwell::controls {
namespace {

constexpr int kSize = 16;

QPixmap Standard(QStyle::StandardPixmap which) {
  return QApplication::style()->standardIcon(which).pixmap(kSize, kSize);
}

// A red cross in the lower right corner: "deleted".
QIcon Crossed(QPixmap base) {
  QPainter p(&base);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(210, 30, 30), 2.2));
  p.drawLine(QPointF(8.5, 8.5), QPointF(14.5, 14.5));
  p.drawLine(QPointF(14.5, 8.5), QPointF(8.5, 14.5));
  return QIcon(base);
}

// A yellow warning triangle in the lower right corner: "damaged".
QIcon Damaged(QPixmap base) {
  QPainter p(&base);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(120, 80, 0), 1));
  p.setBrush(QColor(250, 200, 30));
  p.drawPolygon(QPolygonF({QPointF(11.5, 6.5), QPointF(15.5, 15.0), QPointF(7.5, 15.0)}));
  p.drawLine(QPointF(11.5, 9.5), QPointF(11.5, 12.5));
  return QIcon(base);
}

QIcon Marked(QPixmap base, const QColor& colour) {
  QPainter p(&base);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawEllipse(QRectF(9, 9, 6.5, 6.5));
  return QIcon(base);
}

QIcon Triangle(bool up) {
  QPixmap pm(7, 7);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(90, 90, 90));
  if (up)
    p.drawPolygon(QPolygonF({QPointF(3.5, 1), QPointF(6.5, 6), QPointF(0.5, 6)}));
  else
    p.drawPolygon(QPolygonF({QPointF(0.5, 1), QPointF(6.5, 1), QPointF(3.5, 6)}));
  return QIcon(pm);
}

}  // namespace

std::vector<QIcon> FileListIcons() {
  const QPixmap folder = Standard(QStyle::SP_DirIcon);
  const QPixmap file = Standard(QStyle::SP_FileIcon);
  return {QIcon(folder), Crossed(folder), Damaged(folder), QIcon(file), Crossed(file)};
}

std::vector<QIcon> FolderTreeIcons() {
  const QPixmap folder = Standard(QStyle::SP_DirIcon);
  const QPixmap open = Standard(QStyle::SP_DirOpenIcon);
  return {QIcon(Standard(QStyle::SP_DriveHDIcon)),
          QIcon(Standard(QStyle::SP_FileDialogContentsView)),
          QIcon(folder), QIcon(open), Crossed(folder), Crossed(open), Damaged(folder)};
}

std::vector<QIcon> DriveTreeIcons() {
  return {QIcon(Standard(QStyle::SP_ComputerIcon)), QIcon(Standard(QStyle::SP_DriveFDIcon)),
          QIcon(Standard(QStyle::SP_DriveHDIcon))};
}

std::vector<QIcon> StandardLogIcons() {
  const QPixmap page = Standard(QStyle::SP_FileIcon);
  return {Marked(page, QColor(40, 120, 220)), Marked(page, QColor(230, 160, 20)),
          Marked(page, QColor(210, 30, 30))};
}

std::vector<QIcon> AdvancedLogIcons() {
  const std::vector<QIcon> s = StandardLogIcons();
  return {s[0], s[2], s[1]};
}

std::vector<QIcon> SortMarkIcons() { return {Triangle(true), Triangle(false)}; }

}  // namespace tarnwell::controls
