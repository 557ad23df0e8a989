// Draws the program's icon: one list of shapes, written out as the scalable
// SVG and painted into PNG files of the usual theme sizes, so that the two
// never drift apart and no binary picture is kept in the repository.
//
//   tarnwell_icon_painter OUTDIR NAME SIZE...
// writes OUTDIR/scalable/apps/NAME.svg and OUTDIR/SIZExSIZE/apps/NAME.png,
// the layout of an icon theme folder.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <vector>

namespace {

// Shapes on a 64 x 64 canvas, painted in order.
struct Shape {
  enum Kind { kRoundRect, kCircle, kPolygon } kind;
  QColor fill;
  std::vector<QPointF> points;  // round rect: corner, size; circle: centre, (radius, 0)
  double radius = 0;            // corner radius of a round rect
};

std::vector<Shape> IconShapes() {
  const QColor body(0x2b, 0x4c, 0x7e), face(0xdd, 0xe4, 0xee), platter(0x8f, 0xa3, 0xbf);
  const QColor hub(0x2b, 0x4c, 0x7e), arrow(0x2e, 0xa0, 0x4f);
  return {
      // Disk case, with a light face and the platter seen through it.
      {Shape::kRoundRect, body, {{4, 6}, {56, 52}}, 8},
      {Shape::kRoundRect, face, {{8, 10}, {48, 44}}, 5},
      {Shape::kCircle, platter, {{30, 32}, {17, 0}}},
      {Shape::kCircle, hub, {{30, 32}, {4, 0}}},
      // A file coming back: an arrow leaving the disk towards the top right.
      {Shape::kPolygon,
       arrow,
       {{34, 40}, {46, 28}, {40, 28}, {40, 22}, {58, 22}, {58, 40}, {52, 40}, {52, 34}, {40, 46}}},
  };
}

QString Hex(const QColor& c) { return c.name(QColor::HexRgb); }

QString Svg(const std::vector<Shape>& shapes) {
  QString out = QStringLiteral(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n");
  for (const Shape& s : shapes) {
    switch (s.kind) {
      case Shape::kRoundRect:
        out += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"%6\"/>\n")
                   .arg(s.points[0].x()).arg(s.points[0].y()).arg(s.points[1].x()).arg(s.points[1].y())
                   .arg(s.radius).arg(Hex(s.fill));
        break;
      case Shape::kCircle:
        out += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"/>\n")
                   .arg(s.points[0].x()).arg(s.points[0].y()).arg(s.points[1].x()).arg(Hex(s.fill));
        break;
      case Shape::kPolygon: {
        QString list;
        for (const QPointF& p : s.points) list += QStringLiteral("%1,%2 ").arg(p.x()).arg(p.y());
        out += QStringLiteral("  <polygon points=\"%1\" fill=\"%2\"/>\n").arg(list.trimmed(), Hex(s.fill));
        break;
      }
    }
  }
  return out + QStringLiteral("</svg>\n");
}

QImage Paint(const std::vector<Shape>& shapes, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 64.0, size / 64.0);
  painter.setPen(Qt::NoPen);
  for (const Shape& s : shapes) {
    painter.setBrush(s.fill);
    switch (s.kind) {
      case Shape::kRoundRect:
        painter.drawRoundedRect(QRectF(s.points[0], QSizeF(s.points[1].x(), s.points[1].y())), s.radius,
                                s.radius);
        break;
      case Shape::kCircle:
        painter.drawEllipse(s.points[0], s.points[1].x(), s.points[1].x());
        break;
      case Shape::kPolygon:
        painter.drawPolygon(s.points.data(), static_cast<int>(s.points.size()));
        break;
    }
  }
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s OUTDIR NAME SIZE...\n", argv[0]);
    return 2;
  }
  const QString outDir = QString::fromLocal8Bit(argv[1]);
  const QString name = QString::fromLocal8Bit(argv[2]);
  const std::vector<Shape> shapes = IconShapes();

  QDir().mkpath(outDir + QStringLiteral("/scalable/apps"));
  QFile svg(outDir + QStringLiteral("/scalable/apps/") + name + QStringLiteral(".svg"));
  if (!svg.open(QIODevice::WriteOnly) || svg.write(Svg(shapes).toUtf8()) < 0) return 1;

  for (int i = 3; i < argc; ++i) {
    const int size = QString::fromLocal8Bit(argv[i]).toInt();
    if (size <= 0 || size > 1024) return 2;
    const QString dir = outDir + QStringLiteral("/%1x%1/apps").arg(size);
    QDir().mkpath(dir);
    if (!Paint(shapes, size).save(dir + QStringLiteral("/") + name + QStringLiteral(".png"))) return 1;
  }
  return 0;
}
