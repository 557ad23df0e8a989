#include "advanced/tree_pictures.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

#include "controls/painted_pictures.h"

namespace tarnwell::advanced {
namespace {

constexpr int kSize = 16;

QPixmap StylePicture(QStyle::StandardPixmap which) {
  return QApplication::style()->standardIcon(which).pixmap(kSize, kSize);
}

// A pie chart: the extended partition shares its disk with the others.
QPixmap PiePicture() {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF box(1.5, 1.5, kSize - 3.0, kSize - 3.0);
  painter.setPen(QPen(QColor(60, 60, 120), 1.0));
  painter.setBrush(QColor(90, 140, 230));
  painter.drawPie(box, 90 * 16, 270 * 16);
  painter.setBrush(QColor(240, 170, 60));
  painter.drawPie(box, 0, 90 * 16);
  return pixmap;
}

// A card box: the scan results.
QPixmap CardBoxPicture() {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(QPen(QColor(120, 80, 30), 1.0));
  painter.setBrush(QColor(210, 160, 90));
  painter.drawRect(QRectF(1.5, 5.5, 13, 9));
  painter.setBrush(QColor(245, 245, 245));
  painter.drawRect(QRectF(3.5, 2.5, 9, 5));
  return pixmap;
}

// Binoculars: the search results.
QPixmap BinocularsPicture() {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(30, 30, 30), 1.0));
  painter.setBrush(QColor(70, 70, 90));
  painter.drawRect(QRectF(6.5, 5.5, 3, 3));
  painter.setBrush(QColor(120, 160, 220));
  painter.drawEllipse(QRectF(1.5, 6.5, 6, 7));
  painter.drawEllipse(QRectF(8.5, 6.5, 6, 7));
  painter.setBrush(QColor(70, 70, 90));
  painter.drawRect(QRectF(2.5, 2.5, 4, 5));
  painter.drawRect(QRectF(9.5, 2.5, 4, 5));
  return pixmap;
}

}  // namespace

QIcon TreePicture(int image) {
  switch (image) {
    case kImageComputer: return StylePicture(QStyle::SP_ComputerIcon);
    case kImagePhysicalDisk: return StylePicture(QStyle::SP_DriveHDIcon);
    case kImageVolume: return StylePicture(QStyle::SP_DriveFDIcon);
    case kImageExtended: return PiePicture();
    case kImageFolderClosed: return StylePicture(QStyle::SP_DirClosedIcon);
    case kImageFolderOpen: return StylePicture(QStyle::SP_DirOpenIcon);
    case kImageScanResults: return CardBoxPicture();
    case kImagePartition: return controls::GlyphPicture(kSize, QColor(60, 130, 200), QStringLiteral("P"));
    case kImageUnknown: return controls::GlyphPicture(kSize, QColor(150, 150, 150), QStringLiteral("?"));
    case kImageSearchResults: return BinocularsPicture();
    default: return {};
  }
}

QIcon FolderNodePicture() {
  QIcon icon;
  icon.addPixmap(StylePicture(QStyle::SP_DirClosedIcon), QIcon::Normal);
  icon.addPixmap(StylePicture(QStyle::SP_DirOpenIcon), QIcon::Selected);
  return icon;
}

}  // namespace tarnwell::advanced
