#include "controls/picture_set.h"

#include <algorithm>

#include <QIconEngine>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace tarnwell::controls {
namespace {

constexpr double kPictureUnits = 16.0;  // pictures are drawn on a 16 by 16 square

class VectorIconEngine final : public QIconEngine {
 public:
  VectorIconEngine(PicturePainter paint, PicturePainter selected)
      : paint_(std::move(paint)), selected_(std::move(selected)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->translate(rect.topLeft());
    painter->scale(rect.width() / kPictureUnits, rect.height() / kPictureUnits);
    if (mode == QIcon::Disabled) painter->setOpacity(0.4);
    (mode == QIcon::Selected && selected_ ? selected_ : paint_)(*painter);
    painter->restore();
  }

  // QIcon asks for the pixmap in device pixels (size times the ratio), so
  // painting at the size asked is painting for the screen.
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    return pixmap;
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
  QIconEngine* clone() const override { return new VectorIconEngine(paint_, selected_); }

 private:
  PicturePainter paint_;
  PicturePainter selected_;  // for selected items, when it differs
};

void PaintMagnifier(QPainter& p) {
  p.setPen(QPen(QColor(60, 60, 60), 1.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(11.2, 11.2), QPointF(15.0, 15.0));
  p.setPen(QPen(QColor(40, 40, 40), 1.1));
  p.setBrush(QColor(190, 225, 255, 210));
  p.drawEllipse(QRectF(6.2, 6.2, 6.4, 6.4));
}

void PaintHardDisk(QPainter& p, const QRectF& box) {
  p.setPen(QPen(QColor(70, 70, 80), 0.9));
  p.setBrush(QColor(200, 200, 210));
  p.drawRoundedRect(box, 1.2, 1.2);
  p.setBrush(QColor(60, 170, 80));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QRectF(box.right() - 2.4, box.bottom() - 2.4, 1.4, 1.4));
}

void PaintFolderShape(QPainter& p, const QColor& fill) {
  QPainterPath folder;
  folder.moveTo(1.0, 4.0);
  folder.lineTo(6.0, 4.0);
  folder.lineTo(7.3, 5.5);
  folder.lineTo(14.5, 5.5);
  folder.lineTo(14.5, 13.5);
  folder.lineTo(1.0, 13.5);
  folder.closeSubpath();
  p.setPen(QPen(fill.darker(170), 0.9));
  p.setBrush(fill);
  p.drawPath(folder);
}

void PaintArrowShape(QPainter& p, bool right) {
  QPolygonF arrow({QPointF(2.0, 8.0), QPointF(8.0, 2.5), QPointF(8.0, 5.5), QPointF(14.0, 5.5),
                   QPointF(14.0, 10.5), QPointF(8.0, 10.5), QPointF(8.0, 13.5)});
  if (right)
    for (QPointF& point : arrow) point.setX(kPictureUnits - point.x());
  p.setPen(QPen(QColor(20, 70, 150), 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(60, 130, 220));
  p.drawPolygon(arrow);
}

void PaintPicture(QPainter& p, Picture picture) {
  switch (picture) {
    case Picture::kScan:
      PaintHardDisk(p, QRectF(0.8, 2.5, 11.5, 7.5));
      PaintMagnifier(p);
      break;
    case Picture::kSmartScan:
      PaintHardDisk(p, QRectF(0.8, 2.5, 11.5, 7.5));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(60, 120, 220));
      p.drawRect(QRectF(1.5, 3.2, 4.5, 6.1));
      p.setBrush(QColor(240, 170, 60));
      p.drawRect(QRectF(6.0, 3.2, 3.2, 6.1));
      PaintMagnifier(p);
      break;
    case Picture::kStop: {
      QPolygonF octagon;
      for (const QPointF& point : {QPointF(5.2, 1.0), QPointF(10.8, 1.0), QPointF(15.0, 5.2), QPointF(15.0, 10.8),
                                   QPointF(10.8, 15.0), QPointF(5.2, 15.0), QPointF(1.0, 10.8), QPointF(1.0, 5.2)})
        octagon << point;
      p.setPen(QPen(QColor(130, 10, 10), 0.9));
      p.setBrush(QColor(215, 40, 40));
      p.drawPolygon(octagon);
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(4.0, 6.8, 8.0, 2.4));
      break;
    }
    case Picture::kRecover: {
      p.setPen(QPen(QColor(70, 70, 80), 0.9));
      p.setBrush(QColor(210, 210, 220));
      p.drawPolygon(QPolygonF({QPointF(1.0, 10.0), QPointF(4.0, 10.0), QPointF(5.0, 12.0), QPointF(11.0, 12.0),
                               QPointF(12.0, 10.0), QPointF(15.0, 10.0), QPointF(15.0, 15.0), QPointF(1.0, 15.0)}));
      p.setPen(QPen(QColor(20, 100, 40), 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.setBrush(QColor(50, 170, 70));
      p.drawPolygon(QPolygonF({QPointF(6.0, 1.0), QPointF(10.0, 1.0), QPointF(10.0, 6.0), QPointF(13.0, 6.0),
                               QPointF(8.0, 11.0), QPointF(3.0, 6.0), QPointF(6.0, 6.0)}));
      break;
    }
    case Picture::kScan32:
      PaintFolderShape(p, QColor(240, 200, 80));
      p.setPen(QPen(QColor(120, 80, 0), 0.8));
      p.setBrush(QColor(250, 200, 30));
      p.drawPolygon(QPolygonF({QPointF(4.5, 6.5), QPointF(8.0, 13.0), QPointF(1.0, 13.0)}));
      PaintMagnifier(p);
      break;
    case Picture::kUp:
      PaintFolderShape(p, QColor(240, 200, 80));
      p.setPen(QPen(QColor(20, 90, 30), 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.setBrush(QColor(40, 150, 60));
      p.drawPolygon(QPolygonF({QPointF(8.0, 1.0), QPointF(12.0, 5.5), QPointF(9.5, 5.5), QPointF(9.5, 11.5),
                               QPointF(6.5, 11.5), QPointF(6.5, 5.5), QPointF(4.0, 5.5)}));
      break;
    case Picture::kBack: PaintArrowShape(p, false); break;
    case Picture::kForward: PaintArrowShape(p, true); break;
    case Picture::kScanResults:
      p.setPen(QPen(QColor(120, 80, 30), 0.9));
      p.setBrush(QColor(210, 160, 90));
      p.drawRect(QRectF(1.5, 6.0, 13.0, 8.5));
      p.setBrush(QColor(248, 248, 248));
      p.drawRect(QRectF(3.5, 2.0, 9.0, 5.5));
      p.drawLine(QPointF(5.0, 4.0), QPointF(11.0, 4.0));
      break;
    case Picture::kSearchResults:
      p.setPen(QPen(QColor(30, 30, 30), 0.9));
      p.setBrush(QColor(70, 70, 90));
      p.drawRect(QRectF(6.5, 5.5, 3.0, 3.0));
      p.drawRect(QRectF(2.5, 2.5, 4.0, 5.0));
      p.drawRect(QRectF(9.5, 2.5, 4.0, 5.0));
      p.setBrush(QColor(120, 160, 220));
      p.drawEllipse(QRectF(1.0, 6.5, 6.5, 7.5));
      p.drawEllipse(QRectF(8.5, 6.5, 6.5, 7.5));
      break;
    case Picture::kPartition:
      p.setPen(QPen(QColor(40, 70, 130), 0.9));
      p.setBrush(QColor(235, 240, 250));
      p.drawRect(QRectF(1.0, 4.0, 14.0, 8.0));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(60, 130, 210));
      p.drawRect(QRectF(1.5, 4.5, 8.0, 7.0));
      break;
    case Picture::kExtended:
      p.setPen(QPen(QColor(60, 60, 120), 0.9));
      p.setBrush(QColor(90, 140, 230));
      p.drawPie(QRectF(1.5, 1.5, 13.0, 13.0), 90 * 16, 270 * 16);
      p.setBrush(QColor(240, 170, 60));
      p.drawPie(QRectF(1.5, 1.5, 13.0, 13.0), 0, 90 * 16);
      break;
    case Picture::kFreeSpace:
      p.setPen(QPen(QColor(110, 110, 110), 0.9, Qt::DashLine));
      p.setBrush(QColor(235, 235, 235));
      p.drawRect(QRectF(1.0, 4.0, 14.0, 8.0));
      break;
    case Picture::kFolder: PaintFolderShape(p, QColor(240, 200, 80)); break;
    case Picture::kFolderOpen:
      PaintFolderShape(p, QColor(220, 175, 60));
      p.setBrush(QColor(250, 215, 110));
      p.drawPolygon(QPolygonF({QPointF(3.0, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5), QPointF(1.0, 13.5)}));
      break;
    case Picture::kFile:
      p.setPen(QPen(QColor(90, 90, 100), 0.9));
      p.setBrush(Qt::white);
      p.drawPolygon(QPolygonF({QPointF(3.0, 1.0), QPointF(10.0, 1.0), QPointF(13.5, 4.5), QPointF(13.5, 15.0),
                               QPointF(3.0, 15.0)}));
      p.drawPolyline(QPolygonF({QPointF(10.0, 1.0), QPointF(10.0, 4.5), QPointF(13.5, 4.5)}));
      break;
    case Picture::kHardDisk: PaintHardDisk(p, QRectF(1.0, 4.5, 14.0, 7.0)); break;
    case Picture::kRemovable:
      PaintHardDisk(p, QRectF(3.0, 3.5, 10.0, 9.0));
      p.setPen(QPen(QColor(70, 70, 80), 0.9));
      p.drawLine(QPointF(5.0, 6.0), QPointF(11.0, 6.0));
      break;
    case Picture::kComputer:
      p.setPen(QPen(QColor(60, 60, 70), 0.9));
      p.setBrush(QColor(200, 200, 210));
      p.drawRoundedRect(QRectF(1.0, 1.5, 14.0, 10.0), 1.0, 1.0);
      p.setBrush(QColor(70, 130, 210));
      p.drawRect(QRectF(2.5, 3.0, 11.0, 7.0));
      p.setBrush(QColor(170, 170, 180));
      p.drawRect(QRectF(4.0, 13.0, 8.0, 2.0));
      p.drawLine(QPointF(8.0, 11.5), QPointF(8.0, 13.0));
      break;
  }
}

}  // namespace

QIcon PaintedIcon(PicturePainter paint, PicturePainter selected) {
  return QIcon(new VectorIconEngine(std::move(paint), std::move(selected)));
}

QIcon MarkedIcon(const QIcon& base, PicturePainter mark) {
  return PaintedIcon([base, mark = std::move(mark)](QPainter& p) {
    // The base picture in the device pixels the square covers, not a
    // 16-pixel one stretched over them.
    const double ratio = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const int pixels = std::max(1, qRound(kPictureUnits * p.transform().m11() * ratio));
    const QPixmap picture = base.pixmap(QSize(pixels, pixels), 1.0);
    p.drawPixmap(QRectF(0, 0, kPictureUnits, kPictureUnits), picture, QRectF(picture.rect()));
    mark(p);
  });
}

QIcon FolderNodeIcon() {
  return PaintedIcon([](QPainter& p) { PaintPicture(p, Picture::kFolder); },
                     [](QPainter& p) { PaintPicture(p, Picture::kFolderOpen); });
}

QIcon PictureIcon(Picture picture) {
  return PaintedIcon([picture](QPainter& p) { PaintPicture(p, picture); });
}

}  // namespace tarnwell::controls
