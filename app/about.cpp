#include "app/about.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "app/label_ex.h"
#include "app/project_addresses.h"
#include "controls/painted_pictures.h"
#include "controls/ui_fonts.h"
#include "platform/version_info.h"

namespace tarnwell::app {
namespace {

// The picture on the left: a tall gradient with the product's initial.
QPixmap SidePicture(int width, int height) {
  QPixmap banner = controls::BannerPicture(height, width, QString(), QString());
  // In device pixels, as the banner is: sharp at scale 2.
  const qreal ratio = banner.devicePixelRatio();
  QPixmap picture(QSize(width, height) * ratio);
  picture.setDevicePixelRatio(ratio);
  QPainter painter(&picture);
  painter.translate(width, 0);
  painter.rotate(90);
  painter.drawPixmap(0, 0, banner);
  painter.resetTransform();
  QFont font = controls::BoldUiFont();
  font.setPixelSize(width / 2);
  painter.setFont(font);
  painter.setPen(QColor(255, 255, 255, 220));
  painter.drawText(QRect(0, 0, width, height), Qt::AlignCenter, QStringLiteral("T"));
  return picture;
}

TLabelEx* Link(QWidget* parent, const QString& text, QRect geometry) {
  auto* link = new TLabelEx(text, parent);
  link->setGeometry(geometry);
  link->setCursor(Qt::PointingHandCursor);
  link->ActiveColor = Qt::blue;
  link->Loaded();
  return link;
}

}  // namespace

TfrmAbout::TfrmAbout(QWidget* parent, DesktopOpener opener) : QDialog(parent), opener_(std::move(opener)) {
  setWindowTitle(QStringLiteral("关于 Tarnwell"));
  setFont(controls::UiFont());
  setFixedSize(396, 237);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(236, 233, 216));
  setPalette(pal);

  auto* picture = new QLabel(this);
  picture->setGeometry(12, 12, 156, 213);
  picture->setPixmap(SidePicture(156, 213));

  auto* name = new QLabel(QStringLiteral("Tarnwell"), this);
  QFont large = controls::BoldUiFont();
  large.setPixelSize(26);
  name->setFont(large);
  name->setGeometry(184, 18, 200, 36);

  VersionLabel = new QLabel(
      QStringLiteral("Version ") + QString::fromStdString(platform::GetVersionInfoString("fileversion")),
      this);
  VersionLabel->setGeometry(186, 60, 200, 18);

  auto* blurb = new QLabel(QStringLiteral("数据恢复工具"), this);
  blurb->setGeometry(186, 82, 200, 18);

  WebLink = Link(this,
                 WebSiteAddress().empty() ? QStringLiteral("关于 Tarnwell 的更多信息")
                                          : QStringLiteral("访问 Tarnwell 网站"),
                 QRect(186, 120, 200, 18));
  MailLink = Link(this, QStringLiteral("发送邮件给技术支持"), QRect(186, 144, 200, 18));
  WebLink->OnClick = [this] { opener_(WebSiteTarget()); };
  const std::string mail = SupportMailTarget();
  MailLink->OnClick = [this, mail] { opener_(mail); };
  // A build without a support address has nowhere to send a mail.
  MailLink->setVisible(!mail.empty());

  Button1 = new QPushButton(QStringLiteral("确定"), this);
  Button1->setGeometry(306, 200, 75, 25);
  Button1->setDefault(true);  // Enter closes the box, as Esc does
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tarnwell::app
