#include "controls/scanmode.h"

#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "controls/picture_set.h"
#include "controls/ui_fonts.h"

namespace tarnwell::controls {
namespace {

QToolButton* PictureButton(QWidget* parent, const QIcon& picture, QRect geometry) {
  auto* button = new QToolButton(parent);
  button->setAutoRaise(true);
  button->setIcon(picture);
  button->setIconSize(geometry.size() - QSize(6, 6));
  button->setGeometry(geometry);
  return button;
}

QLabel* TextLabel(QWidget* parent, const QString& text, QRect geometry, bool bold = false) {
  auto* label = new QLabel(text, parent);
  label->setFont(bold ? controls::BoldUiFont() : controls::UiFont());
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setGeometry(geometry);
  return label;
}

}  // namespace

TfrmScanMode::TfrmScanMode(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("扫描物理驱动器"));
  setFont(controls::UiFont());
  setFixedSize(445, 201);

  SpeedButton2 = PictureButton(this, PictureIcon(Picture::kSmartScan),
                               QRect(16, 14, 41, 41));
  TextLabel(this, QStringLiteral("智能扫描: 扫描物理驱动器以找回丢失的分区"), QRect(68, 26, 360, 18), true);

  SpeedButton1 = PictureButton(this, PictureIcon(Picture::kScan),
                               QRect(16, 68, 41, 41));
  TextLabel(this, QStringLiteral("正常扫描: 扫描物理驱动器以找回丢失的文件"), QRect(68, 72, 360, 18), true);
  TextLabel(this,
            QStringLiteral("请在以下情况下使用: 分区丢失且使用“智能扫描”无法将分区找回。"),
            QRect(68, 92, 360, 34));

  TextLabel(this, QStringLiteral("注意: 除非驱动器上的分区丢失，否则您不需要扫描物理驱动器。"),
            QRect(16, 136, 413, 30));

  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  cancel->setAutoDefault(false);
  cancel->setGeometry(354, 168, 75, 25);

  connect(SpeedButton2, &QToolButton::clicked, this, [this] { done(kScanModeSmart); });
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { done(kScanModeNormal); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

}  // namespace tarnwell::controls
