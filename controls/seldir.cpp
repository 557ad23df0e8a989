#include "controls/seldir.h"

#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "controls/picture_set.h"
#include "controls/ui_fonts.h"
#include "controls/destination_check.h"

namespace tarnwell::controls {
namespace {

QPushButton* PlainButton(QWidget* parent, const QString& text, QRect geometry) {
  auto* button = new QPushButton(text, parent);
  button->setGeometry(geometry);
  // Enter belongs to the path field; no button takes it as default.
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TfrmSelDir::TfrmSelDir(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("选择目录"));
  setFont(controls::UiFont());
  setFixedSize(395, 153);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(236, 233, 216));
  setPalette(pal);

  auto* caption = new QLabel(QStringLiteral("找回的文件将被保存在该目录中:"), this);
  caption->setGeometry(12, 8, 370, 18);

  SpeedButton1 = new QToolButton(this);
  SpeedButton1->setAutoRaise(true);
  SpeedButton1->setIcon(PictureIcon(Picture::kUp));
  SpeedButton1->setIconSize(QSize(18, 18));
  SpeedButton1->setGeometry(10, 30, 24, 24);
  Edit1 = new QLineEdit(this);
  Edit1->setGeometry(38, 31, 266, 22);
  Button1 = PlainButton(this, QStringLiteral("浏览"), QRect(310, 30, 73, 24));

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(12, 60, 371, 4);

  const QString warnings[] = {QStringLiteral("警告: 如果您将文件保存在被"),
                              QStringLiteral("删除数据的分区上，则有可能"),
                              QStringLiteral("将需要恢复的数据覆盖。")};
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(warnings[i], this);
    label->setGeometry(12, 70 + i * 17, 200, 17);
  }

  Button2 = PlainButton(this, QStringLiteral("确定"), QRect(224, 118, 75, 25));
  Button3 = PlainButton(this, QStringLiteral("取消"), QRect(308, 118, 75, 25));

  connect(SpeedButton1, &QToolButton::clicked, this, &TfrmSelDir::SpeedButton1Click);
  connect(Button1, &QPushButton::clicked, this, &TfrmSelDir::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button3, &QPushButton::clicked, this, &QDialog::reject);
  connect(Edit1, &QLineEdit::returnPressed, this, [this] {
    if (!Edit1->text().trimmed().isEmpty()) accept();
  });
}

void TfrmSelDir::SpeedButton1Click() {
  if (Edit1->text().isEmpty()) return;
  Edit1->setText(QString::fromStdString(ParentFolder(TrimPath(Edit1->text().toStdString()))));
}

void TfrmSelDir::Button1Click() {
  path_.clear();
  QString start = Edit1->text().trimmed();
  QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("选择目录"), start);
  if (!chosen.isEmpty()) Edit1->setText(chosen);
}

void TfrmSelDir::done(int result) {
  if (result != QDialog::Accepted) {
    QDialog::done(result);
    return;
  }
  std::string path = TrimPath(Edit1->text().toStdString());
  DestinationCheck check = CheckDestinationFolder(path);
  switch (check.verdict) {
    case DestinationVerdict::kStayOpen:
      return;
    case DestinationVerdict::kError:
      showBox_(this, controls::BoxKind::kError, QString::fromStdString(check.message));
      return;
    case DestinationVerdict::kWarning:
      showBox_(this, controls::BoxKind::kWarning, QString::fromStdString(check.message));
      return;
    case DestinationVerdict::kAccept:
      path_ = path;
      QDialog::done(result);
      return;
  }
}

bool SelectDestinationFolder(QWidget* parent, std::string* folder) {
  TfrmSelDir dialog(parent);
  // The folder of the last recovery is offered again.
  if (folder && !folder->empty()) dialog.Edit1->setText(QString::fromStdString(*folder));
  if (dialog.exec() != QDialog::Accepted) return false;
  if (folder) *folder = dialog.Path();
  return true;
}

}  // namespace tarnwell::controls
