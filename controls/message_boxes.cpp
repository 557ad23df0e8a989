#include "controls/message_boxes.h"

#include <QAbstractButton>
#include <QMessageBox>

#include "platform/text_codec.h"

namespace tarnwell::controls {

void ShowBox(QWidget* parent, BoxKind kind, const QString& text) {
  QMessageBox box(parent);
  switch (kind) {
    case BoxKind::kError:
      box.setIcon(QMessageBox::Critical);
      box.setWindowTitle(QStringLiteral("错误"));
      break;
    case BoxKind::kWarning:
      box.setIcon(QMessageBox::Warning);
      box.setWindowTitle(QStringLiteral("警告"));
      break;
    case BoxKind::kInformation:
      box.setIcon(QMessageBox::Information);
      box.setWindowTitle(QStringLiteral("信息"));
      break;
  }
  box.setText(text);
  box.setStandardButtons(QMessageBox::Ok);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  box.exec();
}

bool AskYesNo(QWidget* parent, const QString& text) {
  QMessageBox box(parent);
  box.setIcon(QMessageBox::Question);
  box.setWindowTitle(QStringLiteral("确认"));
  box.setText(text);
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
  box.button(QMessageBox::No)->setText(QStringLiteral("否"));
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

QString FromSystem(const std::string& systemText) {
  return QString::fromStdString(platform::SystemToUtf8(systemText));
}

void QtMessageBoxes::Error(const std::string& text) {
  shower_(parent_, BoxKind::kError, FromSystem(text));
}
void QtMessageBoxes::Warning(const std::string& text) {
  shower_(parent_, BoxKind::kWarning, FromSystem(text));
}
void QtMessageBoxes::Information(const std::string& text) {
  shower_(parent_, BoxKind::kInformation, FromSystem(text));
}

}  // namespace tarnwell::controls
