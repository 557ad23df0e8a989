#include "controls/window_icons.h"

#include <QPainter>
#include <QPolygonF>

#include "controls/picture_set.h"

namespace tarnwell::controls {
namespace {

// A red cross in the lower right corner: "deleted".
QIcon Crossed(const QIcon& base) {
  return MarkedIcon(base, [](QPainter& p) {
    p.setPen(QPen(QColor(210, 30, 30), 2.2));
    p.drawLine(QPointF(8.5, 8.5), QPointF(14.5, 14.5));
    p.drawLine(QPointF(14.5, 8.5), QPointF(8.5, 14.5));
  });
}

// A yellow warning triangle in the lower right corner: "damaged".
QIcon Damaged(const QIcon& base) {
  return MarkedIcon(base, [](QPainter& p) {
    p.setPen(QPen(QColor(120, 80, 0), 1));
    p.setBrush(QColor(250, 200, 30));
    p.drawPolygon(QPolygonF({QPointF(11.5, 6.5), QPointF(15.5, 15.0), QPointF(7.5, 15.0)}));
    p.drawLine(QPointF(11.5, 9.5), QPointF(11.5, 12.5));
  });
}

QIcon Marked(const QIcon& base, const QColor& colour) {
  return MarkedIcon(base, [colour](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(9, 9, 6.5, 6.5));
  });
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
  const QIcon folder = PictureIcon(Picture::kFolder);
  const QIcon file = PictureIcon(Picture::kFile);
  return {folder, Crossed(folder), Damaged(folder), file, Crossed(file)};
}

std::vector<QIcon> FolderTreeIcons() {
  const QIcon folder = PictureIcon(Picture::kFolder);
  const QIcon open = PictureIcon(Picture::kFolderOpen);
  // The scan's and the search's nodes look as in the advanced window.
  return {PictureIcon(Picture::kScanResults), PictureIcon(Picture::kSearchResults),
          folder, open, Crossed(folder), Crossed(open), Damaged(folder)};
}

std::vector<QIcon> DriveTreeIcons() {
  return {PictureIcon(Picture::kComputer), PictureIcon(Picture::kRemovable), PictureIcon(Picture::kHardDisk)};
}

std::vector<QIcon> StandardLogIcons() {
  const QIcon page = PictureIcon(Picture::kFile);
  return {Marked(page, QColor(40, 120, 220)), Marked(page, QColor(230, 160, 20)),
          Marked(page, QColor(210, 30, 30))};
}

std::vector<QIcon> AdvancedLogIcons() {
  const std::vector<QIcon> s = StandardLogIcons();
  return {s[0], s[2], s[1]};
}

std::vector<QIcon> SortMarkIcons() { return {Triangle(true), Triangle(false)}; }

}  // namespace tarnwell::controls
